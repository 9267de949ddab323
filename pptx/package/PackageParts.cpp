// The fixed parts of a PresentationML package, and those that list the slides.
#include "pptx/package/PackageParts.h"

#include <algorithm>
#include <cstdio>

#include "pptx/XmlText.h"

namespace parts {

namespace {

#define XML_DECLARATION "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
#define NAMESPACES                                                                     \
    " xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\""               \
    " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"" \
    " xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\""
#define RELATIONSHIP "http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
#define CONTENT_TYPE "application/vnd.openxmlformats-officedocument."
// The empty shape tree every slide-like part starts with.
#define EMPTY_SHAPE_TREE                                                                  \
    "<p:spTree><p:nvGrpSpPr><p:cNvPr id=\"1\" name=\"\"/><p:cNvGrpSpPr/><p:nvPr/>"        \
    "</p:nvGrpSpPr><p:grpSpPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"0\" cy=\"0\"/>" \
    "<a:chOff x=\"0\" y=\"0\"/><a:chExt cx=\"0\" cy=\"0\"/></a:xfrm></p:grpSpPr></p:spTree>"

std::string Number(std::int64_t value) {
    return std::to_string(value);
}

}  // namespace

std::string ContentTypes(std::uint32_t slides, bool png, bool jpeg, bool core,
                         const std::vector<std::uint32_t>& notes) {
    std::string xml = XML_DECLARATION
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" "
        "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>";
    if (png) xml += "<Default Extension=\"png\" ContentType=\"image/png\"/>";
    if (jpeg) xml += "<Default Extension=\"jpeg\" ContentType=\"image/jpeg\"/>";
    if (core) {
        xml +=
            "<Override PartName=\"/docProps/core.xml\" "
            "ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/>";
    }
    xml += "<Override PartName=\"/ppt/presentation.xml\" ContentType=\"" CONTENT_TYPE
           "presentationml.presentation.main+xml\"/>"
           "<Override PartName=\"/ppt/slideMasters/slideMaster1.xml\" ContentType=\"" CONTENT_TYPE
           "presentationml.slideMaster+xml\"/>"
           "<Override PartName=\"/ppt/slideLayouts/slideLayout1.xml\" ContentType=\"" CONTENT_TYPE
           "presentationml.slideLayout+xml\"/>"
           "<Override PartName=\"/ppt/theme/theme1.xml\" ContentType=\"" CONTENT_TYPE
           "theme+xml\"/>"
           "<Override PartName=\"/ppt/presProps.xml\" ContentType=\"" CONTENT_TYPE
           "presentationml.presProps+xml\"/>"
           "<Override PartName=\"/ppt/viewProps.xml\" ContentType=\"" CONTENT_TYPE
           "presentationml.viewProps+xml\"/>"
           "<Override PartName=\"/ppt/tableStyles.xml\" ContentType=\"" CONTENT_TYPE
           "presentationml.tableStyles+xml\"/>";
    for (std::uint32_t i = 1; i <= slides; ++i) {
        xml += "<Override PartName=\"/ppt/slides/slide" + Number(i) +
               ".xml\" ContentType=\"" CONTENT_TYPE "presentationml.slide+xml\"/>";
    }
    if (!notes.empty()) {
        xml +=
            "<Override PartName=\"/ppt/notesMasters/notesMaster1.xml\" ContentType=\"" CONTENT_TYPE
            "presentationml.notesMaster+xml\"/><Override PartName=\"/ppt/theme/theme2.xml\" "
            "ContentType=\"" CONTENT_TYPE "theme+xml\"/>";
    }
    for (const std::uint32_t slide : notes) {
        xml += "<Override PartName=\"/ppt/notesSlides/notesSlide" + Number(slide) +
               ".xml\" ContentType=\"" CONTENT_TYPE "presentationml.notesSlide+xml\"/>";
    }
    return xml + "</Types>";
}

std::string RootRelationships(bool core) {
    std::string xml = XML_DECLARATION
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"" RELATIONSHIP
        "officeDocument\" Target=\"ppt/presentation.xml\"/>";
    if (core) {
        xml +=
            "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/package/2006/"
            "relationships/metadata/core-properties\" Target=\"docProps/core.xml\"/>";
    }
    return xml + "</Relationships>";
}

std::string CoreProperties(const DocumentProperties& properties) {
    std::string xml = XML_DECLARATION
        "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/"
        "core-properties\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">";
    const auto element = [&](std::string_view name, const std::string& text) {
        if (text.empty()) return;
        xml += '<';
        xml += name;
        xml += '>';
        AppendEscaped(xml, text);
        xml += "</";
        xml += name;
        xml += '>';
    };
    element("dc:title", properties.title);
    element("dc:subject", properties.subject);
    element("dc:creator", properties.author);
    element("cp:keywords", properties.keywords);
    return xml + "</cp:coreProperties>";
}

// rId1 is the master, rId2 the theme, rId3 to rId5 the properties; slides follow, then
// the notes master.
std::string PresentationRelationships(std::uint32_t slides, bool notes) {
    std::string xml = XML_DECLARATION
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"" RELATIONSHIP
        "slideMaster\" Target=\"slideMasters/slideMaster1.xml\"/>"
        "<Relationship Id=\"rId2\" Type=\"" RELATIONSHIP
        "theme\" Target=\"theme/theme1.xml\"/>"
        "<Relationship Id=\"rId3\" Type=\"" RELATIONSHIP
        "presProps\" Target=\"presProps.xml\"/>"
        "<Relationship Id=\"rId4\" Type=\"" RELATIONSHIP
        "viewProps\" Target=\"viewProps.xml\"/>"
        "<Relationship Id=\"rId5\" Type=\"" RELATIONSHIP
        "tableStyles\" Target=\"tableStyles.xml\"/>";
    for (std::uint32_t i = 1; i <= slides; ++i) {
        xml += "<Relationship Id=\"rId" + Number(std::int64_t{i} + 5) +
               "\" Type=\"" RELATIONSHIP "slide\" Target=\"slides/slide" + Number(i) + ".xml\"/>";
    }
    if (notes) {
        xml += "<Relationship Id=\"rId" + Number(std::int64_t{slides} + 6) +
               "\" Type=\"" RELATIONSHIP "notesMaster\" Target=\"notesMasters/notesMaster1.xml\"/>";
    }
    return xml + "</Relationships>";
}

std::string Presentation(std::uint32_t slides, std::int64_t width, std::int64_t height, bool notes,
                         const std::vector<Section>& sections) {
    std::string xml = XML_DECLARATION
        "<p:presentation" NAMESPACES
        " saveSubsetFonts=\"1\">"
        "<p:sldMasterIdLst><p:sldMasterId id=\"2147483648\" r:id=\"rId1\"/></p:sldMasterIdLst>";
    if (notes) {
        xml += "<p:notesMasterIdLst><p:notesMasterId r:id=\"rId" +
               Number(std::int64_t{slides} + 6) + "\"/></p:notesMasterIdLst>";
    }
    if (slides > 0) {
        xml += "<p:sldIdLst>";
        for (std::uint32_t i = 1; i <= slides; ++i) {
            xml += "<p:sldId id=\"" + Number(std::int64_t{i} + 255) + "\" r:id=\"rId" +
                   Number(std::int64_t{i} + 5) + "\"/>";
        }
        xml += "</p:sldIdLst>";
    }
    xml += "<p:sldSz cx=\"" + Number(width) + "\" cy=\"" + Number(height) + "\"/>";
    xml += "<p:notesSz cx=\"6858000\" cy=\"9144000\"/>";
    if (!sections.empty()) {
        // PowerPoint 2010's sections, each with a GUID of its own (counted, so that the same
        // document gives the same bytes).
        xml +=
            "<p:extLst><p:ext uri=\"{521415D9-36F7-43E2-AB2F-B90AF26B5E84}\">"
            "<p14:sectionLst xmlns:p14=\"http://schemas.microsoft.com/office/powerpoint/2010/"
            "main\">";
        for (std::size_t i = 0; i < sections.size(); ++i) {
            char guid[48];
            std::snprintf(guid, sizeof guid, "{5EC71010-0000-4000-8000-%012zX}", i + 1);
            xml += "<p14:section name=\"";
            AppendAttribute(xml, sections[i].name);
            xml += "\" id=\"";
            xml += guid;
            xml += "\"><p14:sldIdLst>";
            const std::uint32_t end = i + 1 < sections.size() ? sections[i + 1].first : slides + 1;
            for (std::uint32_t slide = sections[i].first; slide < end; ++slide)
                xml += "<p14:sldId id=\"" + Number(std::int64_t{slide} + 255) + "\"/>";
            xml += "</p14:sldIdLst></p14:section>";
        }
        xml += "</p14:sectionLst></p:ext></p:extLst>";
    }
    xml += "</p:presentation>";
    return xml;
}

const std::string_view slideMaster = XML_DECLARATION
    "<p:sldMaster" NAMESPACES
    ">"
    "<p:cSld><p:bg><p:bgRef idx=\"1001\"><a:schemeClr "
    "val=\"bg1\"/></p:bgRef></p:bg>" EMPTY_SHAPE_TREE
    "</p:cSld>"
    "<p:clrMap bg1=\"lt1\" tx1=\"dk1\" bg2=\"lt2\" tx2=\"dk2\" accent1=\"accent1\" "
    "accent2=\"accent2\" accent3=\"accent3\" accent4=\"accent4\" accent5=\"accent5\" "
    "accent6=\"accent6\" hlink=\"hlink\" folHlink=\"folHlink\"/>"
    "<p:sldLayoutIdLst><p:sldLayoutId id=\"2147483649\" r:id=\"rId1\"/></p:sldLayoutIdLst>"
    "</p:sldMaster>";

const std::string_view slideMasterRelationships = XML_DECLARATION
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"" RELATIONSHIP
    "slideLayout\" Target=\"../slideLayouts/slideLayout1.xml\"/>"
    "<Relationship Id=\"rId2\" Type=\"" RELATIONSHIP
    "theme\" Target=\"../theme/theme1.xml\"/>"
    "</Relationships>";

// The notes pages: the slide's picture above, its notes below, on a page of the
// presentation's notes size (7.5 by 10 inches).
#define NOTES_BODY_PLACE \
    "<a:xfrm><a:off x=\"685800\" y=\"4400550\"/><a:ext cx=\"5486400\" cy=\"3600450\"/></a:xfrm>"
#define NOTES_PICTURE_PLACE \
    "<a:xfrm><a:off x=\"685800\" y=\"1143000\"/><a:ext cx=\"5486400\" cy=\"3086100\"/></a:xfrm>"

const std::string_view notesMaster = XML_DECLARATION
    "<p:notesMaster" NAMESPACES
    "><p:cSld><p:bg><p:bgRef idx=\"1001\"><a:schemeClr val=\"bg1\"/></p:bgRef></p:bg>"
    "<p:spTree><p:nvGrpSpPr><p:cNvPr id=\"1\" name=\"\"/><p:cNvGrpSpPr/><p:nvPr/>"
    "</p:nvGrpSpPr><p:grpSpPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"0\" cy=\"0\"/>"
    "<a:chOff x=\"0\" y=\"0\"/><a:chExt cx=\"0\" cy=\"0\"/></a:xfrm></p:grpSpPr>"
    "<p:sp><p:nvSpPr><p:cNvPr id=\"2\" name=\"Slide Image Placeholder 1\"/>"
    "<p:cNvSpPr><a:spLocks noGrp=\"1\" noRot=\"1\" noChangeAspect=\"1\"/></p:cNvSpPr>"
    "<p:nvPr><p:ph type=\"sldImg\" idx=\"2\"/></p:nvPr></p:nvSpPr><p:spPr>" NOTES_PICTURE_PLACE
    "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom><a:noFill/></p:spPr></p:sp>"
    "<p:sp><p:nvSpPr><p:cNvPr id=\"3\" name=\"Notes Placeholder 2\"/>"
    "<p:cNvSpPr><a:spLocks noGrp=\"1\"/></p:cNvSpPr><p:nvPr><p:ph type=\"body\" "
    "sz=\"quarter\" idx=\"3\"/></p:nvPr></p:nvSpPr><p:spPr>" NOTES_BODY_PLACE
    "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></p:spPr><p:txBody><a:bodyPr/>"
    "<a:lstStyle/><a:p><a:endParaRPr lang=\"en-US\"/></a:p></p:txBody></p:sp>"
    "</p:spTree></p:cSld>"
    "<p:clrMap bg1=\"lt1\" tx1=\"dk1\" bg2=\"lt2\" tx2=\"dk2\" accent1=\"accent1\" "
    "accent2=\"accent2\" accent3=\"accent3\" accent4=\"accent4\" accent5=\"accent5\" "
    "accent6=\"accent6\" hlink=\"hlink\" folHlink=\"folHlink\"/></p:notesMaster>";

const std::string_view notesMasterRelationships = XML_DECLARATION
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"" RELATIONSHIP
    "theme\" Target=\"../theme/theme2.xml\"/>"
    "</Relationships>";

std::string NotesSlide(const std::string& text) {
    std::string xml = XML_DECLARATION
        "<p:notes" NAMESPACES
        "><p:cSld><p:spTree><p:nvGrpSpPr><p:cNvPr id=\"1\" name=\"\"/><p:cNvGrpSpPr/><p:nvPr/>"
        "</p:nvGrpSpPr><p:grpSpPr/>"
        "<p:sp><p:nvSpPr><p:cNvPr id=\"2\" name=\"Slide Image Placeholder 1\"/>"
        "<p:cNvSpPr><a:spLocks noGrp=\"1\" noRot=\"1\" noChangeAspect=\"1\"/></p:cNvSpPr>"
        "<p:nvPr><p:ph type=\"sldImg\"/></p:nvPr></p:nvSpPr><p:spPr/></p:sp>"
        "<p:sp><p:nvSpPr><p:cNvPr id=\"3\" name=\"Notes Placeholder 2\"/>"
        "<p:cNvSpPr><a:spLocks noGrp=\"1\"/></p:cNvSpPr><p:nvPr><p:ph type=\"body\" idx=\"1\"/>"
        "</p:nvPr></p:nvSpPr><p:spPr/><p:txBody><a:bodyPr/><a:lstStyle/>";
    std::size_t start = 0;
    do {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        xml += "<a:p><a:r><a:rPr lang=\"en-US\" dirty=\"0\"/><a:t>";
        AppendEscaped(xml, std::string_view(text).substr(start, end - start));
        xml += "</a:t></a:r></a:p>";
        start = end + 1;
    } while (start < text.size());
    return xml +
           "</p:txBody></p:sp></p:spTree></p:cSld><p:clrMapOvr><a:masterClrMapping/>"
           "</p:clrMapOvr></p:notes>";
}

std::string NotesSlideRelationships(std::uint32_t slide) {
    return XML_DECLARATION
           "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
           "<Relationship Id=\"rId1\" Type=\"" RELATIONSHIP
           "notesMaster\" Target=\"../notesMasters/notesMaster1.xml\"/>"
           "<Relationship Id=\"rId2\" Type=\"" RELATIONSHIP "slide\" Target=\"../slides/slide" +
           Number(slide) + ".xml\"/></Relationships>";
}

const std::string_view slideLayout =
    XML_DECLARATION "<p:sldLayout" NAMESPACES
                    " type=\"blank\" preserve=\"1\">"
                    "<p:cSld name=\"Blank\">" EMPTY_SHAPE_TREE
                    "</p:cSld>"
                    "<p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:sldLayout>";

const std::string_view slideLayoutRelationships = XML_DECLARATION
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"" RELATIONSHIP
    "slideMaster\" Target=\"../slideMasters/slideMaster1.xml\"/>"
    "</Relationships>";

std::string SlideRelationships(const std::vector<LinkTarget>& links,
                               const std::vector<std::string>& pictures, std::uint32_t notes) {
    std::string xml = XML_DECLARATION
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"" RELATIONSHIP
        "slideLayout\" Target=\"../slideLayouts/slideLayout1.xml\"/>";
    if (notes != 0) {
        xml += "<Relationship Id=\"rNotes\" Type=\"" RELATIONSHIP
               "notesSlide\" Target=\"../notesSlides/notesSlide" +
               Number(notes) + ".xml\"/>";
    }
    for (std::size_t i = 0; i < links.size(); ++i) {
        xml += "<Relationship Id=\"rId" + Number(std::int64_t(i) + 2) + "\" Type=\"" RELATIONSHIP;
        if (links[i].slide != 0) {
            xml += "slide\" Target=\"slide" + Number(links[i].slide) + ".xml\"/>";
            continue;
        }
        xml += "hyperlink\" Target=\"";
        static constexpr char hex[] = "0123456789ABCDEF";
        for (const char ch : links[i].address) {
            const auto byte = static_cast<unsigned char>(ch);
            if (byte <= 0x20 || byte >= 0x7F || ch == '"' || ch == '<' || ch == '>' || ch == '\\') {
                xml += '%';
                xml += hex[byte >> 4];
                xml += hex[byte & 15];
            } else if (ch == '&') {
                xml += "&amp;";
            } else {
                xml += ch;
            }
        }
        xml += "\" TargetMode=\"External\"/>";
    }
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        xml += "<Relationship Id=\"rIm" + Number(std::int64_t(i) + 1) +
               "\" Type=\"" RELATIONSHIP "image\" Target=\"../media/" + pictures[i] + "\"/>";
    }
    return xml + "</Relationships>";
}

