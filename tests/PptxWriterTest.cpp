// The presentation: its package, shapes, colours, paper, glyph outlines from Type 1 and
// TrueType fonts, the text fallback and what it reads besides the DVI file.
#include <gtest/gtest.h>
#include <zip.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/Failure.h"
#include "fonts/FontFileLookup.h"
#include "pptx/glyphs/NativeGlyphs.h"
#include "pptx/PptxWriter.h"
#include "support/TestFont.h"

namespace {

// The parts of a ZIP archive in archive order, read by libzip (which checks each CRC).
std::vector<std::pair<std::string, std::string>> ReadZip(const std::string& path) {
    std::vector<std::pair<std::string, std::string>> parts;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, nullptr);
    for (zip_int64_t i = 0; archive != nullptr && i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t stat;
        zip_stat_index(archive, zip_uint64_t(i), 0, &stat);
        std::string data(stat.size, '\0');
        zip_file_t* file = zip_fopen_index(archive, zip_uint64_t(i), 0);
        EXPECT_EQ(zip_fread(file, data.data(), data.size()), zip_int64_t(data.size()));
        zip_fclose(file);
        parts.emplace_back(stat.name, data);
    }
    if (archive != nullptr) zip_close(archive);
    return parts;
}

constexpr std::int32_t tenPoints = 127000;  // 10 bp in EMU

class PptxWriterTest : public testing::Test {
  protected:
    PptxWriterTest() {
        kpsewhich.AddFont("tst", TestFont().Build());
        MapFile("tst CMR10 <cmr10.pfb\n");
        kpsewhich.Answer("cmr10.pfb", cmr10 + "\n");
    }
    void MapFile(const std::string& lines) {
        kpsewhich.Answer("pdftex.map", dir.Write("pdftex.map", lines) + "\n");
    }
    std::map<std::string, std::string> Convert(const std::string& dviBytes) {
        PptxWriter(dir.Write("in.dvi", dviBytes), dir / "out.pptx", warnings).Run();
        const auto parts = ReadZip(dir / "out.pptx");
        return {parts.begin(), parts.end()};
    }
    // Outlines of `font` at 10 bp, one DVI unit being one EMU.
    const GlyphOutline* Glyph(const std::string& font, std::int32_t c) {
        TfmFont& tfm = *fonts.emplace_back(std::make_unique<TfmFont>());
        tfm.name = font, tfm.scaledSize = tenPoints, tfm.generation = 1;
        return outlines.Find(tfm, c);
    }

    std::string cmr10 = FindFontFile("cmr10.pfb");  // before the stand-in takes its place
    std::string mincho = FindFontFile("HaranoAjiMincho-Regular.otf"),
                min10 = FindFontFile("min10.tfm"), tmin10 = FindFontFile("tmin10.tfm"),
                cmapH = FindConfigFile("H", "dvipdfmx", "cmap");
    FakeKpsewhich kpsewhich;
    TempDir dir;
    std::ostringstream warnings;
    GlyphOutlines outlines{1.0};
    std::vector<std::unique_ptr<TfmFont>> fonts;
};

