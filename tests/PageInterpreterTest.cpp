// The page interpreter: every command kind, the register stack, the page box and the
// order of the callbacks. Font "tst" at scaled size 2^20 makes DVI dimensions equal
// the fix_words: A is 524288 wide, B is 5 wide, 7 high and -2 deep.
#include <gtest/gtest.h>

#include <functional>

#include "support/TestFont.h"
#include "support/TraceReader.h"

namespace {

class PageInterpreter : public ::testing::Test {
  protected:
    void SetUp() override { kpsewhich.AddFont("tst", TestFont().Build()); }

    // The trace of one page that defines and selects tst, then runs `commands`.
    static std::string Page(const std::function<void(DviBuilder&)>& commands,
                            int stackDepth = 100) {
        DviBuilder dvi;
        dvi.Pre().Bop();
        DefineTst(dvi).Op(171);
        commands(dvi);
        dvi.Eop();
        return TraceReader::Run(dvi.Finish(stackDepth));
    }
    static std::string End(const std::string& registersAndBox) {
        return "begin 1\n" + std::string("end 1 ") + registersAndBox + "\n";
    }
    static std::string Failed(const std::string& message) { return "begin 1\nfailure: " + message; }

    FakeKpsewhich kpsewhich;
};

TEST_F(PageInterpreter, MovementCommandsWidthsAndSigns) {
    const std::string noBox = " box=2147483647,0,2147483647,0";
    struct Case {
        std::function<void(DviBuilder&)> commands;
        const char* registers;
    } cases[] = {
        {[](DviBuilder& d) { d.Op(143, 0xFF, 1); }, "h=-1 v=0"},
        {[](DviBuilder& d) { d.Op(144, 0x8000, 2); }, "h=-32768 v=0"},
        {[](DviBuilder& d) { d.Op(145, 0x7FFFFF, 3); }, "h=8388607 v=0"},
        {[](DviBuilder& d) { d.Op(146, 0x80000000, 4); }, "h=-2147483648 v=0"},
        {[](DviBuilder& d) { d.Op(146, 0x7FFFFFFF, 4).Op(143, 1, 1); }, "h=-2147483648 v=0"},
        {[](DviBuilder& d) { d.Op(148, 0xFB, 1).Op(147); }, "h=-10 v=0"},
        {[](DviBuilder& d) { d.Op(154, 300, 2).Op(152); }, "h=600 v=0"},
        {[](DviBuilder& d) { d.Op(157, 0xFE, 1); }, "h=0 v=-2"},
        {[](DviBuilder& d) { d.Op(164, 5, 3).Op(161); }, "h=0 v=10"},
        {[](DviBuilder& d) { d.Op(170, 7, 4).Op(166); }, "h=0 v=14"},
        {[](DviBuilder& d) { d.Op(141).Op(143, 5, 1).Op(157, 3, 1).Op(142); }, "h=0 v=0"},
        {[](DviBuilder& d) { d.Op(148, 5, 1).Op(141).Op(148, 7, 1).Op(142).Op(147); }, "h=10 v=0"},
        {[](DviBuilder& d) { d.Op(138).Op(138); }, "h=0 v=0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Page(c.commands), End(c.registers + noBox)) << c.registers;
    }
}

TEST_F(PageInterpreter, CharactersSetAndPut) {
    // set_char_65, set1 65 and put1 65 report the same character; only set moves h.
    EXPECT_EQ(Page([](DviBuilder& d) { d.Op(65).Op(128, 65, 1).Op(133, 65, 1); }),
              "begin 1\nchar 65 h=0 v=0\nchar 65 h=524288 v=0\nchar 65 h=1048576 v=0\n"
              "end 1 h=1048576 v=0 box=0,1572864,-458752,0\n");
    // A negative depth raises the top edge instead of lowering the bottom.
    EXPECT_EQ(Page([](DviBuilder& d) { d.Op(157, 100, 1).Op(66); }),
              "begin 1\nchar 66 h=0 v=100\nend 1 h=5 v=100 box=0,5,91,100\n");
    // Codes are unsigned parameters of 1 to 4 bytes.
    EXPECT_EQ(Page([](DviBuilder& d) { d.Op(129, 0x0100, 2); }),
              Failed("Character 256 is not in font tst"));
    EXPECT_EQ(Page([](DviBuilder& d) { d.Op(131, 0xFFFFFFFF, 4); }),
              Failed("Character -1 is not in font tst"));
    EXPECT_EQ(Page([](DviBuilder& d) { d.Op(134, 64, 2); }),
              Failed("Character 64 is not in font tst"));
}

TEST_F(PageInterpreter, Rules) {
    // A rule stands on v and rises by its height.
    EXPECT_EQ(Page([](DviBuilder& d) { d.Op(143, 100, 1).Op(160, 500, 4).Rule(132, 10, 20); }),
              "begin 1\nrule 10x20 h=100 v=500\nend 1 h=120 v=500 box=100,120,490,500\n");
    // Rules with a side of zero or less report nothing; set_rule still moves h by b.
    EXPECT_EQ(Page([](DviBuilder& d) { d.Rule(132, 0, 1000).Rule(137, 5, -3).Rule(132, 5, -3); }),
              End("h=997 v=0 box=2147483647,0,2147483647,0"));
    EXPECT_EQ(Page([](DviBuilder& d) { d.Rule(137, 3, 4); }),
              "begin 1\nrule 3x4 h=0 v=0\nend 1 h=0 v=0 box=0,4,-3,0\n");
}

TEST_F(PageInterpreter, Specials) {
    EXPECT_EQ(Page([](DviBuilder& d) { d.Special(std::string("a\0b", 3)).Special(""); }),
              "begin 1\nspecial 'a" + std::string(1, '\0') + "b'\nspecial ''\n" +
                  "end 1 h=0 v=0 box=2147483647,0,2147483647,0\n");
    EXPECT_EQ(Page([](DviBuilder& d) { d.Op(242, 0xFFFFFFFF, 4); }),
              Failed("unexpected end of file in special"));
    // The length is unsigned: 200 in one byte is 200 bytes, not -56.
    const std::string long_(200, 'x');
    EXPECT_EQ(Page([&](DviBuilder& d) { d.Op(239, 200, 1).bytes += long_; }),
              "begin 1\nspecial '" + long_ + "'\nend 1 h=0 v=0 box=2147483647,0,2147483647,0\n");
}

TEST_F(PageInterpreter, Failures) {
    struct Case {
        std::function<void(DviBuilder&)> commands;
        int stackDepth;
        const char* message;
    } cases[] = {
        {[](DviBuilder& d) { d.Op(139); }, 100, "unexpected BOP"},
        {[](DviBuilder& d) { d.Op(247); }, 100, "unexpected PRE"},
        {[](DviBuilder& d) { d.Op(248); }, 100, "unexpected POST"},
        {[](DviBuilder& d) { d.Op(249); }, 100, "unexpected POST_POST"},
        {[](DviBuilder& d) { d.Op(250); }, 100, "undefined opcode"},
        {[](DviBuilder& d) { d.Op(255); }, 100, "undefined opcode"},
        {[](DviBuilder& d) { d.Op(141).Op(141); }, 1, "Stack overflow"},
        {[](DviBuilder& d) { d.Op(141); }, 0, "Stack overflow"},
        {[](DviBuilder& d) { d.Op(141).Op(142).Op(142); }, 100, "Stack underflow"},
        {[](DviBuilder& d) { d.Op(176); }, 100, "Font number not found"},
        {[](DviBuilder& d) { d.Op(236, 0, 2); }, 100, ""},  // fnt2 0 selects font 0
    };
    for (const Case& c : cases) {
        const std::string expected =
            *c.message ? Failed(c.message) : End("h=0 v=0 box=2147483647,0,2147483647,0");
        EXPECT_EQ(Page(c.commands, c.stackDepth), expected) << c.message;
    }
}

TEST_F(PageInterpreter, StateAcrossPages) {
    // The font stays selected on the next page; unpopped pushes are dropped at eop.
    DviBuilder dvi;
    dvi.Pre().Bop();
    DefineTst(dvi).Op(171).Op(141).Op(143, 9, 1).Eop();
    dvi.Bop().Op(141).Op(66).Op(142).Eop();
    EXPECT_EQ(TraceReader::Run(dvi.Finish(1)),
              "begin 1\nend 1 h=9 v=0 box=2147483647,0,2147483647,0\n"
              "begin 2\nchar 66 h=0 v=0\nend 2 h=0 v=0 box=0,5,-9,0\n");

    DviBuilder noFont;
    noFont.Pre().Bop().Op(65).Eop();
    EXPECT_EQ(TraceReader::Run(noFont.Finish()),
              "begin 1\nfailure: Character 65 set while no font is selected");
}

}  // namespace
