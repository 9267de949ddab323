// Font definitions in the pages: lookups, redefinitions and the checks against the
// TFM file, seen through the widths the interpreter advances by.
#include <gtest/gtest.h>

#include "support/TestFont.h"
#include "support/TraceReader.h"

namespace {

class FontDefinitions : public ::testing::Test {
  protected:
    void SetUp() override { kpsewhich.AddFont("tst", TestFont().Build()); }

    // Runs pages of "B" characters (5 fix_word units wide) and returns the trace.
    static std::string Run(DviBuilder& dvi) { return TraceReader::Run(dvi.Finish()); }

    FakeKpsewhich kpsewhich;
};

TEST_F(FontDefinitions, RepeatedDefinitionIsNotLoadedAgain) {
    // Same number and name: no second lookup, and the first scaled size stays.
    DviBuilder dvi;
    dvi.Pre().Bop();
    DefineTst(dvi, 3, 1 << 20).Op(174).Op(66).Eop();
    dvi.Bop();
    DefineTst(dvi, 3, 1 << 21).Op(66).Eop();
    EXPECT_EQ(Run(dvi),
              "begin 1\nchar 66 h=0 v=0\nend 1 h=5 v=0 box=0,5,-9,0\n"
              "begin 2\nchar 66 h=0 v=0\nend 2 h=5 v=0 box=0,5,-9,0\n");
    EXPECT_EQ(kpsewhich.Calls(), "tst.tfm\n");
}

TEST_F(FontDefinitions, RedefinitionUnderAnotherNameReloadsTheCurrentFont) {
    TfmBuilder wide = TestFont();
    wide.chars[1].width = 50;
    kpsewhich.AddFont("wide", wide.Build());
    DviBuilder dvi;
    dvi.Pre().Bop();
    DefineTst(dvi).Op(171).Op(66);
    dvi.FontDef(0, tstChecksum, 1 << 21, tstDesignSize, "wide").Op(66).Eop();
    EXPECT_EQ(Run(dvi),
              "begin 1\nchar 66 h=0 v=0\nchar 66 h=5 v=0\nend 1 h=105 v=0 box=0,105,-18,0\n");
    EXPECT_EQ(kpsewhich.Calls(), "tst.tfm\nwide.tfm\n");
}

TEST_F(FontDefinitions, SameNameUnderTwoNumbersIsLoadedTwice) {
    DviBuilder dvi;
    dvi.Pre().Bop();
    DefineTst(dvi, 0, 1 << 20);
    DefineTst(dvi, 1, 1 << 22).Op(172).Op(66).Op(171).Op(66).Eop();
    EXPECT_EQ(Run(dvi),
              "begin 1\nchar 66 h=0 v=0\nchar 66 h=20 v=0\nend 1 h=25 v=0 box=0,25,-36,0\n");
    EXPECT_EQ(kpsewhich.Calls(), "tst.tfm\ntst.tfm\n");
}

TEST_F(FontDefinitions, AreaAndNameAreJoined) {
    kpsewhich.AddFont("fonts/tst", TestFont().Build());
    DviBuilder dvi;
    dvi.Pre().Bop().FontDef(0, tstChecksum, 1 << 20, tstDesignSize, "tst", "fonts/").Eop();
    Run(dvi);
    EXPECT_EQ(kpsewhich.Calls(), "fonts/tst.tfm\n");
}

TEST_F(FontDefinitions, PostambleFontsAreLookedUpTogether) {
    // The postamble's list gives one lookup for tst and gone; the pages' two definitions
    // of tst need none of their own, while gone, not found, is looked up and reported
    // where it is defined, as without the list.
    DviBuilder dvi;
    dvi.Pre().Bop();
    DefineTst(dvi, 0).Op(171).Op(66);
    DefineTst(dvi, 1).Eop().Bop().FontDef(2, tstChecksum, 1 << 20, tstDesignSize, "gone").Eop();
    DviBuilder list;
    DefineTst(list, 0).FontDef(2, 0, 0, 0, "gone");
    dvi.postambleFonts = list.bytes;
    EXPECT_EQ(TraceReader::Run(dvi.Finish(100, 2)),
              "begin 1\nchar 66 h=0 v=0\nend 1 h=5 v=0 box=0,5,-9,0\nbegin 2\n"
              "failure: Failed to find gone.tfm file");
    EXPECT_EQ(kpsewhich.Calls(), "tst.tfm gone.tfm\ngone.tfm\n");
}

TEST_F(FontDefinitions, Failures) {
    kpsewhich.Answer("gone.tfm", "/nonexistent/gone.tfm\n");
    struct Case {
        std::int32_t checksum, designSize;
        const char* name;
        const char* message;
    } cases[] = {
        {0, tstDesignSize, "tst", "Font checksum does not match tfm file"},
        {tstChecksum, tstDesignSize + 1, "tst", "Font tst design size does not match tfm file"},
        {0, 0, "tst", "Font tst design size does not match tfm file"},  // checked first
        {tstChecksum, tstDesignSize, "none", "Failed to find none.tfm file"},
        {tstChecksum, tstDesignSize, "gone", "Failed to open gone.tfm file"},
        {tstChecksum, tstDesignSize, "", "Font 0 is defined with an empty name"},
    };
    for (const Case& c : cases) {
        DviBuilder dvi;
        dvi.Pre().Bop().FontDef(0, c.checksum, 1 << 20, c.designSize, c.name).Eop();
        EXPECT_EQ(Run(dvi), std::string("begin 1\nfailure: ") + c.message) << c.message;
    }
    // The checksum is compared again on a repeated definition.
    DviBuilder dvi;
    dvi.Pre().Bop();
    DefineTst(dvi).FontDef(0, 1, 1 << 20, tstDesignSize, "tst").Eop();
    EXPECT_EQ(Run(dvi), "begin 1\nfailure: Font checksum does not match tfm file");
}

}  // namespace

namespace {

// A fix_word at a scaled size, in DVI units: truncated toward zero on both sides, and
// the smallest 32-bit integer when the product leaves the 32-bit range.
TEST(ScaledDimension, TruncatesTowardZeroAndSaturatesToTheSmallest) {
    struct Case {
        std::int32_t fixWord, scaledSize, expected;
    } cases[] = {
        {1 << 20, 655360, 655360},  // 1.0 times 10 pt
        {0x80000, 3, 1},            // 0.5 * 3 = 1.5
        {-0x80000, 3, -1},          // -1.5, not -2
        {1, 1, 0},                  // 2^-20
        {-1, 1, 0},                 // -2^-20
        {0x7FFFFFFF, 0x7FFFFFFF, -2147483647 - 1},
        {-0x7FFFFFFF, 0x7FFFFFFF, -2147483647 - 1},
        {1 << 20, 2147483647, 2147483647},
        {-(1 << 20), 2147483647, -2147483647},
        {-(1 << 20), -2147483647 - 1, -2147483647 - 1},  // exactly 2^31: out of range
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScaledDimension(c.fixWord, c.scaledSize), c.expected)
            << c.fixWord << " * " << c.scaledSize;
    }
}

}  // namespace
