// The MHT package: its frame, text boxes, rules and colours, written for DVI files
// whose unit is exactly 2^-16 pt (num 254000, den 4718592), so positions in points are
// plain binary fractions.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/Failure.h"
#include "support/TempDir.h"
#include "support/TestFont.h"
#include "writer/SlideWriter.h"

namespace {

constexpr std::int32_t pt = 65536;  // one point in DVI units

class SlideWriterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // "wtr": A is 7.5 pt wide and 6.84 pt high at 10 pt; B has no width, 5.3 pt
        // height and -0.3 pt depth.
        TfmBuilder font = TestFont();
        font.chars = {{0xC0000, 717226, 0}, {0, 555745, -31457}};
        kpsewhich.AddFont("wtr", font.Build());
    }

    static DviBuilder Start() {
        DviBuilder dvi;
        dvi.Pre(254000, 4718592).Bop();
        dvi.FontDef(0, tstChecksum, 10 * pt, tstDesignSize, "wtr").Op(171);
        return dvi;
    }

    // Converts the DVI bytes; returns the package, followed by the failure if any.
    std::string Convert(const std::string& dvi) {
        try {
            SlideWriter writer(dir.Write("in.dvi", dvi), dir / "out.mht");
            writer.Run();
        } catch (const Failure& failure) {
            return dir.Read("out.mht") + "failure: " + failure.Message();
        }
        return dir.Read("out.mht");
    }

    // The lines of the package that contain `marker`.
    static std::string Lines(const std::string& package, const std::string& marker) {
        std::string found;
        for (std::size_t at = 0, end; at < package.size(); at = end + 1) {
            end = package.find('\n', at);
            const std::string line = package.substr(at, end - at);
            if (line.find(marker) != std::string::npos) found += line + "\n";
        }
        return found;
    }

    FakeKpsewhich kpsewhich;
    TempDir dir;
};

const std::string htmlStartTag =
    "<html xmlns:v=3D\"urn:schemas-microsoft-com:vml\" "
    "xmlns:o=3D\"urn:schemas-microsoft-com:office:office\" "
    "xmlns:p=3D\"urn:schemas-microsoft-com:office:powerpoint\" "
    "xmlns:oa=3D\"urn:schemas-microsoft-com:office:"
    "activation\" xmlns=3D\"http://www.w3.org/TR/REC-html40\">\n";