// Three pages in DVI units of 2 EMU (one EMU at magnification 2000).
TEST_F(PptxWriterTest, ThreePages) {
    if (cmr10.empty()) GTEST_SKIP() << "cmr10.pfb not found";
    // "t'x&" has no outlines: code 31 is 0.5 wide and 0.4375 high, 32 has no size, 33 is
    // 0.125 wide, 0.0625 high and 0.03125 deep.
    TfmBuilder font{.bc = 31, .chars = {{0x80000, 0x70000, 0}, {}, {0x20000, 0x10000, 0x8000}}};
    kpsewhich.AddFont("t'x&", font.Build());
    DviBuilder dvi;
    DefineTst(dvi.Pre(254000, 914400, 2000).Bop(), 0, tenPoints / 2);
    dvi.FontDef(1, tstChecksum, tenPoints / 2, tstDesignSize, "t'x&").Op(171);
    dvi.Op(160, tenPoints / 2, 4).Op(144, 635, 2);  // the baseline 10 bp down, 0.1 bp right
    dvi.Special("color push rgb 1 0 0").Rule(137, 635, 2540).Rule(137, 0, 100);
    dvi.Special("color push rgb 0 1 0").Rule(137, 635, 635).Special("color pop");
    dvi.Special("color pop").Op(65).Op(66).Special("color push gray 0.5").Op(65);
    dvi.Special("color pop").Op(172).Op(33).Op(31).Op(32).Special("color push cmyk 0 0 1 0");
    dvi.Eop().Bop().Op(171).Op(65).Special("background rgb 0 0 1").Special("papersize=5in,4in");
    dvi.Eop().Bop().Special("papersize=1in,1in").Special("color pop").Op(171).Op(65).Eop();
    const std::string dviBytes = dvi.Finish(100, 3);
    auto parts = Convert(dviBytes);
    EXPECT_EQ(parts.size(), 18u);  // the fixed parts, a slide and its relationships per page

    // Glyphs and rules of one colour share a freeform; the empty rule draws nothing.
    std::string shapes;
    for (const char* slide : {"slide1", "slide2", "slide3"})
        shapes +=
            Matches(parts[std::string("ppt/slides/") + slide + ".xml"],
                    "(<p:bg>|name=\"[^\"]+|<a:path(?= )|srgbClr val=\"\\w+|<a:t>[^<]+)", "$1 ") +
            "| ";
    // CMYK yellow as Ghostscript draws it: FFF200.
    EXPECT_EQ(shapes,
              "name=\"Freeform 1 <a:path srgbClr val=\"FF0000 name=\"Freeform 2 <a:path "
              "srgbClr val=\"00FF00 name=\"Freeform 3 <a:path <a:path srgbClr val=\"000000 "
              "name=\"Freeform 4 <a:path srgbClr val=\"7F7F7F name=\"Text 5 srgbClr val=\"000000 "
              "<a:t>\uFFFD name=\"Text 6 srgbClr val=\"000000 <a:t>\uFFFD name=\"Text 7 "
              "srgbClr val=\"000000 <a:t>\uFFFD | <p:bg> srgbClr val=\"0000FF name=\"Freeform 1 "
              "<a:path srgbClr val=\"FFF200 | <p:bg> srgbClr val=\"0000FF name=\"Freeform 1 "
              "<a:path srgbClr val=\"000000 | ");
    // The red rule, 0.1 bp high and 0.4 bp wide, one inch from the corner.
    EXPECT_NE(parts["ppt/slides/slide1.xml"].find(
                  "<a:xfrm><a:off x=\"915670\" y=\"1040130\"/><a:ext cx=\"5080\" cy=\"1270\"/>"
                  "</a:xfrm><a:custGeom><a:avLst/><a:gdLst/><a:ahLst/><a:cxnLst/><a:rect l=\"l\" "
                  "t=\"t\" r=\"r\" b=\"b\"/><a:pathLst><a:path w=\"40\" h=\"10\" stroke=\"0\">"
                  "<a:moveTo><a:pt x=\"0\" y=\"0\"/></a:moveTo><a:lnTo><a:pt x=\"40\" y=\"0\"/>"
                  "</a:lnTo><a:lnTo><a:pt x=\"40\" y=\"10\"/></a:lnTo><a:lnTo><a:pt x=\"0\" "
                  "y=\"10\"/></a:lnTo><a:close/></a:path></a:pathLst>"),
              std::string::npos);
    // A font without outlines and without a known encoding: its characters, whose text
    // is unknown, are drawn as U+FFFD. No font here measures them, so each stands in a
    // box of its own, where TeX put it.
    EXPECT_EQ(Matches(parts["ppt/slides/slide1.xml"], "Text.*?<a:off (x=\"\\d+\")", "$1 "),
              "x=\"1042670\" x=\"1058544\" x=\"1122044\" ");
    EXPECT_EQ(warnings.str(), "Font t'x& has no Type 1 outline: its characters are set as text\n");

    // The first papersize special decides.
    EXPECT_TRUE(parts["ppt/presentation.xml"].ends_with(
        "<p:sldIdLst><p:sldId id=\"256\" r:id=\"rId6\"/><p:sldId id=\"257\" r:id=\"rId7\"/>"
        "<p:sldId id=\"258\" r:id=\"rId8\"/></p:sldIdLst><p:sldSz cx=\"4572000\" "
        "cy=\"3657600\"/><p:notesSz cx=\"6858000\" cy=\"9144000\"/></p:presentation>"));
    // The same DVI file gives the same bytes, in any time zone.
    const std::string first = dir.Read("out.pptx");
    setenv("TZ", "JST-9", 1);  // the tests run in the machine's own zone otherwise
    tzset();
    Convert(dviBytes);
    unsetenv("TZ");
    tzset();
    EXPECT_EQ(dir.Read("out.pptx"), first);
}

