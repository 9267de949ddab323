// PostScript graphics: the records the interpreter writes, read strictly; the specials
// as dvips turns them into PostScript, figure names refused; and the real Ghostscript
// under hostile PostScript, which leaves out what fails and goes on.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "pptx/shapes/PaintGeometry.h"
#include "pptx/shapes/PaintRaster.h"
#include "ps/PaintRecords.h"
#include "ps/PostScriptGraphics.h"
#include "support/Boxes.h"
#include "support/Programs.h"

namespace {

constexpr char clip[] = "m 0 0\nl 100 0\nl 100 100\nl 0 100\nh\ne\n";

}  // namespace

TEST(PaintRecords, ReadsWhatIsWellFormedAndDropsTheRest) {
    struct Case {
        std::string records;
        std::size_t paints, dropped;
        std::string error;
    };
    const std::string path = "m 10 90\nc 20 80 30 70 40 60\nl 50 50\nh\ne\n";
    for (const Case& c : std::initializer_list<Case>{
             {"f 1 1 0 0\n" + std::string(clip) + path + "d 0\n", 1, 0, ""},
             {"s 0 0 1 2 1 2 10 0 2 3 1\n" + std::string(clip) + path + "d 0\n", 1, 0, ""},
             {"g 2 0 0 100 0 1 0 0 1 0 0 0 1 0 1 0 0 100 0 0 1\n" + std::string(clip) + "e\nd 0\n",
              1, 0, ""},
             {"i 2 1 8 1 0 0 0 1 0 0 -1 0 1\nx 00ff\n" + std::string(clip) + "d 0\n", 1, 0, ""},
             {"gs says hello\nf 0 0 0 0\n" + std::string(clip) + path + "d 1 undefined\n", 1, 0,
              "undefined"},
             {"f 0 -1 0 1 0 0\n" + std::string(clip) + path + "d 0\n", 1, 0, ""},  // CMYK
             {"f 0 -1 0 1 0\n" + std::string(clip) + path + "d 0\n", 0, 1, ""},
             {"f 0 2 0 0\n" + std::string(clip) + path + "d 0\n", 0, 1, ""},  // colour > 1
             {"f 0 nan 0 0\n" + std::string(clip) + path + "d 0\n", 0, 1, ""},
             {"f 0 0 0 0\n" + std::string(clip) + "l 1 1\ne\nd 0\n", 0, 1, ""},          // no move
             {"f 0 0 0 0\nm 1e12 0\ne\n" + path + "d 0\n", 0, 1, ""},                    // too far
             {"s 0 0 0 1 7 0 10 0 0\n" + std::string(clip) + path + "d 0\n", 0, 1, ""},  // cap
             {"g 2 0 0 1 0 1 0 0 1 0 0 0 0 ?\n" + std::string(clip) + "e\nd 0\n", 0, 1, ""},
             {"i 4 4 8 1 0 0 0 1 0 0 1 0 0\nx 00zz\n" + std::string(clip) + "d 0\n", 0, 1, ""},
             {"i 1 1 8 1 0 0 0 1 0 0 1 0 0\nx 0000\n" + std::string(clip) + "d 0\n", 0, 1, ""},
             {"f 0 0 0 0\nm 0 0\nd 0\n", 0, 1, ""},  // the chunk ends inside a record
             // Characters shown: a line each, names printable and short.
             {"t 10 90 20 90 12 A Helvetica\nt 20 90 30 90 12 B Helvetica\nd 0\n", 2, 0, ""},
             {"t 10 90 20 90 0 A Helvetica\nd 0\n", 0, 1, ""},  // no size
             {"t 10 90 20 90 12 A\nd 0\n", 0, 1, ""},           // no font
             {"t 10 90 20 90 12 A\x01 F\nd 0\n", 0, 1, ""},
             {"t 10 90 20 12 A F\nd 0\n", 0, 1, ""},
             // Soft masks: a record of a mask's group, one painted through it; a mask line
             // out of range drops its record.
             {"M 1 0 0\nK 1\nf 0 0 0 0\n" + std::string(clip) + path + "k 1\nf 0 1 0 0\n" +
                  std::string(clip) + path + "d 0\n",
              2, 0, ""},
             {"k 0\nf 0 0 0 0\n" + std::string(clip) + path + "d 0\n", 0, 1, ""},
             {"K 1.5\nf 0 0 0 0\n" + std::string(clip) + path + "d 0\n", 0, 1, ""},
         }) {
        const ChunkReport report = ReadPaintRecords(c.records, 100);
        EXPECT_TRUE(report.finished) << c.records;
        EXPECT_EQ(report.paints.size(), c.paints) << c.records;
        EXPECT_EQ(report.dropped, c.dropped) << c.records;
        EXPECT_EQ(report.error, c.error) << c.records;
    }
    // Default user space (big points, y upwards on a page 100 high) to slide EMU.
    const ChunkReport report =
        ReadPaintRecords("f 0 0 0 0\n" + std::string(clip) + path + "d 0 1 0 0 1 5 6\n", 100);
    ASSERT_EQ(report.paints.size(), 1u);
    EXPECT_EQ(report.paints[0].path.points[0], 10 * 12700.0);
    EXPECT_EQ(report.paints[0].path.points[1], 10 * 12700.0);
    ASSERT_TRUE(report.transform);
    EXPECT_EQ((*report.transform)[5], 6);
    const ChunkReport shown =
        ReadPaintRecords("t 10 90 20 80 12 quoteright Times-Roman\nd 0\n", 100);
    ASSERT_EQ(shown.paints.size(), 1u);
    const ShownGlyph& glyph = shown.paints[0].glyph;
    EXPECT_EQ(glyph.x, 10 * 12700.0);
    EXPECT_EQ(glyph.toY, 20 * 12700.0);
    EXPECT_EQ(glyph.size, 12 * 12700.0);
    EXPECT_EQ(glyph.name, "quoteright");
    EXPECT_EQ(glyph.font, "Times-Roman");
}