TEST_F(SlideWriterTest, WholeDocument) {
    DviBuilder dvi = Start();
    dvi.Op(160, 200 * pt, 4).Op(146, 100 * pt, 4).Op(65);
    dvi.Special("color push rgb 1 0 0").Rule(137, 2 * pt, 50 * pt).Special("color pop").Op(66);
    dvi.Eop();
    const std::string expected =
        "MIME-Version: 1.0\n"
        "Content-Type: multipart/related; boundary=\"----=_NextPart_01C26412.E8D705F0\"\n"
        "\n"
        "------=_NextPart_01C26412.E8D705F0\n"
        "Content-Location: file:///C:/91765DE5/deckgen.htm\n"
        "Content-Transfer-Encoding: quoted-printable\n"
        "Content-Type: text/html; charset=\"us-ascii\"\n"
        "\n" +
        htmlStartTag +
        "<head>\n"
        "<meta http-equiv=3DContent-Type content=3D\"text/html; charset=3Dus-ascii\">\n"
        "<meta name=3DProgId content=3DPowerPoint.Slide>\n"
        "<link rel=3DPresentation-XML href=3D\"deckgen_files/pres.xml\">\n"
        "</head><body></body></html>\n"
        "\n"
        "------=_NextPart_01C26412.E8D705F0\n"
        "Content-Location: file:///C:/91765DE5/deckgen_files/pres.xml\n"
        "Content-Transfer-Encoding: quoted-printable\n"
        "Content-Type: text/xml; charset=\"utf-8\"\n"
        "\n"
        "<xml xmlns:v=3D\"urn:schemas-microsoft-com:vml\" "
        "xmlns:o=3D\"urn:schemas-microsoft-com:office:office\" "
        "xmlns:p=3D\"urn:schemas-microsoft-com:office:powerpoint\" "
        "xmlns:oa=3D\"urn:schemas-microsoft-com:office:activation\">\n"
        "    <p:presentation sizeof=3D\"A4paper\" slidesizex=3D\"4320\" slidesizey=3D\"6240\" "
        "gridspacingx=3D\"46448\" gridspacingy=3D\"46448\" savewithfonts=3D\"t\">\n"
        "        <p:slide id=3D\"1\" href=3D\"slide0001.htm\"/>\n"
        "    </p:presentation>\n"
        "</xml>\n"
        "\n"
        "------=_NextPart_01C26412.E8D705F0\n"
        "Content-Location: file:///C:/91765DE5/deckgen_files/slide0001.htm\n"
        "Content-Transfer-Encoding: quoted-printable\n"
        "Content-Type: text/html; charset=\"us-ascii\"\n"
        "\n" +
        htmlStartTag +
        "<head></head>\n"
        "<body>\n"
        "<div id=3DSlideObj class=3Dsld "
        "style=3D'position:absolute;top:0px;left:0px;width:554px;height:415px;"
        "font-size:16px;background-color:white;clip:rect(0%, 101%, 101%, 0%);visibility:hidden'>\n"
        "<p:slide>\n"
        // A: 7.5 pt wide, 6.84 pt high (cut to 6.75), on the baseline at (144, 244).
        "<v:shape id=3D\"_x0000_s0001\" type=3D\"#_x0000_t202\" "
        "style=3D'position:absolute;left:144pt;"
        "top:237.25pt;width:7.5pt;height:6.75pt;mso-wrap-style:none;v-text-anchor:bottom-baseline' "
        "filled=3D\"f\" stroked=3D\"f\" strokecolor=3D\"black [1]\"><v:fill color2=3D\"white "
        "[0]\"/>"
        "<v:shadow color=3D\"gray [2]\"/><o:lock v:ext=3D\"edit\" aspectratio=3D\"t\"/><v:textbox "
        "style=3D'mso-fit-shape-to-text:f' inset=3D\"0pt,6.75pt,0pt,0pt\"/></v:shape>\n"
        "<div v:shape=3D\"_x0000_s0001\" class=3DO ><span "
        "style=3D'font-family:wtr;font-size:55.555555555556%;"
        ";mso-line-spacing:\"300 0 0\"'>&#65</span></div>\n"
        // A red rule 50 pt long and 2 pt high along the middle of its height.
        "<v:line id=3D'_x0000_s0002' style=3D'position:absolute' from=3D\"151.5pt,243pt\" "
        "to=3D\"201.5pt,243pt\" strokecolor=3D'#ff0000' strokeweight=3D'2pt'><v:shadow "
        "color=3D'gray [2]'/>"
        "</v:line>\n"
        // B: no width, so as wide as high (5.3 pt); depth -0.3 pt cut to -0.25 pt.
        "<v:shape id=3D\"_x0000_s0003\" type=3D\"#_x0000_t202\" "
        "style=3D'position:absolute;left:151.5pt;"
        "top:238.75pt;width:5.2999973297119pt;height:5pt;mso-wrap-style:square;"
        "v-text-anchor:bottom-baseline' filled=3D\"f\" stroked=3D\"f\" strokecolor=3D\"black [1]\">"
        "<v:fill color2=3D\"white [0]\"/><v:shadow color=3D\"gray [2]\"/><o:lock v:ext=3D\"edit\" "
        "aspectratio=3D\"t\"/><v:textbox style=3D'mso-fit-shape-to-text:f' "
        "inset=3D\"0pt,5.5pt,0pt,0pt\"/>"
        "</v:shape>\n"
        "<div v:shape=3D\"_x0000_s0003\" class=3DO ><span "
        "style=3D'font-family:wtr;font-size:55.555555555556%;"
        ";mso-line-spacing:\"300 0 0\"'>&#66</span></div>\n"
        // The page frame over everything set on the page, from A's height in whole DVI
        // units (448266, truncated) to the baseline.
        "<v:rect id=3D\"_x0000_s0004\" style=3D'position:absolute;left:144pt;top:237.16000366211pt;"
        "width:57.5pt;height:6.8399963378906pt;mso-wrap-style:none;v-text-anchor:middle' "
        "filled=3D\"t\" "
        "stroked=3D\"t\" strokecolor=3D\"black [1]\">    <v:stroke opacity=3D\"0\" "
        "color2=3D\"white [0]\"/>"
        "    <v:fill opacity=3D\"0\" color2=3D\"white [0]\"/>\t<v:shadow color=3D\"gray "
        "[2]\"/></v:rect>\n"
        "</p:slide>\n"
        "</div>\n"
        "</body>\n"
        "</html>\n"
        "\n"
        "------=_NextPart_01C26412.E8D705F0--\n";
    EXPECT_EQ(Convert(dvi.Finish()), expected);
}