// Font 0 is redefined under another name after its A is set, while the A still waits in
// the page's freeform; the new font draws the same outline.
TEST_F(PptxWriterTest, AFontReloadedInThePageKeepsItsGlyphsDrawn) {
    if (cmr10.empty()) GTEST_SKIP() << "cmr10.pfb not found";
    kpsewhich.AddFont("tst2", TestFont().Build());
    MapFile("tst CMR10 <cmr10.pfb\ntst2 CMR10 <cmr10.pfb\n");
    const auto page = [&](const std::string& secondName) {
        DviBuilder dvi;
        DefineTst(dvi.Pre().Bop(), 0, tenPoints).Op(171).Op(65);
        dvi.FontDef(0, tstChecksum, tenPoints, tstDesignSize, secondName).Op(171).Op(66);
        return Convert(dvi.Eop().Finish()).at("ppt/slides/slide1.xml");
    };
    const std::string reloaded = page("tst2");
    EXPECT_EQ(Matches(reloaded, "(<a:path) ", "$1 "), "<a:path <a:path ");
    EXPECT_EQ(reloaded, page("tst"));
}

// In pTeX's vertical text a virtual font's packet moves as the page's commands do: down
// the page along the line, leftwards across it (pLaTeX's fonts are virtual, and their
// packets move the brackets' glyphs). The packet's rule lands where the same commands
// put it when they stand in the page.
TEST_F(PptxWriterTest, AVirtualFontsPacketTurnsWithVerticalText) {
    std::string vf = "\xF7\xCA";
    // (A VF file gives design sizes as fix_words: 2^20 to the point, where DVI has 2^16.)
    vf += DviBuilder().Byte(0).Value(tstChecksum, 4).Value(tstDesignSize << 4, 4).bytes;
    vf += DviBuilder().FontDef(0, tstChecksum, 1 << 20, tstDesignSize << 4, "tst").bytes;
    const std::string packet = DviBuilder().Op(157, 7, 1).Op(143, 20, 1).Rule(132, 3, 40).bytes;
    vf += DviBuilder().Byte(int(packet.size())).Byte(66).Value(0, 3).Text(packet).Byte(248).bytes;
    kpsewhich.AddFont("vtst", TestFont().Build());
    kpsewhich.Answer("vtst.vf", dir.Write("vtst.vf", vf) + "\n");
    const auto slide = [&](const std::string& commands) {
        DviBuilder dvi;
        dvi.postId = 3;
        dvi.Pre().Bop().FontDef(0, tstChecksum, 1 << 20, tstDesignSize, "vtst").Op(255, 1, 1);
        try {
            return Convert(dvi.Op(171).Text(commands).Eop().Finish()).at("ppt/slides/slide1.xml");
        } catch (const Failure& failure) {
            return failure.Message();
        }
    };
    const std::string drawn = slide("B");
    EXPECT_EQ(drawn, slide("\x8D" + packet + "\x8E"));
    EXPECT_NE(drawn.find("<a:path"), std::string::npos);
}

