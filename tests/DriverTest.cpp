// The programs as users run them: arguments, messages, exit statuses and the output file.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>

#include "support/TestFont.h"

namespace {

struct ProgramResult {
    int status;
    std::string out, err;
};

// Runs `program` with `args` (none may hold a single quote), its output going through
// files in `dir`.
ProgramResult RunProgram(const char* program, const TempDir& dir,
                         const std::vector<std::string>& args) {
    std::string command = program;
    for (const std::string& arg : args) command += " '" + arg + "'";
    const int status =
        std::system((command + " >" + dir / "stdout" + " 2>" + dir / "stderr").c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, dir.Read("stdout"), dir.Read("stderr")};
}

TEST(Driver, Outcomes) {
    // The usage line for any other number of arguments. A failure is reported without a
    // line end; the DVI file is checked before the output is created. deckgen keeps the
    // pages before a failure; deckgen-pptx leaves no file behind and an old one as it was.
    FakeKpsewhich kpsewhich;  // knows no font
    TempDir dir;
    const std::string good = dir.Write("good.dvi", DviBuilder().Pre().Bop().Eop().Finish());
    const std::string notDvi = dir.Write("notes.txt", "not a DVI file");
    DviBuilder late;
    DefineTst(late.Pre().Bop().Eop().Bop()).Eop();
    const std::string lateDvi = dir.Write("late.dvi", late.Finish(100, 2));
    const std::string old = dir / "old", keep = "keep me", noDir = dir / "no/dir";
    const std::string missing = dir / "missing.dvi";
    const std::string usage = "Usage: deckgen file.dvi file.mht\n",
                      pptxUsage =
                          "Usage: deckgen-pptx [--no-text-layer] [--one-slide-per-page] "
                          "[--postscript-seconds N] "
                          "file.dvi file.pptx\n",
                      lost = "Failed to find tst.tfm file";
    const struct {
        const char* program;
        std::vector<std::string> args;
        std::string out, err, old;  // the end of the file "old" afterwards
    } cases[] = {
        {DECKGEN_BINARY, {}, usage, "", keep},
        {DECKGEN_BINARY, {good, old, "c"}, usage, "", keep},
        {DECKGEN_BINARY, {missing, old}, "", "Failed to open " + missing + "file", keep},
        {DECKGEN_BINARY, {notDvi, old}, "", "Not a DVI file", keep},
        {DECKGEN_BINARY, {notDvi, noDir}, "", "Not a DVI file", keep},
        {DECKGEN_BINARY, {good, noDir}, "", "Failed to create " + noDir, keep},
        {DECKGEN_BINARY, {good, "/dev/full"}, "", "Failed to write /dev/full", keep},
        {DECKGEN_BINARY, {lateDvi, old}, "", lost, "<p:slide>\n"},
        {DECKGEN_BINARY, {good, old}, "", "", "\n\n------=_NextPart_01C26412.E8D705F0--\n"},
        {DECKGEN_PPTX_BINARY, {good}, pptxUsage, "", keep},
        {DECKGEN_PPTX_BINARY, {"--postscript-seconds", "0", good, old}, pptxUsage, "", keep},
        {DECKGEN_PPTX_BINARY, {"--no-such-option", good, old}, pptxUsage, "", keep},
        {DECKGEN_PPTX_BINARY, {lateDvi, dir / "new"}, "", lost, keep},
        {DECKGEN_PPTX_BINARY, {lateDvi, old}, "", lost, keep},
        {DECKGEN_PPTX_BINARY, {notDvi, old}, "", "Not a DVI file", keep},
        {DECKGEN_PPTX_BINARY, {good, noDir}, "", "Failed to create " + noDir, keep},
    };
    for (const auto& c : cases) {
        dir.Write("old", keep);
        const ProgramResult result = RunProgram(c.program, dir, c.args);
        EXPECT_EQ(result.status, c.err.empty() ? 0 : 1);
        EXPECT_EQ(result.out + "|" + result.err, c.out + "|" + c.err);
        EXPECT_TRUE(dir.Read("old").ends_with(c.old)) << c.err;
        // good.dvi, notes.txt, late.dvi, old, stdout and stderr: nothing left behind
        if (result.status != 0) {
            EXPECT_EQ(std::ranges::distance(std::filesystem::directory_iterator(dir.path)), 6);
        }
    }
}

}  // namespace
