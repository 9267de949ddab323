// TFM files read, checked and scaled, and found through kpsewhich.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

#include "common/Failure.h"
#include "fonts/FontFileLookup.h"
#include "fonts/FontTable.h"
#include "fonts/PkFont.h"
#include "fonts/TfmLookup.h"
#include "support/TestFont.h"

namespace {

// The failure, or what was read: bc, ec, checksum, design size, and each character's
// width, height, depth and italic correction.
std::string Read(const std::string& bytes) {
    std::istringstream file(bytes);
    TfmMetrics tfm;
    try {
        tfm.Read(file, "bad");
    } catch (const Failure& failure) {
        return failure.Message();
    }
    std::string text;
    for (std::int32_t value : {tfm.bc, tfm.ec, tfm.checksum, tfm.designSize})
        text += std::to_string(value) + " ";
    for (std::size_t i = 0; i < tfm.width.size(); ++i)
        for (const auto* array : {&tfm.width, &tfm.height, &tfm.depth, &tfm.italic})
            text += (array == &tfm.width ? "| " : "") + std::to_string((*array)[i]) + " ";
    return text;
}

TEST(Tfm, ReadAndDamaged) {
    TfmBuilder font = TestFont(), empty = TestFont();
    font.checksum = static_cast<std::int32_t>(0x80000001);
    font.chars.push_back({-0x100000, 0, 0x30000});
    font.nl = 1, font.nk = 2, font.ne = 3, font.np = 4, empty.chars.clear();
    const std::string good = font.Build(), read = Read(good);
    EXPECT_EQ(read,
              "65 67 -2147483647 10485760 | 524288 458752 0 0 | 5 7 -2 0 | -1048576 0 196608 0 ");
    // Every cut of the file is noticed, wherever it falls.
    for (std::size_t length = 0; length < good.size(); ++length)
        EXPECT_EQ(Read(good.substr(0, length)), "Font bad tfm file is truncated") << length;
    const auto with = [](std::size_t at, char c, std::string s) { return s.replace(at, 1, 1, c); };
    font.lh = 18, font.np = 20000;  // more header words, and more than one read slice
    const std::string outside = "Font bad tfm file has a character index outside its tables";
    const std::pair<std::string, std::string> cases[] = {
        {font.Build(), read},
        {font.Build() + "more", read},  // bytes after the tables are not the font's
        {empty.Build(), "65 64 305419896 10485760 "},
        {with(7, 63, good), "Font bad tfm file has an invalid character range"},
        {with(32, 4, good), outside},     // width index 4 of 4 entries
        {with(33, 0x41, good), outside},  // height
        {with(33, 0x14, good), outside},  // depth
        {with(34, 4, good), outside},     // italic index 1 of 1
        {with(8, '\xFF', with(2, '\xFF', good)), "Font bad tfm file is truncated"},  // nw, lh
    };
    for (const auto& [bytes, expected] : cases) EXPECT_EQ(Read(bytes), expected);
}

// cmr10 found by the real kpsewhich, against what tftopl prints for g (it has all four
// dimensions) and A.
TEST(Pk, RunsBitmapsAndEveryPreambleForm) {
    // A preamble at 600 dpi, then: 'A' in the short form, run-length packed (dyn_f 13,
    // black first: runs 2 2 2 4 2 over three rows of four); 'B' in the long form, a plain
    // bitmap (dyn_f 14) of two rows of three; 'C' in the extended short form whose second
    // row repeats once (a 14 nybble before the run that ends it).
    const std::string resolution("\x00\x08\x4D\x5D", 4);  // 600 / 72.27 pixels a point
    const std::string pre =
        std::string("\xF7\x59\x00", 3) + std::string(8, '\0') + resolution + resolution;
    const std::string a =
        "\xD8\x0B\x41" + std::string(3, '\0') + "\x04\x04\x03\xFF\x02" + "\x22\x24\x20";
    const std::string b = std::string("\xE7") + std::string("\x00\x00\x00\x1D", 4) +
                          std::string("\x00\x00\x00\x42", 4) + std::string(12, '\0') +
                          std::string("\x00\x00\x00\x03\x00\x00\x00\x02", 8) + "\xFF\xFF\xFF\xFF" +
                          std::string("\x00\x00\x00\x05", 4) + "\xA8";
    // 'C': rows 1111 / 1001 / 1001: runs 5 black, [repeat 1] 2 white, 1 black.
    const std::string c = std::string("\xDC\x00\x10\x43", 4) + std::string(3, '\0') +
                          std::string("\x00\x04\x00\x04\x00\x03\x00\x00\x00\x03", 10) +
                          "\x5E\x12\x10";
    const PkFont font = ReadPkFont(pre + a + b + c + "\xF5", "test");
    EXPECT_NEAR(font.pixelsPerPoint, 600 / 72.27, 1e-4);
    struct Want {
        std::int32_t code;
        int width, height, hoff, voff;
        std::vector<std::uint8_t> pixels;
    };
    for (const Want& want : std::initializer_list<Want>{
             {65, 4, 3, -1, 2, {1, 1, 0, 0, 1, 1, 0, 0, 0, 0, 1, 1}},
             {66, 3, 2, -1, 5, {1, 0, 1, 0, 1, 0}},
             {67, 4, 3, 0, 3, {1, 1, 1, 1, 1, 0, 0, 1, 1, 0, 0, 1}},
         }) {
        ASSERT_TRUE(font.glyphs.contains(want.code)) << want.code;
        const PkGlyph& glyph = font.glyphs.at(want.code);
        EXPECT_EQ(glyph.width, want.width) << want.code;
        EXPECT_EQ(glyph.height, want.height) << want.code;
        EXPECT_EQ(glyph.hoff, want.hoff) << want.code;
        EXPECT_EQ(glyph.voff, want.voff) << want.code;
        EXPECT_EQ(glyph.pixels, want.pixels) << want.code;
    }
    // Cut short anywhere, or a packet longer than the file: damaged, never more.
    for (const std::string& bad :
         {pre + a.substr(0, 10), pre + b.substr(0, 30), pre + a, std::string("\xF7\x5A")}) {
        EXPECT_THROW(ReadPkFont(bad, "test"), Failure);
    }
}

TEST(Tfm, TeXLiveFont) {
    TfmMetrics cmr10;
    cmr10.LoadTfm("cmr10");
    EXPECT_EQ(
        std::vector({cmr10.checksum, cmr10.designSize, cmr10.width['g'], cmr10.height['g'],
                     cmr10.depth['g'], cmr10.italic['g'], cmr10.width['A'], cmr10.height['A']}),
        std::vector({0x4BF16079, 10 << 20, 524290, 451470, 203890, 14563, 786434, 716526}));
}

// In DVI units: truncated toward zero, the smallest integer when out of 32-bit range.
TEST(Tfm, ScaledDimension) {
    EXPECT_EQ(ScaledDimension(0x80000, 3), 1);
    EXPECT_EQ(ScaledDimension(-0x80000, 3), -1);
    EXPECT_EQ(ScaledDimension(1 << 20, INT32_MAX), INT32_MAX);
    EXPECT_EQ(ScaledDimension(-(1 << 20), INT32_MIN), INT32_MIN);  // 2^31
}

// FindTfmFile's path or failure, then what FindFontFile gives for the same file.
std::string Lookup(const std::string& name) {
    std::string result;
    try {
        result = FindTfmFile(name);
    } catch (const Failure& failure) {
        result = "failure: " + failure.Message();
    }
    return result + " | " + FindFontFile(name + ".tfm");
}

TEST(Kpsewhich, Lookups) {
    // The first line is the answer; names go to kpsewhich as single arguments, never
    // through a shell, and a zero byte cannot be passed on; each is asked once. A batch
    // asks only plain names and matches the answers to them by name. Without kpsewhich,
    // no lookup. No file stays open.
    FakeKpsewhich kpsewhich;
    const std::string none = "failure: Failed to find a.tfm file | ";
    const auto answer = [&](const char* output, const std::string& result) {
        kpsewhich.Answer("a.tfm", output);
        EXPECT_EQ(Lookup("a"), result) << output;
    };
    answer("/f/a.tfm\n", "/f/a.tfm | /f/a.tfm");
    answer("/f/a.tfm\r\nsecond\n", "/f/a.tfm | /f/a.tfm");
    answer("/f/a.tfm", "/f/a.tfm | /f/a.tfm");
    answer("ab\n", "ab | ab");
    answer("x\n", none);
    answer("\r\n", none);
    answer("", none);
    const auto fds = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    };
    const auto before = fds();
    Lookup("a");
    EXPECT_EQ(fds(), before);  // the pipe is closed
    kpsewhich.Write("calls", "");
    const std::string shell = "c;touch " + kpsewhich / "ran", zero("a\0b", 3);
    EXPECT_EQ(Lookup(shell), "failure: Failed to find " + shell + ".tfm file | ");
    EXPECT_EQ(Lookup(zero), "failure: Failed to find " + zero + ".tfm file | ");
    EXPECT_FALSE(std::filesystem::exists(kpsewhich / "ran"));
    kpsewhich.Answer("a.tfm", "/f/a.tfm\n");
    kpsewhich.Answer("b c.tfm", "/f/b c.tfm\r\n");
    kpsewhich.Answer("d.tfm", "/f/other.tfm\n");  // not an answer for d
    EXPECT_EQ(
        FindTfmFiles({"a", "b c", "gone", "d", "dir/e", "f\ng", ""}),
        (std::unordered_map<std::string, std::string>{{"a", "/f/a.tfm"}, {"b c", "/f/b c.tfm"}}));
    EXPECT_EQ(kpsewhich.Calls(), shell + ".tfm\na.tfm b c.tfm gone.tfm d.tfm\n");
    // Asked again, the batch's answers and those it did not find come from before.
    EXPECT_EQ(Lookup("gone") + FindFontFile("b c.tfm"),
              "failure: Failed to find gone.tfm file | /f/b c.tfm");
    EXPECT_EQ(kpsewhich.Calls(), shell + ".tfm\na.tfm b c.tfm gone.tfm d.tfm\n");
    // With SIGCHLD ignored, kpsewhich is reaped by the system and waiting for it fails:
    // the lookup must still end. It runs in a process of its own, under an alarm.
    const pid_t pid = fork();
    if (pid == 0) {
        signal(SIGCHLD, SIG_IGN);
        alarm(30);
        ForgetFontFileLookups();
        _exit(Lookup("a") == "/f/a.tfm | /f/a.tfm" ? 0 : 1);
    }
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    setenv("PATH", "/nonexistent", 1);
    ForgetFontFileLookups();
    EXPECT_EQ(Lookup("a") + (FindTfmFiles({"a"}).empty() ? "" : "batch"),
              "failure: Failed to execute: kpsewhich a.tfm | ");
    setenv("PATH", kpsewhich.savedPath.c_str(), 1);
}

}  // namespace