// XeTeX's glyph runs: drawn from the font file by glyph id in the font's colour and
// opacity, emboldened by a stroke as many big points wide as the embolden value, their
// text from the font's character map on the text layer; a font file that is not there
// is said once, and the run's own text is set (and drawn) by the text layer.
TEST_F(PptxWriterTest, XeTeXsGlyphRuns) {
    const std::string dejavu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    if (!std::filesystem::exists(dejavu)) GTEST_SKIP() << dejavu << " not found";
    GlyphOutlines names(1.0);
    NativeGlyphs fonts(1.0, names, warnings);
    NativeFont file;
    file.file = dejavu;
    file.size = tenPoints;
    NativeGlyphs::Font* font = fonts.Prepare(file);
    ASSERT_NE(font, nullptr);
    const std::uint32_t a = fonts.GlyphOfCharacter(*font, 'A');
    ASSERT_NE(a, 0u);
    DviBuilder xdv;
    xdv.preId = xdv.postId = 7;
    xdv.Pre().Bop().Op(252, 1, 4).Value(tenPoints, 4).Value(0x4200, 2);
    xdv.Byte(int(dejavu.size())).Text(dejavu).Value(0, 4).Value(0xFF000080, 4).Value(0x20000, 4);
    xdv.Op(172).Op(253, 500, 4).Value(1, 2).Value(0, 4).Value(0, 4).Value(a, 2);
    xdv.Op(252, 2, 4).Value(tenPoints, 4).Value(0, 2).Byte(16).Text("/nonexistent.otf").Value(0, 4);
    xdv.Op(173)
        .Op(254, 2, 2)
        .Value('o', 2)
        .Value('k', 2)
        .Value(500, 4)
        .Value(1, 2)
        .Value(0, 8)
        .Value(7, 2);
    xdv.Op(173).Op(253, 500, 4).Value(1, 2).Value(0, 8).Value(7, 2).Eop();
    const std::string slide = Convert(xdv.Finish()).at("ppt/slides/slide1.xml");
    EXPECT_EQ(Matches(slide, "<a:path w[^>]*?( stroke=\"0\")?>", "[$1]"), "[]");
    EXPECT_EQ(
        Matches(slide,
                "<a:ln w=\"(\\d+)\"><a:solidFill><a:srgbClr val=\"(\\w+)\"><a:alpha val=\"(\\d+)\"",
                "$1 $2 $3"),
        "25400 FF0000 50196");
    EXPECT_EQ(Matches(slide, "<a:t>([^<]*)</a:t>", "$1|"), "A|ok|\xEF\xBF\xBD|");
    EXPECT_EQ(warnings.str(), "Font file /nonexistent.otf not found: its glyphs are set as text\n");
}

