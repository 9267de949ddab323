// The presentation writer: package parts, freeform shapes, colours, backgrounds and
// paper size, glyph outlines from a real Type 1 font, the text fallback, and the
// program's contract (nothing is left behind by a failed run).
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "common/Failure.h"
#include "fonts/FontFileLookup.h"
#include "pptx/GlyphOutlines.h"
#include "pptx/PptxWriter.h"
#include "support/ReadZip.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"
#include "support/TestFont.h"

namespace {

// Every match of `pattern`'s first group in `text`.
std::vector<std::string> All(const std::string& text, const std::string& pattern) {
    std::vector<std::string> found;
    const std::regex expression(pattern);
    for (auto i = std::sregex_iterator(text.begin(), text.end(), expression);
         i != std::sregex_iterator(); ++i)
        found.push_back((*i)[1]);
    return found;
}

// DVI units of exactly one EMU: num / den = 254000 / 914400.
DviBuilder EmuDvi() {
    DviBuilder dvi;
    dvi.Pre(254000, 914400);
    return dvi;
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
    // Converts the DVI bytes; the parts by name.
    std::map<std::string, std::string> Convert(const std::string& dviBytes) {
        const std::string dvi = dir.Write("in.dvi", dviBytes);
        PptxWriter writer(dvi, dir / "out.pptx", warnings);
        writer.Run();
        std::map<std::string, std::string> parts;
        for (auto& [name, data] : ReadZip(dir / "out.pptx")) parts[name] = data;
        return parts;
    }

    // Found before the stand-in kpsewhich below takes its place.
    std::string cmr10 = FindFontFile("cmr10.pfb");
    FakeKpsewhich kpsewhich;
    TempDir dir;
    std::ostringstream warnings;
};

TEST_F(PptxWriterTest, PackageParts) {
    DviBuilder dvi = EmuDvi();
    dvi.Bop().Eop().Bop().Eop();
    const std::string dviFile = dir.Write("in.dvi", dvi.Finish(100, 2));
    PptxWriter(dviFile, dir / "out.pptx", warnings).Run();
    const auto parts = ReadZip(dir / "out.pptx");

    std::vector<std::string> names;
    for (const auto& part : parts) names.push_back(part.first);
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front(), "[Content_Types].xml");
    for (const std::string name :
         {"_rels/.rels", "ppt/presentation.xml", "ppt/slides/slide1.xml", "ppt/slides/slide2.xml",
          "ppt/slides/_rels/slide2.xml.rels", "ppt/theme/theme1.xml"}) {
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
    }
    std::map<std::string, std::string> byName(parts.begin(), parts.end());
    EXPECT_EQ(All(byName["ppt/presentation.xml"], "<p:sldId id=\"(\\d+)\""),
              (std::vector<std::string>{"256", "257"}));
    // No papersize special: US letter.
    EXPECT_NE(byName["ppt/presentation.xml"].find("<p:sldSz cx=\"7772400\" cy=\"10058400\"/>"),
              std::string::npos);
    EXPECT_EQ(All(byName["[Content_Types].xml"], "PartName=\"/ppt/slides/(slide\\d+.xml)\""),
              (std::vector<std::string>{"slide1.xml", "slide2.xml"}));
    EXPECT_EQ(All(byName["ppt/_rels/presentation.xml.rels"], "Target=\"slides/(slide\\d+.xml)\""),
              (std::vector<std::string>{"slide1.xml", "slide2.xml"}));

    // The same DVI file gives the same bytes.
    const std::string first = dir.Read("out.pptx");
    PptxWriter(dviFile, dir / "out.pptx", warnings).Run();
    EXPECT_EQ(dir.Read("out.pptx"), first);
}

TEST_F(PptxWriterTest, RunsOfOneColourShareAFreeform) {
    if (cmr10.empty()) GTEST_SKIP() << "cmr10.pfb not found";
    DviBuilder dvi = EmuDvi();
    DefineTst(dvi.Bop(), 0, tenPoints).Op(171);  // fnt_num_0
    dvi.Op(160, 127000, 4);                      // down4: the baseline 10 bp below the origin
    dvi.Special("color push rgb 1 0 0").Rule(132, 635, 2540).Rule(132, 0, 100);
    dvi.Special("color push rgb 0 1 0").Rule(137, 635, 635).Special("color pop");  // put_rule
    dvi.Special("color pop").Op(65).Op(66);  // A and B: one black freeform
    dvi.Special("color push gray 0.5").Op(65).Special("color pop").Eop();
    const auto parts = Convert(dvi.Finish());
    const std::string& slide = parts.at("ppt/slides/slide1.xml");

    EXPECT_EQ(All(slide, "name=\"(Freeform \\d+)\""),
              (std::vector<std::string>{"Freeform 1", "Freeform 2", "Freeform 3", "Freeform 4"}));
    EXPECT_EQ(All(slide, "<a:srgbClr val=\"(\\w+)\"/>"),
              (std::vector<std::string>{"FF0000", "00FF00", "000000", "7F7F7F"}));
    EXPECT_EQ(All(slide, "(<a:path )").size(), 5u);  // the empty rule draws nothing
    // The rule: h = 0, v = 10 bp, a = 0.05 bp, b = 0.2 bp, one inch from the corner.
    EXPECT_NE(slide.find("<a:xfrm><a:off x=\"914400\" y=\"1040765\"/>"
                         "<a:ext cx=\"2540\" cy=\"635\"/></a:xfrm>"),
              std::string::npos);
    EXPECT_NE(slide.find("<a:path w=\"20\" h=\"5\" stroke=\"0\"><a:moveTo><a:pt x=\"0\" y=\"0\"/>"
                         "</a:moveTo><a:lnTo><a:pt x=\"20\" y=\"0\"/></a:lnTo><a:lnTo>"
                         "<a:pt x=\"20\" y=\"5\"/></a:lnTo><a:lnTo><a:pt x=\"0\" y=\"5\"/>"
                         "</a:lnTo><a:close/></a:path>"),
              std::string::npos);
    EXPECT_EQ(warnings.str(), "");
}

