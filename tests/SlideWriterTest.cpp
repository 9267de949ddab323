// The MHT package, written for DVI files whose unit is exactly 2^-16 pt (num 254000,
// den 4718592), so positions in points are plain binary fractions; and the colours of
// "color push" specials, which both writers read.
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "dvi/ColourSpecials.h"
#include "support/TempDir.h"
#include "support/TestFont.h"
#include "writer/SlideWriter.h"

namespace {

constexpr std::int32_t pt = 65536;  // one point in DVI units

class SlideWriterTest : public ::testing::Test {
  protected:
    SlideWriterTest() {
        // "wtr": A is 7.5 pt wide and 6.84 pt high at 10 pt; B has no width, 5.3 pt
        // height and -0.3 pt depth.
        kpsewhich.AddFont("wtr",
                          TfmBuilder{.chars = {{0xC0000, 717226, 0}, {0, 555745, -31457}}}.Build());
    }

    static DviBuilder Start(const std::string& font = "wtr", std::int32_t size = 10 * pt,
                            std::uint32_t mag = 1000) {
        DviBuilder dvi;
        dvi.Pre(254000, 4718592, mag).Bop();
        dvi.FontDef(0, tstChecksum, size, tstDesignSize, font).Op(171);
        return dvi;
    }

    std::string Convert(const std::string& dvi) {
        SlideWriter(dir.Write("in.dvi", dvi), dir / "out.mht").Run();
        return dir.Read("out.mht");
    }