// pTeX's Japanese fonts: the system's map names a font it does not embed, so TeX Live's
// Harano Aji map gives the font file; the JIS code goes through the CMap H to the glyph,
// whose text comes from the font. A JFM font without a map entry is said once and its
// characters are set by the text layer.
TEST_F(PptxWriterTest, JapaneseFontsThroughTheMapsAndCMaps) {
    if (mincho.empty() || min10.empty() || tmin10.empty() || cmapH.empty())
        GTEST_SKIP() << "TeX Live's Japanese fonts are not installed";
    kpsewhich.Answer("kanjix.map",
                     dir.Write("kanjix.map", "% system\nmin10 H !Ryumin-Light\n") + "\n");
    kpsewhich.Answer("ptex-haranoaji.map",
                     dir.Write("haranoaji.map", "min10\tH\tHaranoAjiMincho-Regular.otf\n") + "\n");
    kpsewhich.Answer("HaranoAjiMincho-Regular.otf", mincho + "\n");
    kpsewhich.Answer("H", cmapH + "\n");
    std::string checksums;
    for (const auto& [name, path] : {std::pair{"min10", min10}, {"tmin10", tmin10}}) {
        std::ifstream file(path, std::ios::binary);
        const std::string tfm((std::istreambuf_iterator<char>(file)), {});
        kpsewhich.AddFont(name, tfm);
        checksums += tfm.substr(28, 4);
    }
    const auto checksum = [&](int i) {
        return static_cast<std::int32_t>(std::uint32_t(std::uint8_t(checksums[4 * i])) << 24 |
                                         std::uint8_t(checksums[4 * i + 1]) << 16 |
                                         std::uint8_t(checksums[4 * i + 2]) << 8 |
                                         std::uint8_t(checksums[4 * i + 3]));
    };
    DviBuilder dvi;
    dvi.Pre().Bop().FontDef(0, checksum(0), 10 << 16, 10 << 16, "min10").Op(171).Op(129, 0x2422, 2);
    dvi.FontDef(1, checksum(1), 10 << 16, 10 << 16, "tmin10").Op(172).Op(129, 0x2422, 2).Eop();
    const std::string slide = Convert(dvi.Finish()).at("ppt/slides/slide1.xml");
    EXPECT_EQ(Matches(slide, "<a:t>([^<]*)</a:t>", "$1|"), "\xE3\x81\x82|\xEF\xBF\xBD|");
    EXPECT_EQ(Matches(slide, "(<a:path) ", "$1 "), "<a:path ");
    EXPECT_EQ(warnings.str(),
              "Japanese font tmin10 has no font file in dvipdfmx's maps: its characters are set "
              "as text\n");
}

// Outlines as the map says: effects, encoding files (with comments) and the forms of file
// fields, the first entry of a name counting; a resident font, a lost file, an encoding
// without a vector and a name the map does not list (or only in a comment) give none.
TEST_F(PptxWriterTest, OutlinesAsTheMapSays) {
    if (cmr10.empty()) GTEST_SKIP() << "cmr10.pfb not found";
    kpsewhich.Answer("move.enc",
                     dir.Write("move.enc", "% / [ ]\n/Move [ % vector\n/A/B%/C\n] def\n") + "\n");
    kpsewhich.Answer("open.enc", dir.Write("open.enc", "/Open [ /A /B\n") + "\n");
    MapFile(
        "% cmr12 CMR10 <cmr10.pfb\ncmr10 CMR10 <cmr10.pfb\ncmr10 Other <lost.pfb\n"
        "slanted CMR10 \" .5 SlantFont TeXBase1Encoding ReEncodeFont \" < cmr10.pfb\n"
        "wide CMR10 \"2 ExtendFont\" <<cmr10.pfb\nmoved CMR10 <[move.enc <cmr10.pfb\n"
        "bad CMR10 \"X SlantFont\" <cmr10.pfb\n  indented <cmr10.pfb\nresident Helvetica\n"
        "lost CMR10 <lost.pfb\nopen CMR10 <open.enc <cmr10.pfb\n");
    const GlyphOutline* a = Glyph("cmr10", 'A');
    ASSERT_TRUE(a != nullptr && a->steps.size() > 2 &&
                a->steps.back() == GlyphOutline::Step::Close);
    for (const auto& [font, code, slant, extend] : {std::tuple{"slanted", 'A', 0.5, 1.0},
                                                    {"wide", 'A', 0.0, 2.0},
                                                    {"moved", '\0', 0.0, 1.0},
                                                    {"bad", 'A', 0.0, 1.0}}) {
        const GlyphOutline* glyph = Glyph(font, code);
        ASSERT_TRUE(glyph != nullptr && glyph->steps == a->steps) << font;
        for (std::size_t i = 0; i < a->points.size(); i += 2) {
            EXPECT_NEAR(glyph->points[i], extend * a->points[i] - slant * a->points[i + 1], 2);
            EXPECT_EQ(glyph->points[i + 1], a->points[i + 1]) << font;
        }
    }
    EXPECT_TRUE(Glyph("cmr10", 200)->steps.empty());  // a code the font does not have
    EXPECT_TRUE(Glyph("moved", 2)->steps.empty());    // a code the encoding does not name
    for (const char* font : {"indented", "resident", "lost", "open", "cmr12"})
        EXPECT_EQ(Glyph(font, 'A'), nullptr) << font;
}