#define SOLID(colour) "<a:solidFill><a:schemeClr val=\"" colour "\"/></a:solidFill>"
#define LINE(width)                                                        \
    "<a:ln w=\"" width "\" cap=\"flat\" cmpd=\"sng\" algn=\"ctr\">" SOLID( \
        "phClr") "<a:prstDash val=\"solid\"/></a:ln>"

// A plain theme: black on white, Computer Modern's look left to the glyphs themselves.
const std::string_view theme =
    XML_DECLARATION
    "<a:theme xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" name=\"TeX\">"
    "<a:themeElements>"
    "<a:clrScheme name=\"TeX\">"
    "<a:dk1><a:srgbClr val=\"000000\"/></a:dk1><a:lt1><a:srgbClr val=\"FFFFFF\"/></a:lt1>"
    "<a:dk2><a:srgbClr val=\"1F1F1F\"/></a:dk2><a:lt2><a:srgbClr val=\"EEEEEE\"/></a:lt2>"
    "<a:accent1><a:srgbClr val=\"0000FF\"/></a:accent1>"
    "<a:accent2><a:srgbClr val=\"FF0000\"/></a:accent2>"
    "<a:accent3><a:srgbClr val=\"00FF00\"/></a:accent3>"
    "<a:accent4><a:srgbClr val=\"00FFFF\"/></a:accent4>"
    "<a:accent5><a:srgbClr val=\"FF00FF\"/></a:accent5>"
    "<a:accent6><a:srgbClr val=\"FFFF00\"/></a:accent6>"
    "<a:hlink><a:srgbClr val=\"0000FF\"/></a:hlink>"
    "<a:folHlink><a:srgbClr val=\"800080\"/></a:folHlink>"
    "</a:clrScheme>"
    "<a:fontScheme name=\"TeX\">"
    "<a:majorFont><a:latin typeface=\"Latin Modern Roman\"/><a:ea typeface=\"\"/>"
    "<a:cs typeface=\"\"/></a:majorFont>"
    "<a:minorFont><a:latin typeface=\"Latin Modern Roman\"/><a:ea typeface=\"\"/>"
    "<a:cs typeface=\"\"/></a:minorFont>"
    "</a:fontScheme>"
    "<a:fmtScheme name=\"TeX\">"
    "<a:fillStyleLst>" SOLID("phClr") SOLID("phClr") SOLID("phClr") "</a:fillStyleLst>"
    "<a:lnStyleLst>" LINE("6350") LINE("12700") LINE("19050") "</a:lnStyleLst>"
    "<a:effectStyleLst><a:effectStyle><a:effectLst/></a:effectStyle>"
    "<a:effectStyle><a:effectLst/></a:effectStyle>"
    "<a:effectStyle><a:effectLst/></a:effectStyle></a:effectStyleLst>"
    "<a:bgFillStyleLst>" SOLID("phClr") SOLID("phClr") SOLID("phClr") "</a:bgFillStyleLst>"
    "</a:fmtScheme>"
    "</a:themeElements>"
    "<a:objectDefaults/><a:extraClrSchemeLst/>"
    "</a:theme>";

const std::string_view presentationProperties = XML_DECLARATION "<p:presentationPr" NAMESPACES "/>";

const std::string_view viewProperties = XML_DECLARATION "<p:viewPr" NAMESPACES "/>";

const std::string_view tableStyles = XML_DECLARATION
    "<a:tblStyleLst xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
    "def=\"{5C22544A-7EE6-4342-B048-85BDC9FD1C3A}\"/>";

}  // namespace parts