    FakeKpsewhich kpsewhich;
    TempDir dir;
};

TEST_F(SlideWriterTest, WholeDocument) {
    DviBuilder dvi = Start();
    dvi.Op(160, 200 * pt, 4).Op(146, 100 * pt, 4).Op(65);
    dvi.Special("color push rgb 1 0 0").Rule(137, 2 * pt, 50 * pt).Special("color pop").Op(66);
    dvi.Special("color push rgb 0 0 1").Eop().Bop().Op(160, 100 * pt, 4).Op(65);
    dvi.Rule(132, 20 * pt, 1 * pt).Special("color pop").Special("color popped");
    dvi.Rule(137, 10 * pt, 10 * pt).Eop();
    // The postamble counts three pages: three slide entries, two slides. Page 1: A, 7.5 pt
    // wide, 6.84 pt high (cut to 6.75), on the baseline at (144, 244); a red rule 50 pt
    // long and 2 pt high, drawn along its middle; B: no width, so as wide as high (5.3 pt),
    // depth -0.3 pt cut to -0.25 pt; the page frame, from A's height in whole DVI units to
    // the baseline. Page 2: the blue pushed on page 1 holds for A and an upright rule;
    // after one pop too many, a black square rule.
    const std::string expected = R"(MIME-Version: 1.0
Content-Type: multipart/related; boundary="----=_NextPart_01C26412.E8D705F0"

------=_NextPart_01C26412.E8D705F0
Content-Location: file:///C:/91765DE5/deckgen.htm
Content-Transfer-Encoding: quoted-printable
Content-Type: text/html; charset="us-ascii"

<html xmlns:v=3D"urn:schemas-microsoft-com:vml" xmlns:o=3D"urn:schemas-microsoft-com:office:office" xmlns:p=3D"urn:schemas-microsoft-com:office:powerpoint" xmlns:oa=3D"urn:schemas-microsoft-com:office:activation" xmlns=3D"http://www.w3.org/TR/REC-html40">
<head>
<meta http-equiv=3DContent-Type content=3D"text/html; charset=3Dus-ascii">
<meta name=3DProgId content=3DPowerPoint.Slide>
<link rel=3DPresentation-XML href=3D"deckgen_files/pres.xml">
</head><body></body></html>

------=_NextPart_01C26412.E8D705F0
Content-Location: file:///C:/91765DE5/deckgen_files/pres.xml
Content-Transfer-Encoding: quoted-printable
Content-Type: text/xml; charset="utf-8"

<xml xmlns:v=3D"urn:schemas-microsoft-com:vml" xmlns:o=3D"urn:schemas-microsoft-com:office:office" xmlns:p=3D"urn:schemas-microsoft-com:office:powerpoint" xmlns:oa=3D"urn:schemas-microsoft-com:office:activation">
    <p:presentation sizeof=3D"A4paper" slidesizex=3D"4320" slidesizey=3D"6240" gridspacingx=3D"46448" gridspacingy=3D"46448" savewithfonts=3D"t">
        <p:slide id=3D"1" href=3D"slide0001.htm"/>
        <p:slide id=3D"2" href=3D"slide0002.htm"/>
        <p:slide id=3D"3" href=3D"slide0003.htm"/>
    </p:presentation>
</xml>

------=_NextPart_01C26412.E8D705F0
Content-Location: file:///C:/91765DE5/deckgen_files/slide0001.htm
Content-Transfer-Encoding: quoted-printable
Content-Type: text/html; charset="us-ascii"

<html xmlns:v=3D"urn:schemas-microsoft-com:vml" xmlns:o=3D"urn:schemas-microsoft-com:office:office" xmlns:p=3D"urn:schemas-microsoft-com:office:powerpoint" xmlns:oa=3D"urn:schemas-microsoft-com:office:activation" xmlns=3D"http://www.w3.org/TR/REC-html40">
<head></head>
<body>
<div id=3DSlideObj class=3Dsld style=3D'position:absolute;top:0px;left:0px;width:554px;height:415px;font-size:16px;background-color:white;clip:rect(0%, 101%, 101%, 0%);visibility:hidden'>
<p:slide>
<v:shape id=3D"_x0000_s0001" type=3D"#_x0000_t202" style=3D'position:absolute;left:144pt;top:237.25pt;width:7.5pt;height:6.75pt;mso-wrap-style:none;v-text-anchor:bottom-baseline' filled=3D"f" stroked=3D"f" strokecolor=3D"black [1]"><v:fill color2=3D"white [0]"/><v:shadow color=3D"gray [2]"/><o:lock v:ext=3D"edit" aspectratio=3D"t"/><v:textbox style=3D'mso-fit-shape-to-text:f' inset=3D"0pt,6.75pt,0pt,0pt"/></v:shape>
<div v:shape=3D"_x0000_s0001" class=3DO ><span style=3D'font-family:wtr;font-size:55.555555555556%;;mso-line-spacing:"300 0 0"'>&#65</span></div>
<v:line id=3D'_x0000_s0002' style=3D'position:absolute' from=3D"151.5pt,243pt" to=3D"201.5pt,243pt" strokecolor=3D'#ff0000' strokeweight=3D'2pt'><v:shadow color=3D'gray [2]'/></v:line>
<v:shape id=3D"_x0000_s0003" type=3D"#_x0000_t202" style=3D'position:absolute;left:151.5pt;top:238.75pt;width:5.2999973297119pt;height:5pt;mso-wrap-style:square;v-text-anchor:bottom-baseline' filled=3D"f" stroked=3D"f" strokecolor=3D"black [1]"><v:fill color2=3D"white [0]"/><v:shadow color=3D"gray [2]"/><o:lock v:ext=3D"edit" aspectratio=3D"t"/><v:textbox style=3D'mso-fit-shape-to-text:f' inset=3D"0pt,5.5pt,0pt,0pt"/></v:shape>
<div v:shape=3D"_x0000_s0003" class=3DO ><span style=3D'font-family:wtr;font-size:55.555555555556%;;mso-line-spacing:"300 0 0"'>&#66</span></div>
<v:rect id=3D"_x0000_s0004" style=3D'position:absolute;left:144pt;top:237.16000366211pt;width:57.5pt;height:6.8399963378906pt;mso-wrap-style:none;v-text-anchor:middle' filled=3D"t" stroked=3D"t" strokecolor=3D"black [1]">    <v:stroke opacity=3D"0" color2=3D"white [0]"/>    <v:fill opacity=3D"0" color2=3D"white [0]"/>)"
                                 "\t"
                                 R"(<v:shadow color=3D"gray [2]"/></v:rect>
</p:slide>
</div>
</body>
</html>
------=_NextPart_01C26412.E8D705F0
Content-Location: file:///C:/91765DE5/deckgen_files/slide0002.htm
Content-Transfer-Encoding: quoted-printable
Content-Type: text/html; charset="us-ascii"

<html xmlns:v=3D"urn:schemas-microsoft-com:vml" xmlns:o=3D"urn:schemas-microsoft-com:office:office" xmlns:p=3D"urn:schemas-microsoft-com:office:powerpoint" xmlns:oa=3D"urn:schemas-microsoft-com:office:activation" xmlns=3D"http://www.w3.org/TR/REC-html40">
<head></head>
<body>
<div id=3DSlideObj class=3Dsld style=3D'position:absolute;top:0px;left:0px;width:554px;height:415px;font-size:16px;background-color:white;clip:rect(0%, 101%, 101%, 0%);visibility:hidden'>
<p:slide>
<v:shape id=3D"_x0000_s0005" type=3D"#_x0000_t202" style=3D'position:absolute;left:44pt;top:137.25pt;width:7.5pt;height:6.75pt;mso-wrap-style:none;v-text-anchor:bottom-baseline' filled=3D"f" stroked=3D"f" strokecolor=3D"black [1]"><v:fill color2=3D"white [0]"/><v:shadow color=3D"gray [2]"/><o:lock v:ext=3D"edit" aspectratio=3D"t"/><v:textbox style=3D'mso-fit-shape-to-text:f' inset=3D"0pt,6.75pt,0pt,0pt"/></v:shape>
<div v:shape=3D"_x0000_s0005" class=3DO ><span style=3D'font-family:wtr;font-size:55.555555555556%;color:#0000ff;mso-line-spacing:"300 0 0"'>&#65</span></div>
<v:line id=3D'_x0000_s0006' style=3D'position:absolute' from=3D"52pt,124pt" to=3D"52pt,144pt" strokecolor=3D'#0000ff' strokeweight=3D'1pt'><v:shadow color=3D'gray [2]'/></v:line>
<v:line id=3D'_x0000_s0007' style=3D'position:absolute' from=3D"57.5pt,134pt" to=3D"57.5pt,144pt" strokecolor=3D'black [1]' strokeweight=3D'10pt'><v:shadow color=3D'gray [2]'/></v:line>
<v:rect id=3D"_x0000_s0008" style=3D'position:absolute;left:44pt;top:124pt;width:18.5pt;height:20pt;mso-wrap-style:none;v-text-anchor:middle' filled=3D"t" stroked=3D"t" strokecolor=3D"black [1]">    <v:stroke opacity=3D"0" color2=3D"white [0]"/>    <v:fill opacity=3D"0" color2=3D"white [0]"/>)"
                                 "\t"
                                 R"(<v:shadow color=3D"gray [2]"/></v:rect>