TEST_F(SlideWriterTest, ShapesColoursAndRulesAcrossPages) {
    DviBuilder dvi = Start();
    dvi.Special("color push rgb 0 0 1").Op(65).Eop();
    // Page 2: the colour and the font carry over; a vertical rule 20 pt high and 1 pt
    // wide, then, with the colour stack emptied (one pop too many), a square rule.
    dvi.Bop().Op(160, 100 * pt, 4).Op(65).Rule(132, 20 * pt, 1 * pt);
    dvi.Special("color pop").Special("color popped").Rule(137, 10 * pt, 10 * pt).Eop();
    dvi.Bop().Eop();  // page 3 is empty
    const std::string package = Convert(dvi.Finish(100, 5));

    // The slide list follows the postamble's page count; slides follow the pages walked.
    EXPECT_EQ(Lines(package, "<p:slide id"),
              "        <p:slide id=3D\"1\" href=3D\"slide0001.htm\"/>\n"
              "        <p:slide id=3D\"2\" href=3D\"slide0002.htm\"/>\n"
              "        <p:slide id=3D\"3\" href=3D\"slide0003.htm\"/>\n"
              "        <p:slide id=3D\"4\" href=3D\"slide0004.htm\"/>\n"
              "        <p:slide id=3D\"5\" href=3D\"slide0005.htm\"/>\n");
    EXPECT_EQ(Lines(package, "Content-Location: file:///C:/91765DE5/deckgen_files/slide"),
              "Content-Location: file:///C:/91765DE5/deckgen_files/slide0001.htm\n"
              "Content-Location: file:///C:/91765DE5/deckgen_files/slide0002.htm\n"
              "Content-Location: file:///C:/91765DE5/deckgen_files/slide0003.htm\n");
    // Both characters are blue: a colour pushed on page 1 is still current on page 2.
    const std::string spans = Lines(package, "<span");
    EXPECT_EQ(std::count(spans.begin(), spans.end(), '\n'), 2);
    EXPECT_EQ(spans, Lines(package, "%;color:#0000ff;mso-line-spacing"));
    EXPECT_EQ(Lines(package, "<v:line"),
              "<v:line id=3D'_x0000_s0004' style=3D'position:absolute' from=3D\"52pt,124pt\" "
              "to=3D\"52pt,144pt\" strokecolor=3D'#0000ff' strokeweight=3D'1pt'><v:shadow "
              "color=3D'gray [2]'/></v:line>\n"
              "<v:line id=3D'_x0000_s0005' style=3D'position:absolute' from=3D\"57.5pt,134pt\" "
              "to=3D\"57.5pt,144pt\" strokecolor=3D'black [1]' strokeweight=3D'10pt'><v:shadow "
              "color=3D'gray [2]'/></v:line>\n");
    // Shape numbers run on across text boxes, rules, frames and pages.
    std::string ids;
    for (std::size_t at = 0; (at = package.find("_x0000_s", at)) != std::string::npos; at += 12) {
        ids += package.substr(at + 8, 4) + " ";
    }
    EXPECT_EQ(ids, "0001 0001 0002 0003 0003 0004 0005 0006 0007 ");
    // An empty page keeps the page box's start values.
    EXPECT_EQ(Lines(package, "_x0000_s0007").substr(0, 155),
              "<v:rect id=3D\"_x0000_s0007\" style=3D'position:absolute;left:32811.999984741pt;"
              "top:32811.999984741pt;width:-32767.999984741pt;height:-32767.999984741pt;mso-");
}

TEST_F(SlideWriterTest, FontNamesCannotBreakTheMarkup) {
    for (const std::string name : {"x'y=z \xE9<", "a-b_c.d+e9Z"}) {
        kpsewhich.AddFont(name, TestFont().Build());
        DviBuilder dvi;
        dvi.Pre(254000, 4718592)
            .Bop()
            .FontDef(0, tstChecksum, 10 * pt, tstDesignSize, name)
            .Op(171);
        dvi.Op(65).Eop();
        const std::string family = Lines(Convert(dvi.Finish()), "font-family:");
        const std::string expected = name[0] == 'x' ? "x&#39;y&#61;z&#32;&#233;&#60;" : name;
        EXPECT_NE(family.find("font-family:" + expected + ";font-size:"), std::string::npos)
            << family;
    }
}

TEST_F(SlideWriterTest, FailureKeepsWhatWasWritten) {
    DviBuilder dvi = Start();
    dvi.Op(65).Eop().Bop().Op(250).Eop();
    const std::string package = Convert(dvi.Finish());
    const std::string pageTwo = "deckgen_files/slide0002.htm\n";
    ASSERT_NE(package.find(pageTwo), std::string::npos);
    EXPECT_EQ(
        package.substr(package.find(pageTwo) + pageTwo.size()),
        "Content-Transfer-Encoding: quoted-printable\nContent-Type: text/html; "
        "charset=\"us-ascii\"\n\n" +
            htmlStartTag +
            "<head></head>\n<body>\n<div id=3DSlideObj class=3Dsld "
            "style=3D'position:absolute;top:0px;"
            "left:0px;width:554px;height:415px;font-size:16px;background-color:white;clip:rect(0%, "
            "101%, 101%, 0%);visibility:hidden'>\n<p:slide>\nfailure: undefined opcode");
}

}  // namespace