TEST_F(PptxWriterTest, ColourBackgroundAndPaperCarryAcrossPages) {
    if (cmr10.empty()) GTEST_SKIP() << "cmr10.pfb not found";
    DviBuilder dvi = EmuDvi();
    DefineTst(dvi.Bop(), 0, tenPoints);
    dvi.Op(171).Special("color push cmyk 0 0 1 0").Op(65).Eop();
    dvi.Bop().Op(171).Op(65).Special("background rgb 0 0 1").Special("papersize=5in,4in").Eop();
    dvi.Bop().Special("papersize=1in,1in").Special("color pop").Op(171).Op(65).Eop();
    const auto parts = Convert(dvi.Finish(100, 3));

    const std::string background = "<p:bg><p:bgPr><a:solidFill><a:srgbClr val=\"0000FF\"/>";
    const std::string slides[] = {parts.at("ppt/slides/slide1.xml"),
                                  parts.at("ppt/slides/slide2.xml"),
                                  parts.at("ppt/slides/slide3.xml")};
    EXPECT_EQ(slides[0].find(background), std::string::npos);
    EXPECT_NE(slides[1].find(background), std::string::npos);  // set in the middle of the page
    EXPECT_NE(slides[2].find(background), std::string::npos);
    EXPECT_NE(slides[1].find("<a:srgbClr val=\"FFFF00\"/>"), std::string::npos);  // still pushed
    EXPECT_NE(slides[2].find("<a:srgbClr val=\"000000\"/>"), std::string::npos);
    // The first papersize special decides.
    EXPECT_NE(parts.at("ppt/presentation.xml").find("<p:sldSz cx=\"4572000\" cy=\"3657600\"/>"),
              std::string::npos);
}

TEST_F(PptxWriterTest, AFontReloadedInThePageKeepsItsGlyphsDrawn) {
    if (cmr10.empty()) GTEST_SKIP() << "cmr10.pfb not found";
    kpsewhich.AddFont("tst2", TestFont().Build());
    MapFile("tst CMR10 <cmr10.pfb\ntst2 CMR10 <cmr10.pfb\n");
    // Font 0 is redefined under another name after its A is set, while the A still
    // waits in the page's freeform; the new font draws the same outline.
    const auto page = [&](const std::string& secondName) {
        DviBuilder dvi = EmuDvi();
        DefineTst(dvi.Bop(), 0, tenPoints).Op(171).Op(65);
        dvi.FontDef(0, tstChecksum, tenPoints, tstDesignSize, secondName).Op(171).Op(66).Eop();
        return Convert(dvi.Finish()).at("ppt/slides/slide1.xml");
    };
    const std::string reloaded = page("tst2");
    EXPECT_EQ(All(reloaded, "(<a:path )").size(), 2u);
    EXPECT_EQ(reloaded, page("tst"));
}

