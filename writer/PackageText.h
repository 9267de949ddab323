// The fixed text of the MHT package. It is stored already in quoted-printable form
// ("=3D" for "="), so nothing is encoded while writing.
#pragma once

#include <string_view>

namespace package {

constexpr std::string_view boundary = "------=_NextPart_01C26412.E8D705F0";
constexpr std::string_view htmlStartTag =
    "<html xmlns:v=3D\"urn:schemas-microsoft-com:vml\" "
    "xmlns:o=3D\"urn:schemas-microsoft-com:office:office\" "
    "xmlns:p=3D\"urn:schemas-microsoft-com:office:powerpoint\" "
    "xmlns:oa=3D\"urn:schemas-microsoft-com:office:activation\" "
    "xmlns=3D\"http://www.w3.org/TR/REC-html40\">";
constexpr std::string_view quotedPrintable = "Content-Transfer-Encoding: quoted-printable";
constexpr std::string_view htmlType = "Content-Type: text/html; charset=\"us-ascii\"";

// The header lines before the main document's start tag.
constexpr std::string_view header[] = {
    "MIME-Version: 1.0",
    "Content-Type: multipart/related; boundary=\"----=_NextPart_01C26412.E8D705F0\"",
    "",
    boundary,
    "Content-Location: file:///C:/91765DE5/deckgen.htm",
    quotedPrintable,
    htmlType,
    "",
};

// The main document after its start tag, and the presentation part up to its slide list.
constexpr std::string_view mainDocumentAndPresentation[] = {
    "<head>",
    "<meta http-equiv=3DContent-Type content=3D\"text/html; charset=3Dus-ascii\">",
    "<meta name=3DProgId content=3DPowerPoint.Slide>",
    "<link rel=3DPresentation-XML href=3D\"deckgen_files/pres.xml\">",
    "</head><body></body></html>",
    "",
    boundary,
    "Content-Location: file:///C:/91765DE5/deckgen_files/pres.xml",
    quotedPrintable,
    "Content-Type: text/xml; charset=\"utf-8\"",
    "",
    "<xml xmlns:v=3D\"urn:schemas-microsoft-com:vml\" "
    "xmlns:o=3D\"urn:schemas-microsoft-com:office:office\" "
    "xmlns:p=3D\"urn:schemas-microsoft-com:office:powerpoint\" "
    "xmlns:oa=3D\"urn:schemas-microsoft-com:office:activation\">",
    "    <p:presentation sizeof=3D\"A4paper\" slidesizex=3D\"4320\" slidesizey=3D\"6240\" "
    "gridspacingx=3D\"46448\" gridspacingy=3D\"46448\" savewithfonts=3D\"t\">",
};

constexpr std::string_view presentationEnd[] = {"    </p:presentation>", "</xml>", ""};

// A slide document's lines after its start tag, up to its first shape.
constexpr std::string_view slideOpening[] = {
    "<head></head>",
    "<body>",
    "<div id=3DSlideObj class=3Dsld style=3D'position:absolute;top:0px;left:0px;width:554px;"
    "height:415px;font-size:16px;background-color:white;clip:rect(0%, 101%, 101%, 0%);"
    "visibility:hidden'>",
    "<p:slide>",
};

constexpr std::string_view slideClosing[] = {"</p:slide>", "</div>", "</body>", "</html>"};

}  // namespace package