TEST(PostScriptGraphics, TurnsSpecialsIntoDvipsPostScriptAndRefusesUnsafeFiles) {
    const std::filesystem::path folder = testing::TempDir() + "/deckgen-ps-specials";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "figure.eps") << "%!PS\nnewpath\n";
    std::ostringstream warnings;
    PostScriptGraphics graphics((folder / "doc.dvi").string(), 100, 100, 1, warnings);
    std::string failure;
    const auto code = graphics.Translate(
        "psfile=\"figure.eps\" llx=10 lly=20 urx=30 ury=40 rwi=200 angle=x clip", failure);
    ASSERT_TRUE(code) << failure;
    EXPECT_EQ(code->text,
              "@beginspecial 10.000 @llx 20.000 @lly 30.000 @urx 40.000 @ury 200.000 @rwi "
              "@clip @setspecial\n%!PS\nnewpath\n\n@endspecial");
    EXPECT_TRUE(code->isolated && code->positioned);
    for (const char* special :
         {"psfile=/etc/passwd", "psfile=../figure.eps", "psfile=a/../../figure.eps",
          "psfile=\"`rm -rf x`\"", "PSfile=missing.eps", "ps: plotfile /etc/passwd"}) {
        failure.clear();
        EXPECT_FALSE(graphics.Translate(special, failure)) << special;
        EXPECT_FALSE(failure.empty()) << special;
    }
    const auto literal = graphics.Translate("ps::[begin] 1 2 moveto", failure);
    ASSERT_TRUE(literal);
    EXPECT_TRUE(literal->positioned && !literal->isolated);
    EXPECT_FALSE(graphics.Translate("ps::[end] stroke", failure)->positioned);
}

