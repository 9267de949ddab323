// PostScript graphics: the records the interpreter writes, read strictly; the specials
// as dvips turns them into PostScript, figure names refused; and the real Ghostscript
// under hostile PostScript, which leaves out what fails and goes on.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "pptx/PaintGeometry.h"
#include "ps/PaintRecords.h"
#include "ps/PostScriptGraphics.h"

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
    const char* path = std::getenv("PATH");
    bool found = false;
    for (std::istringstream folders(path ? path : ""); !found;) {
        std::string folder;
        if (!std::getline(folders, folder, ':')) break;
        found = access((folder + "/gs").c_str(), X_OK) == 0;
    }
    if (!found) GTEST_SKIP() << "gs not found";
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
