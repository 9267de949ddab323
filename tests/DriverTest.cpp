// The programs as users run them: arguments, messages, exit statuses and the output file.
#include <gtest/gtest.h>

#include "support/RunProgram.h"
#include "support/TestFont.h"

namespace {

TEST(Driver, Outcomes) {
    // The usage line for any other number of arguments. A failure is reported without a
    // line end; the DVI file is checked before the output is created, and a failure on a
    // later page keeps the pages before it.
    FakeKpsewhich kpsewhich;  // knows no font
    TempDir dir;
    const std::string good = dir.Write("good.dvi", DviBuilder().Pre().Bop().Eop().Finish());
    const std::string notDvi = dir.Write("notes.txt", "not a DVI file"), old = dir / "old.mht";
    DviBuilder late;
    DefineTst(late.Pre().Bop().Eop().Bop()).Eop();
    const std::string usage = "Usage: deckgen file.dvi file.mht\n", keep = "keep me";
    const struct {
        std::vector<std::string> args;
        std::string out, err, old;  // the end of old.mht afterwards
    } cases[] = {
        {{}, usage, "", keep},
        {{good}, usage, "", keep},
        {{good, old, "c"}, usage, "", keep},
        {{dir / "missing.dvi", old}, "", "Failed to open " + dir / "missing.dvi" + "file", keep},
        {{notDvi, old}, "", "Not a DVI file", keep},
        {{notDvi, dir / "no/dir.mht"}, "", "Not a DVI file", keep},
        {{good, dir / "no/dir.mht"}, "", "Failed to create " + dir / "no/dir.mht", keep},
        {{good, "/dev/full"}, "", "Failed to write /dev/full", keep},
        {{dir.Write("late.dvi", late.Finish(100, 2)), old},
         "",
         "Failed to find tst.tfm file",
         "<p:slide>\n"},
        {{good, old}, "", "", "\n\n------=_NextPart_01C26412.E8D705F0--\n"},
    };
    for (const auto& c : cases) {
        dir.Write("old.mht", keep);
        const ProgramResult result = RunProgram(DECKGEN_BINARY, dir, c.args);
        EXPECT_EQ(result.status, c.err.empty() ? 0 : 1);
        EXPECT_EQ(result.out + "|" + result.err, c.out + "|" + c.err);
        EXPECT_TRUE(dir.Read("old.mht").ends_with(c.old)) << c.err;
    }
    EXPECT_EQ(RunProgram(DECKGEN_PPTX_BINARY, dir, {good}).out,
              "Usage: deckgen-pptx file.dvi file.pptx\n");
}

}  // namespace