</p:slide>
</div>
</body>
</html>

------=_NextPart_01C26412.E8D705F0--
)";
    EXPECT_EQ(Convert(dvi.Finish(100, 3)), expected);
}

// A font whose codes start above 0, every character of another size, set in any order
// and again: each box has its own character's size and code.
TEST_F(SlideWriterTest, EachCodeHasItsOwnBox) {
    // Codes 1 to 6 at 16 pt: code k is k pt wide (4 has no width: a square box), k/8 pt
    // high, and 0, 1/8 or -1/8 pt deep in turn. The name has bytes to escape.
    TfmBuilder font{.bc = 1, .chars = {}};
    for (int k = 1; k <= 6; ++k)
        font.chars.push_back({k == 4 ? 0 : k << 16, k << 13, (k % 3 - 1) << 13});
    const std::string name = "a-b_c.d+e9Z x'y=<\xE9";
    kpsewhich.AddFont(name, font.Build());
    DviBuilder dvi = Start(name, 8 * pt, 2000);  // magnified: 16 pt
    dvi.Op(6).Op(1).Op(4).Op(3).Op(5).Op(2).Special("color push rgb 0 0 1").Op(6).Op(1).Eop();
    // Freed memory is filled with 'Z', so that a box made from memory outside the
    // character cache shows.
    mallopt(M_PERTURB, 'Z');
    void* volatile scratch = std::malloc(100000);
    std::free(scratch);
    const std::string package = Convert(dvi.Finish());
    mallopt(M_PERTURB, 0);
    EXPECT_EQ(
        Matches(
            package,
            "left:(.*?)pt;top:(.*?)pt;width:(.*?)pt;height:(.*?)pt;mso-wrap-style:(\\w+)"
            ".*?inset=3D\"0pt,(.*?)pt,0pt,(.*?)pt\".*\n.*?(?:color:#(\\w+))?;mso.*&#(\\d+)<.*\n",
            "$1 $2 $3 $4 $5 $6 $7 $8 $9\n"),
        "44 43.25 6 0.625 none 0.875 0  167\n"
        "50 43.875 1 0.125 none 0.125 0  162\n"
        "51 43.5 0.5 0.5 square 0.5 0  165\n"
        "51 43.625 3 0.25 none 0.5 0  164\n"
        "54 43.375 5 0.75 none 0.625 0.125  166\n"
        "59 43.75 2 0.375 none 0.25 0.125  163\n"
        "61 43.25 6 0.625 none 0.875 0 0000ff 167\n"
        "67 43.875 1 0.125 none 0.125 0 0000ff 162\n");
    EXPECT_NE(package.find("font-family:a-b_c.d+e9Z&#32;x&#39;y&#61;&#60;&#233;;font-size:"
                           "88.888888888889%;"),
              std::string::npos);
}

// The arguments of "color push" specials: three numbers after the five characters that
// hold the model word, each times 255 cut to its low 8 bits, a missing one 0; "Black"
// anywhere; dvips's gray and cmyk models, c + k capped at 1; its named colours, exactly.
TEST(Colour, ParseColour) {
    std::istringstream arguments(
        " rgb 1 0 0| rgb 0.999 1.5 0| rgb -0.5 0 1| rgb 0 1| rgb  .25\t0x1p-1 1e0| rgb 1e300 nan 1|"
        " hsb 1 0 0| rgbx| rgb|| Black| rgb 1 1 1 Black| gray 1 Black| gray 1|gray 0.5|  gray|"
        " grayish 1| cmyk 0 1 1 0| cmyk 0.5 0 0 0.25| cmyk 0.8 0.8 0 0.5|  Apricot| YellowOrange|"
        " ForestGreen| Red | red| Zebra");
    std::string found;
    for (std::string argument; std::getline(arguments, argument, '|');) {
        const RgbColour colour = ParseColour(argument);
        char hex[8];
        std::snprintf(hex, sizeof hex, "%02x%02x%02x ", colour.r, colour.g, colour.b);
        found += hex;
    }
    EXPECT_EQ(found,
              "ff0000 fe7e00 8100ff 00ff00 3f7fff 0000ff ff0000 000000 000000 000000 "
              "000000 000000 000000 ffffff 7f7f7f 000000 000000 ff0000 3fbfbf 00007f "
              "ffad7a ff9300 00e000 000000 000000 000000 ");
}

}  // namespace