// A TrueType font's quadratic curves become cubics that draw the same curve: a cubic's
// control points lie 2/3 of the way from its ends to the quadratic's control point, so
// going 1.5 times as far from both ends reaches the same point.
TEST_F(PptxWriterTest, QuadraticCurvesBecomeTheSameCubics) {
    const std::string ttf = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    if (!std::filesystem::exists(ttf)) GTEST_SKIP() << ttf << " not found (fonts-dejavu-core)";
    kpsewhich.Answer("DejaVuSans.ttf", ttf + "\n");
    MapFile("dejavu DejaVuSans <DejaVuSans.ttf\n");
    const GlyphOutline* o = Glyph("dejavu", 'o');
    ASSERT_NE(o, nullptr);
    int curves = 0;
    const std::int64_t* p = o->points.data();  // the step's points; p[-2], p[-1] before them
    for (const GlyphOutline::Step step : o->steps) {
        if (step == GlyphOutline::Step::Cubic) {
            ++curves;
            for (int xy = 0; xy < 2; ++xy) {
                EXPECT_NEAR(p[xy - 2] + 1.5 * (p[xy] - p[xy - 2]),
                            p[xy + 4] + 1.5 * (p[xy + 2] - p[xy + 4]), 0.0001 * tenPoints);
            }
        }
        p += step == GlyphOutline::Step::Cubic ? 6 : step == GlyphOutline::Step::Close ? 0 : 2;
    }
    EXPECT_GE(curves, 8);
}

// Width and height in big points, or nothing.
TEST(PaperSize, Specials) {
    std::string found;
    for (const char* special :
         {"papersize=8.5in,11in", "papersize=5truein,4truein", "papersize=72.27pt,7227pt",
          "papersize=254mm,2.54cm", "papersize=+100bp, 200bp", "papersize=1pc,1sp",
          "papersize=1157dd,1cc", "papersize=", "papersize=10pt", "papersize=10pt;20pt",
          "papersize=10,20", "papersize=10pt,20pt trailing", "papersize=-10pt,20pt",
          "papersize=0pt,20pt", "papersize=20pt,0pt", "papersize=1e3pt,20pt", "paper=1in,1in"}) {
        const std::optional<PaperSize> size = ParsePaperSize(special);
        char text[64] = "none ";
        if (size) std::snprintf(text, sizeof text, "%.9g,%.9g ", size->width, size->height);
        found += text;
    }
    EXPECT_EQ(found,
              "612,792 360,288 72,7200 720,72 100,200 11.9551681,1.52017824e-05 "
              "1233.37484,12.7921332 none none none none none none none none none none ");
}

// Slides of a few bytes to a few megabytes, so the workers that deflate them finish out
// of order: they come back whole and in order, and only the archive is left.
TEST(ZipPackage, PartsComeBackWholeAndInOrder) {
    TempDir dir;
    std::vector<std::pair<std::string, std::string>> expected{{"first.xml", "<a/>"}};
    ZipPackage package;
    package.Create(dir / "out.zip");
    package.Add("first.xml", "<a/>");
    for (int i = 0; i < 40; ++i) {
        std::string data;
        for (int k = i % 8 == 0 ? 0 : (i % 5) * (i % 5) * 20000 + i; k > 0; --k)
            data += "<a:pt x=\"" + std::to_string(k * i) + "\"/>";
        expected.emplace_back("slides/slide" + std::to_string(i) + ".xml", data);
        package.AddSpooled(expected.back().first, data);
    }
    package.Commit();
    EXPECT_EQ(ReadZip(dir / "out.zip"), expected);
    EXPECT_EQ(std::ranges::distance(std::filesystem::directory_iterator(dir.path)), 1);
}

}  // namespace