TEST(PostScriptGraphics, HostilePostScriptIsLeftOutAndTheRestDrawn) {
    if (!OnPath("gs")) GTEST_SKIP() << "gs not found";
    std::ostringstream warnings;
    InterpreterLimits limits;
    limits.seconds = 2;
    limits.memoryKiB = 64 * 1024;
    PostScriptGraphics graphics("doc.dvi", 200, 200, 1, warnings, "gs", limits);
    const auto paints = [&](const char* special, std::uint32_t page) {
        graphics.Special(special, 1, 1, page);
        return graphics.Flush().size();
    };
    const auto square = [&](std::uint32_t page) {
        return paints("\" newpath 0 0 moveto 10 0 rlineto 0 10 rlineto fill", page);
    };
    EXPECT_EQ(square(1), 1u);
    for (const char* hostile :
         {"\" {} loop", "\" [ 1 1 100000 { pop 100000 string } for ]", "\" quit",
          "\" << /ShadingType 1 /ColorSpace /DeviceRGB /Function {} >> shfill",
          "\" (/etc/passwd) (r) file", "ps: 1 0 div",
          "\" newpath 0 0 moveto 1 1 lineto stroke 1 0 div"}) {
        EXPECT_EQ(paints(hostile, 2), 0u) << hostile;
        EXPECT_EQ(square(2), 1u) << "after " << hostile;
    }
    // In one batch, the special that hangs is found and the others drawn.
    graphics.Special("\" 0 0 10 10 rectfill", 1, 1, 3);
    graphics.Special("\" {} loop", 1, 1, 3);
    graphics.Special("\" 0 0 10 10 rectfill", 1, 1, 3);
    EXPECT_EQ(graphics.Flush().size(), 2u);
    const std::string said = warnings.str();
    EXPECT_NE(said.find("PostScript on page 3 left out: it ran for more than 2 s\n"),
              std::string::npos);
    EXPECT_EQ(said.find("page 3", said.find("page 3") + 1), std::string::npos) << said;
    EXPECT_NE(said.find("PostScript on page 2 left out: it ran for more than 2 s"),
              std::string::npos)
        << said;
    EXPECT_NE(said.find("(VMerror)"), std::string::npos) << said;
    EXPECT_NE(said.find("(invalidfileaccess)"), std::string::npos) << said;
    EXPECT_NE(said.find("(undefinedresult)"), std::string::npos) << said;
    EXPECT_NE(said.find("page 2: 1 of its paints left out"), std::string::npos) << said;

    std::ostringstream missing;
    PostScriptGraphics without("doc.dvi", 200, 200, 1, missing, "deckgen-no-such-program");
    for (int i = 0; i < 2; ++i) {
        without.Special("\" 0 0 10 10 rectfill", 1, 1, 1);
        EXPECT_TRUE(without.Flush().empty());
    }
    EXPECT_EQ(missing.str(),
              "PostScript specials are left out: deckgen-no-such-program cannot be started: "
              "No such file or directory\n");
}

// What the page's state is after each special: the transformation and alpha in which TeX
// sets its characters, and whether the special's own paints came.
struct AfterSpecial {
    std::size_t paints;
    std::optional<Affine> transform;
    double alpha;
    bool hidden;
};

// Runs the pages, each a list of specials at (1, 1) inch, through one PostScriptGraphics
// as the writer does: a flush before each character (here after each special) and at the
// page's end.
std::vector<std::vector<AfterSpecial>> RunPages(
    PostScriptGraphics& graphics, const std::vector<std::vector<std::string>>& pages) {
    std::vector<std::vector<AfterSpecial>> states;
    std::uint32_t number = 0;
    for (const std::vector<std::string>& specials : pages) {
        ++number;
        std::vector<AfterSpecial>& page = states.emplace_back();
        for (const std::string& special : specials) {
            graphics.Special(special, 1, 1, number);
            const std::size_t paints = graphics.Flush().size();
            const Affine* transform = graphics.Transform();
            page.push_back({paints, transform ? std::optional(*transform) : std::nullopt,
                            graphics.Alpha(), graphics.Hidden()});
        }
        graphics.Flush();
        graphics.EndPage();
    }
    return states;
}

