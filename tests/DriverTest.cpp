// The program as users run it: arguments, messages, exit statuses and the output file.
#include <gtest/gtest.h>

#include "support/RunProgram.h"
#include "support/TempDir.h"
#include "support/TestFont.h"

namespace {

using Result = ProgramResult;

Result RunDeckgen(const TempDir& dir, std::vector<std::string> args) {
    return RunProgram(DECKGEN_BINARY, dir, std::move(args));
}

TEST(Driver, UsageForAnyOtherArgumentCount) {
    TempDir dir;
    struct Program {
        const char* binary;
        std::string usage;
    } programs[] = {{DECKGEN_BINARY, "Usage: deckgen file.dvi file.mht\n"},
                    {DECKGEN_PPTX_BINARY, "Usage: deckgen-pptx file.dvi file.pptx\n"}};
    for (const Program& program : programs) {
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{}, {"a.dvi"}, {"a.dvi", dir / "b.out", "c"}}) {
            const Result result = RunProgram(program.binary, dir, args);
            EXPECT_EQ(result.status, 0);
            EXPECT_EQ(result.out, program.usage);
            EXPECT_EQ(result.err, "");
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "b.out"));
}

TEST(Driver, FailuresBeforeTheOutputLeaveItUntouched) {
    TempDir dir;
    const std::string output = dir.Write("old.mht", "keep me");
    const std::string notDvi = dir.Write("notes.txt", "not a DVI file");
    struct Case {
        std::string dvi, message;
    } cases[] = {
        {dir / "missing.dvi", "Failed to open " + (dir / "missing.dvi") + "file"},
        {notDvi, "Not a DVI file"},
    };
    for (const Case& c : cases) {
        const Result result = RunDeckgen(dir, {c.dvi, output});
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, c.message);  // no line end
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(dir.Read("old.mht"), "keep me");
    }
    // The DVI checks come before the output is created.
    EXPECT_EQ(RunDeckgen(dir, {notDvi, dir / "no/such/dir.mht"}).err, "Not a DVI file");
}

TEST(Driver, OutputFailures) {
    TempDir dir;
    const std::string dvi = dir.Write("empty.dvi", DviBuilder().Pre().Bop().Eop().Finish());
    const std::string unwritable = dir / "no/such/dir.mht";
    Result result = RunDeckgen(dir, {dvi, unwritable});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "Failed to create " + unwritable);
    result = RunDeckgen(dir, {dvi, "/dev/full"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "Failed to write /dev/full");
}

TEST(Driver, FontFailureOnALaterPageKeepsTheEarlierPages) {
    FakeKpsewhich kpsewhich;  // knows no font
    TempDir dir;
    DviBuilder pages;
    pages.Pre().Bop().Eop().Bop();
    DefineTst(pages).Eop();
    const Result result = RunDeckgen(dir, {dir.Write("in.dvi", pages.Finish()), dir / "out.mht"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "Failed to find tst.tfm file");
    const std::string package = dir.Read("out.mht");
    EXPECT_NE(package.find("slide0001.htm\n"), std::string::npos);
    EXPECT_TRUE(package.ends_with("slide0002.htm\n") || package.ends_with("<p:slide>\n"));
    EXPECT_EQ(package.find("_NextPart_01C26412.E8D705F0--"), std::string::npos);
}

TEST(Driver, CompleteRun) {
    TempDir dir;
    const Result result = RunDeckgen(
        dir, {dir.Write("in.dvi", DviBuilder().Pre().Bop().Eop().Finish()), dir / "out.mht"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out + result.err, "");
    EXPECT_TRUE(dir.Read("out.mht").ends_with("\n\n------=_NextPart_01C26412.E8D705F0--\n"));
}

}  // namespace