TEST_F(PptxWriterTest, FontsWithoutOutlinesAreSetAsText) {
    MapFile("other CMR10 <cmr10.pfb\n");
    DviBuilder dvi = EmuDvi();
    DefineTst(dvi.Bop(), 0, tenPoints).Op(171).Op(65).Op(66).Eop();
    const auto parts = Convert(dvi.Finish());
    const std::string& slide = parts.at("ppt/slides/slide1.xml");

    EXPECT_EQ(warnings.str(), "Font tst has no Type 1 outline: its characters are set as text\n");
    EXPECT_EQ(All(slide, "<a:t>(.*?)</a:t>"), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(All(slide, "<a:latin typeface=\"(.*?)\"/>"),
              (std::vector<std::string>{"tst", "tst"}));
    EXPECT_EQ(All(slide, "<a:rPr lang=\"en-US\" sz=\"(\\d+)\">"),
              (std::vector<std::string>{"1000", "1000"}));
    // A is 0.5 of the size wide and 0.4375 high (55562.5 DVI units, cut to 55562 as TeX's
    // DVI readers cut character dimensions); it stands on the baseline.
    EXPECT_NE(slide.find("<a:off x=\"914400\" y=\"858838\"/><a:ext cx=\"63500\" cy=\"55562\"/>"),
              std::string::npos);
}

// Outlines of cmr10 at 10 bp, one DVI unit being one EMU.
class GlyphOutlinesTest : public PptxWriterTest {
  protected:
    const GlyphOutline* Glyph(const std::string& font, std::int32_t c) {
        auto tfmFont = std::make_unique<TfmFont>();
        tfmFont->name = font;
        tfmFont->scaledSize = tenPoints;
        tfmFont->generation = 1;
        fonts.push_back(std::move(tfmFont));
        return outlines.Find(*fonts.back(), c);
    }
    GlyphOutlines outlines{1.0};
    std::vector<std::unique_ptr<TfmFont>> fonts;
};

TEST_F(GlyphOutlinesTest, ShapesFromTheFontFile) {
    if (cmr10.empty()) GTEST_SKIP() << "cmr10.pfb not found";
    dir.Write("swap.enc", "/Swap [ /B /A ] def\n");
    kpsewhich.Answer("swap.enc", (dir / "swap.enc") + "\n");
    MapFile(
        "cmr10 CMR10 <cmr10.pfb\n"
        "slanted CMR10 \".5 SlantFont\" <cmr10.pfb\n"
        "wide CMR10 \"2 ExtendFont\" <cmr10.pfb\n"
        "swapped CMR10 <swap.enc <cmr10.pfb\n"
        "lost CMR10 <lost.pfb\n");

    // cmr10's A fits the width of its TFM box, 0.75 em, rises 0.716 em (the apex above the
    // TFM height of 0.683 em) and stands on the baseline; y grows downwards on the slide.
    const GlyphOutline* a = Glyph("cmr10", 'A');
    ASSERT_NE(a, nullptr);
    ASSERT_FALSE(a->steps.empty());
    EXPECT_EQ(a->steps.front(), GlyphOutline::Step::Move);
    EXPECT_EQ(a->steps.back(), GlyphOutline::Step::Close);
    EXPECT_NEAR(a->minY, -0.716 * tenPoints, 0.002 * tenPoints);  // the apex overshoots
    EXPECT_NEAR(a->maxY, 0, 0.001 * tenPoints);
    EXPECT_GE(a->minX, -0.01 * tenPoints);
    EXPECT_LE(a->maxX, 0.76 * tenPoints);

    // Effects and encodings change the points as the map says.
    struct Case {
        std::string font;
        std::int32_t code;
        double slant, extend;
    } cases[] = {{"slanted", 'A', 0.5, 1}, {"wide", 'A', 0, 2}, {"swapped", 1, 0, 1}};
    for (const Case& c : cases) {
        const GlyphOutline* glyph = Glyph(c.font, c.code);
        ASSERT_NE(glyph, nullptr) << c.font;
        ASSERT_EQ(glyph->steps, a->steps) << c.font;
        for (std::size_t i = 0; i < a->points.size(); i += 2) {
            const double x = a->points[i], y = a->points[i + 1];
            EXPECT_NEAR(glyph->points[i], c.extend * x - c.slant * y, 2) << c.font;
            EXPECT_EQ(glyph->points[i + 1], a->points[i + 1]) << c.font;
        }
    }

    EXPECT_TRUE(Glyph("cmr10", 200)->steps.empty());  // a code the font does not have
    EXPECT_EQ(Glyph("lost", 'A'), nullptr);           // its font file is not found
    EXPECT_EQ(Glyph("cmr12", 'A'), nullptr);          // not in the map
}

TEST(PptxDriver, AFailedRunLeavesNothingBehind) {
    TempDir dir;
    FakeKpsewhich kpsewhich;
    kpsewhich.AddFont("tst", TestFont().Build());
    DviBuilder dvi;
    dvi.Pre();
    DefineTst(dvi.Bop()).Op(171).Eop().Bop().Op(172).Eop();  // page 2: font 1 is not defined
    const std::string dviFile = dir.Write("in.dvi", dvi.Finish(100, 2));
    const std::string notDvi = dir.Write("notes.txt", "not a DVI file");
    dir.Write("old.pptx", "keep me");

    struct Case {
        std::string dvi, output, message;
    } cases[] = {
        {dviFile, dir / "new.pptx", "Font number not found"},
        {dviFile, dir / "old.pptx", "Font number not found"},
        {notDvi, dir / "old.pptx", "Not a DVI file"},
        {dviFile, dir / "no/such/dir.pptx", "Failed to create " + (dir / "no/such/dir.pptx")},
    };
    for (const Case& c : cases) {
        const ProgramResult result = RunProgram(DECKGEN_PPTX_BINARY, dir, {c.dvi, c.output});
        EXPECT_EQ(result.status, 1) << c.output;
        EXPECT_EQ(result.err, c.message);
        std::set<std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path))
            files.insert(entry.path().filename());
        EXPECT_EQ(files,
                  (std::set<std::string>{"in.dvi", "notes.txt", "old.pptx", "stdout", "stderr"}));
        EXPECT_EQ(dir.Read("old.pptx"), "keep me");
    }
}

}  // namespace