TEST(PostScriptGraphics, AFailureCostsItsOwnDrawingOnly) {
    if (!OnPath("gs")) GTEST_SKIP() << "gs not found";
    // Each kind of failure, in the middle of pgf's way of drawing (a transformation and an
    // alpha set by one special, used and taken back by later ones): what follows it on its
    // page, and the pages after, are as if it had painted nothing.
    const std::string square = "ps:: 0 0 moveto 10 0 rlineto 0 10 rlineto fill";
    const std::vector<std::vector<std::string>> document = {
        {"ps::[begin] gsave 2 2 scale 0.5 .setfillconstantalpha", square, "FAIL", square,
         "ps::[end] grestore"},
        {square, "\" 0 0 10 10 rectfill"},
    };
    InterpreterLimits limits;
    limits.seconds = 2;
    std::ostringstream quiet;
    PostScriptGraphics reference("doc.dvi", 200, 200, 1, quiet, "gs", limits);
    std::vector<std::vector<std::string>> without = document;
    std::erase(without[0], "FAIL");
    std::vector<std::vector<AfterSpecial>> expected = RunPages(reference, without);
    ASSERT_EQ(quiet.str(), "");
    ASSERT_TRUE(expected[0][1].transform);
    EXPECT_EQ(expected[0][1].alpha, 0.5);
    EXPECT_EQ(expected[0][1].paints, 1u);
    expected[0].insert(expected[0].begin() + 2, AfterSpecial{});  // the failing one's place
    for (const char* failing :
         {"ps:: gsave 5 5 scale 30 rotate 0.2 .setfillconstantalpha 0 0 10 10 rectfill 1 0 div",
          "ps:: gsave 5 5 scale end end end pop pop pop 0 0 10 10 rectfill /nosuchname",
          "ps:: 3 3 scale save 0 0 10 10 rectfill {} loop",
          "ps:: 0.1 .setfillconstantalpha 4 4 scale [ 1 1 100000000 { } for ]"}) {
        std::ostringstream warnings;
        PostScriptGraphics graphics("doc.dvi", 200, 200, 1, warnings, "gs", limits);
        std::vector<std::vector<std::string>> pages = document;
        pages[0][2] = failing;
        const std::vector<std::vector<AfterSpecial>> states = RunPages(graphics, pages);
        for (std::size_t p = 0; p < states.size(); ++p) {
            for (std::size_t i = 0; i < states[p].size(); ++i) {
                if (p == 0 && i == 2) {
                    EXPECT_EQ(states[p][i].paints, 0u) << failing;
                    continue;
                }
                const AfterSpecial &got = states[p][i], &want = expected[p][i];
                EXPECT_EQ(got.paints, want.paints) << failing << " page " << p + 1 << " #" << i;
                EXPECT_EQ(got.alpha, want.alpha) << failing << " page " << p + 1 << " #" << i;
                ASSERT_EQ(got.transform.has_value(), want.transform.has_value())
                    << failing << " page " << p + 1 << " #" << i;
                if (got.transform) {
                    for (std::size_t k = 0; k < 6; ++k)
                        EXPECT_NEAR((*got.transform)[k], (*want.transform)[k], 1e-6) << failing;
                }
            }
        }
        EXPECT_NE(warnings.str().find("PostScript on page 1 left out"), std::string::npos)
            << failing;
        EXPECT_EQ(warnings.str().find("page 2"), std::string::npos) << warnings.str();
    }
}

TEST(PostScriptGraphics, TeXSetsItsCharactersInThePostScriptState) {
    if (!OnPath("gs")) GTEST_SKIP() << "gs not found";
    // After each special: whether what TeX sets is on the page at all (beamer's covered
    // overlays go to nulldevice), its alpha (pgf's opacity), and whether it is moved.
    struct Step {
        const char* special;
        bool hidden;
        double alpha;
        bool moved;
    };
    const std::vector<Step> steps = {
        {"ps:: gsave nulldevice", true, 0, true},
        {"ps::[begin] 0 0 10 10 rectfill", true, 0, true},
        {"ps:: grestore", false, 1, false},
        {"ps:: gsave 0.25 .setfillconstantalpha", false, 0.25, false},
        {"ps:: 0 .setfillconstantalpha 0.5 .setstrokeconstantalpha", false, 0, false},
        {"ps:: grestore gsave 2 2 scale", false, 1, true},
        {"ps:: grestore", false, 1, false},
    };
    std::ostringstream warnings;
    PostScriptGraphics graphics("doc.dvi", 200, 200, 1, warnings);
    std::vector<std::string> specials;
    for (const Step& step : steps) specials.push_back(step.special);
    const std::vector<std::vector<AfterSpecial>> states = RunPages(graphics, {specials});
    for (std::size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(states[0][i].alpha, steps[i].alpha) << steps[i].special;
        EXPECT_EQ(states[0][i].hidden, steps[i].hidden) << steps[i].special;
        if (!steps[i].hidden) {
            EXPECT_EQ(states[0][i].transform.has_value(), steps[i].moved) << steps[i].special;
        }
    }
    EXPECT_EQ(states[0][1].paints, 0u);  // nothing painted on nulldevice shows
    EXPECT_EQ(warnings.str(), "");
}

