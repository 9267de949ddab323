// The TFM lookup through kpsewhich: how its answer is read, and that the font name
// reaches it as one argument, never through a shell.
#include <gtest/gtest.h>

#include "common/Failure.h"
#include "fonts/TfmLookup.h"
#include "support/FakeKpsewhich.h"

namespace {

std::string Lookup(const std::string& name) {
    try {
        return FindTfmFile(name);
    } catch (const Failure& failure) {
        return "failure: " + failure.Message();
    }
}

TEST(KpsewhichLookup, Answers) {
    FakeKpsewhich kpsewhich;
    struct Case {
        const char* output;
        const char* result;
    } cases[] = {
        {"/fonts/a.tfm\n", "/fonts/a.tfm"},
        {"/fonts/a.tfm\r\n", "/fonts/a.tfm"},
        {"/fonts/a.tfm\nsecond line\n", "/fonts/a.tfm"},
        {"/fonts/a.tfm", "/fonts/a.tfm"},
        {" /fonts/a b.tfm \n", " /fonts/a b.tfm "},
        {"/fonts/a.tfm\r", "/fonts/a.tfm\r"},
        {"ab\n", "ab"},
        {"", "failure: Failed to find a.tfm file"},
        {"x\n", "failure: Failed to find a.tfm file"},
        {"\r\n", "failure: Failed to find a.tfm file"},
    };
    for (const Case& c : cases) {
        kpsewhich.Answer("a.tfm", c.output);
        EXPECT_EQ(Lookup("a"), c.result) << c.output;
    }
}

TEST(KpsewhichLookup, SeveralFontsInOneGo) {
    FakeKpsewhich kpsewhich;
    kpsewhich.Answer("a.tfm", "/fonts/a.tfm\n");
    kpsewhich.Answer("b c.tfm", "/fonts/b c.tfm\r\n");
    kpsewhich.Answer("d.tfm", "/fonts/other.tfm\n");  // not an answer for d
    const auto paths = FindTfmFiles({"a", "b c", "gone", "d", "dir/e", "f\ng", ""});
    const std::unordered_map<std::string, std::string> expected{{"a", "/fonts/a.tfm"},
                                                                {"b c", "/fonts/b c.tfm"}};
    EXPECT_EQ(paths, expected);
    // Names with a directory part or control bytes are not asked: their answers could
    // not be told apart.
    EXPECT_EQ(kpsewhich.Calls(), "a.tfm b c.tfm gone.tfm d.tfm\n");
}

TEST(KpsewhichLookup, NameIsOneArgumentAndNeverAShellCommand) {
    FakeKpsewhich kpsewhich;
    const std::string marker = (kpsewhich.dir / "ran").string();
    EXPECT_EQ(Lookup("cmr10;touch " + marker),
              "failure: Failed to find cmr10;touch " + marker + ".tfm file");
    EXPECT_FALSE(std::filesystem::exists(marker));
    kpsewhich.Answer("my font.tfm", "/fonts/my font.tfm\n");
    EXPECT_EQ(Lookup("my font"), "/fonts/my font.tfm");
    EXPECT_EQ(kpsewhich.Calls(), "cmr10;touch " + marker + ".tfm\nmy font.tfm\n");

    // A zero byte cannot be passed on: nothing is started.
    EXPECT_EQ(Lookup(std::string("a\0b", 3)),
              "failure: Failed to find a" + std::string(1, '\0') + "b.tfm file");
    EXPECT_EQ(kpsewhich.Calls(), "cmr10;touch " + marker + ".tfm\nmy font.tfm\n");
}

TEST(KpsewhichLookup, MissingProgram) {
    const char* saved = std::getenv("PATH");
    const std::string path = saved ? saved : "";
    setenv("PATH", "/nonexistent", 1);
    const std::string result = Lookup("cmr10");
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(result, "failure: Failed to execute: kpsewhich cmr10.tfm");
}

}  // namespace