TEST(PostScriptGraphics, PaintsComeWhereThePostScriptPutsThem) {
    if (!OnPath("gs")) GTEST_SKIP() << "gs not found";
    // A special one inch right of and below TeX's origin (itself an inch in from the
    // page's corner) paints in big points from there, y upwards ('"' specials: dvips's
    // @beginspecial); the box of each paint in big points from the slide's top left corner, and
    // whether its path is a rectangle of the slide's axes (four corners, none skewed).
    struct Case {
        const char* special;
        Extent box;
        bool rectangle;
    };
    for (const Case& c : std::initializer_list<Case>{
             {"\" 0 0 10 20 rectfill", {144, 124, 154, 144}, true},
             {"\" [0 0 10 20 30 0 5 5] rectfill", {144, 124, 179, 144}, false},
             {"\" 5 0 moveto 10 10 lineto 0 10 lineto closepath fill", {144, 134, 154, 144}, false},
             {"\" 2 2 scale 0 0 5 10 rectfill", {144, 124, 154, 144}, true},
             {"\" 90 rotate 0 0 10 20 rectfill", {124, 134, 144, 144}, true},
         }) {
        std::ostringstream warnings;
        PostScriptGraphics graphics("doc.dvi", 200, 200, 1, warnings);
        graphics.Special(c.special, 1, 1, 1);
        const std::vector<Paint> paints = graphics.Flush();
        ASSERT_EQ(paints.size(), 1u) << c.special << warnings.str();
        EXPECT_TRUE(Spans(paints[0].path, c.box)) << c.special;
        if (c.rectangle) {
            const std::vector<double>& p = paints[0].path.points;
            ASSERT_GE(p.size(), 8u) << c.special;
            for (std::size_t i = 0; i + 3 < 8; i += 2) {
                // Consecutive corners share an x or a y.
                EXPECT_TRUE(std::abs(p[i] - p[i + 2]) < 1 || std::abs(p[i + 1] - p[i + 3]) < 1)
                    << c.special << " corner " << i / 2;
            }
        }
    }
}

TEST(PostScriptGraphics, ImagesOfEachFormComeWithTheirSamples) {
    if (!OnPath("gs")) GTEST_SKIP() << "gs not found";
    // Each image fills the ten big points square at the special's place; its samples,
    // components (0 and -1: a mask painting its 1 or 0 bits) and colour as reported.
    struct Case {
        const char* special;
        int width, components;
        std::string samples;
        RgbColour colour;
    };
    const RgbColour black{0, 0, 0}, red{255, 0, 0};
    for (const Case& c : std::initializer_list<Case>{
             {"\" 10 10 scale 2 1 8 [2 0 0 1 0 0] {<00ff>} image", 2, 1, std::string("\x00\xff", 2),
              black},
             {"\" 10 10 scale 1 1 8 [1 0 0 -1 0 1] {<ff8000>} false 3 colorimage", 1, 3,
              std::string("\xff\x80\x00", 3), black},
             {"\" 1 0 0 setrgbcolor 10 10 scale 8 1 true [8 0 0 1 0 0] {<a5>} imagemask", 8, 0,
              "\xa5", red},
             {"\" 1 0 0 setrgbcolor 10 10 scale 8 1 false [8 0 0 1 0 0] {<a5>} imagemask", 8, -1,
              "\xa5", red},
             {"\" 10 10 scale /DeviceRGB setcolorspace << /ImageType 1 /Width 1 /Height 1 "
              "/BitsPerComponent 8 /Decode [0 1 0 1 0 1] /ImageMatrix [1 0 0 1 0 0] "
              "/DataSource <00ff00> >> image",
              1, 3, std::string("\x00\xff\x00", 3), black},
         }) {
        std::ostringstream warnings;
        PostScriptGraphics graphics("doc.dvi", 200, 200, 1, warnings);
        graphics.Special(c.special, 1, 1, 1);
        const std::vector<Paint> paints = graphics.Flush();
        ASSERT_EQ(paints.size(), 1u) << c.special << warnings.str();
        const ImageSamples& image = paints[0].image;
        EXPECT_EQ(paints[0].kind, Paint::Kind::Image) << c.special;
        EXPECT_EQ(image.width, c.width) << c.special;
        EXPECT_EQ(image.components, c.components) << c.special;
        EXPECT_EQ(image.samples, c.samples) << c.special;
        if (c.components <= 0) {
            EXPECT_EQ(paints[0].colour, c.colour) << c.special;
        }
        EXPECT_TRUE(Spans(ImageOutline(image), {144, 134, 154, 144})) << c.special;
    }
}

TEST(PostScriptGraphics, TheDocumentHasOneBudgetAndNoWaitOfItsOwn) {
    if (!OnPath("gs")) GTEST_SKIP() << "gs not found";
    using Clock = std::chrono::steady_clock;
    // Pages without PostScript after one with it cost nothing like the time a chunk may
    // take (dvips's eop restores to bop's save, which must not take back the interpreter's
    // own state).
    {
        std::ostringstream warnings;
        PostScriptGraphics graphics("doc.dvi", 200, 200, 1, warnings);
        const Clock::time_point start = Clock::now();
        RunPages(graphics, {{"ps: 0 0 10 10 rectfill", "\" 0 0 5 5 rectfill"}, {}, {}});
        graphics.Special("ps: 0 0 10 10 rectfill", 1, 1, 4);
        EXPECT_EQ(graphics.Flush().size(), 1u);
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
        EXPECT_EQ(warnings.str(), "");
    }
    // Specials that never end share the document's time; each runs once, and past the
    // budget the rest is left out with one warning.
    InterpreterLimits limits;
    limits.seconds = 2;
    limits.documentSeconds = 3;
    std::ostringstream warnings;
    PostScriptGraphics graphics("doc.dvi", 200, 200, 1, warnings, "gs", limits);
    const Clock::time_point start = Clock::now();
    std::vector<std::vector<std::string>> pages;
    for (int i = 0; i < 6; ++i) pages.push_back({"ps: {} loop", "ps: 0 0 10 10 rectfill"});
    const std::vector<std::vector<AfterSpecial>> states = RunPages(graphics, pages);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(6));
    EXPECT_EQ(states[0][1].paints, 1u);
    EXPECT_EQ(warnings.str(),
              "PostScript on page 1 left out: it ran for more than 2 s\n"
              "PostScript from page 2 on left out: the document's PostScript ran for more "
              "than 3 s\n");
}

TEST(PaintGeometry, OnlyAnAxisParallelRectangleHoldsAPaintUnclipped) {
    const auto path = [](std::vector<double> points) {
        PaintPath p;
        for (std::size_t i = 0; i < points.size(); i += 2)
            p.ops.push_back(i ? PaintPath::Op::Line : PaintPath::Op::Move);
        p.ops.push_back(PaintPath::Op::Close);
        for (double& point : points) point *= 12700;  // big points, in EMU
        p.points = std::move(points);
        return p;
    };
    const Extent box{127000, 127000, 1143000, 1143000};  // 10 to 90 big points
    EXPECT_TRUE(Holds(path({0, 0, 100, 0, 100, 100, 0, 100}), box));
    EXPECT_FALSE(
        Holds(path({0, 0, 100, 0, 100, 100, 0, 100}), Extent{127000, 127000, 1397000, 1143000}));
    // A diamond with the same box cuts the paint's corners off.
    EXPECT_FALSE(Holds(path({50, 0, 100, 50, 50, 100, 0, 50}), box));
    EXPECT_FALSE(Holds(path({0, 0, 100, 0, 100, 100}), box));  // a triangle
}

TEST(PaintRaster, ASoftMaskLetsThroughItsGroupsLuminosity) {
    const auto rectangle = [](double x0, double x1) {  // big points, 0 to 100 down
        PaintPath p;
        p.ops = {PaintPath::Op::Move, PaintPath::Op::Line, PaintPath::Op::Line, PaintPath::Op::Line,
                 PaintPath::Op::Close};
        p.points = {x0, 0, x1, 0, x1, 100, x0, 100};
        for (double& point : p.points) point *= 12700;
        return p;
    };
    const auto fill = [&](double x0, double x1, std::uint8_t level, double alpha = 1) {
        Paint paint;
        paint.colour = {level, level, level};
        paint.alpha = alpha;
        paint.path = paint.clip = rectangle(x0, x1);
        return paint;
    };
    Paint shading;  // black at the left edge to white at the right
    shading.kind = Paint::Kind::Shading;
    shading.shading.coords = {0, 0, 100, 0};
    shading.shading.matrix = {12700, 0, 0, 12700, 0, 0};
    shading.shading.stops = {{0, {0, 0, 0}}, {1, {255, 255, 255}}};
    shading.clip = rectangle(0, 100);
    struct Case {
        const char* what;
        bool alpha;
        double backdrop;
        std::vector<Paint> group;
        std::array<int, 2> opacity;  // at 25 and 75 big points across
    };
    for (const Case& c : std::initializer_list<Case>{
             {"grey over the left half", false, 0, {fill(0, 50, 128)}, {128, 0}},
             {"later paints cover earlier ones",
              false,
              0,
              {fill(0, 100, 128), fill(50, 100, 255)},
              {128, 255}},
             {"a translucent black over a white backdrop",
              false,
              1,
              {fill(0, 50, 0, .5)},
              {128, 255}},
             {"an alpha mask: where its group paints", true, 0, {fill(0, 50, 64)}, {255, 0}},
             {"a shading's luminosity, place by place", false, 0, {shading}, {64, 191}},
         }) {
        Paint red = fill(0, 100, 0);
        red.colour = {255, 0, 0};
        red.mask = std::make_shared<SoftMask>(SoftMask{c.alpha, c.backdrop, c.group});
        const std::optional<Raster> raster =
            MaskedRaster(red, Extent{0, 0, 100 * 12700.0, 100 * 12700.0});
        ASSERT_TRUE(raster) << c.what;
        for (int k = 0; k < 2; ++k) {
            const std::size_t at = (std::size_t(raster->height / 2) * std::size_t(raster->width) +
                                    std::size_t(raster->width * (25 + 50 * k) / 100)) *
                                   4;
            EXPECT_EQ(raster->rgba[at], 255) << c.what;
            EXPECT_NEAR(raster->rgba[at + 3], c.opacity[std::size_t(k)], 1) << c.what << ' ' << k;
        }
    }
}

TEST(PostScriptGraphics, TextInCompositeFontsIsShownCharacterByCharacter) {
    if (!OnPath("gs")) GTEST_SKIP() << "gs not found";
    // A Type 0 font of two-byte codes over Helvetica (as pdftops writes a PDF's CID
    // fonts), shown with show and with xyshow: each character is its outline and a
    // glyph of the text layer, and nothing waits for more input.
    const std::string composite =
        "\" /Helvetica findfont /Comp << /FontType 0 /FMapType 2 /FontMatrix [1 0 0 1 0 0] "
        "/Encoding [0 1] /FDepVector [/Helvetica findfont /Courier findfont] >> definefont pop "
        "/Comp findfont 12 scalefont setfont pop ";
    struct Case {
        const char* show;
        std::size_t glyphs;
    };
    for (const Case& c : std::initializer_list<Case>{
             {"10 10 moveto <00410142> show", 2},
             {"10 10 moveto <004100420143> [7 0 7 0 7 0] xyshow", 3},
             {"10 10 moveto <004100420143> [7 0] xyshow", 3},  // fewer moves than characters
         }) {
        std::ostringstream warnings;
        PostScriptGraphics graphics("doc.dvi", 200, 200, 1, warnings);
        const auto start = std::chrono::steady_clock::now();
        graphics.Special(composite + c.show, 1, 1, 1);
        const std::vector<Paint> paints = graphics.Flush();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << c.show;
        std::size_t glyphs = 0, fills = 0;
        for (const Paint& paint : paints) {
            glyphs += paint.kind == Paint::Kind::Glyph;
            fills += paint.kind == Paint::Kind::Fill;
        }
        EXPECT_EQ(glyphs, c.glyphs) << c.show << warnings.str();
        EXPECT_GE(fills, 1u) << c.show << warnings.str();
        EXPECT_EQ(warnings.str(), "") << c.show;
    }
}
