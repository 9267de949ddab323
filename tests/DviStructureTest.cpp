// The DVI file as a whole: postamble, preamble and page walk.
#include <gtest/gtest.h>

#include "support/DviBuilder.h"
#include "support/TraceReader.h"

namespace {

const char emptyPage[] = "begin 1\nend 1 h=0 v=0 box=2147483647,0,2147483647,0\n";

std::string OnePage(int trailing = 4) {
    return DviBuilder().Pre().Bop().Eop().Finish(100, 1, trailing);
}

TEST(DviStructure, TrailerOfThreeOrMoreBytes223IsAccepted) {
    EXPECT_EQ(TraceReader::Run(OnePage(3)), emptyPage);
    EXPECT_EQ(TraceReader::Run(OnePage(7)), emptyPage);
    EXPECT_EQ(TraceReader::Run(OnePage(100000)), emptyPage);  // longer than one read block
}

TEST(DviStructure, StructuralFailures) {
    auto withByte = [](std::string bytes, std::size_t at, int value) {
        bytes[at] = static_cast<char>(value);
        return bytes;
    };
    const std::string good = OnePage();
    const std::size_t size = good.size();
    const std::size_t postPos =
        static_cast<std::size_t>(DviBuilder().Pre().Bop().Eop().bytes.size());
    // A postamble that starts 20 bytes before the end of the file: its stack depth lies
    // past the end.
    DviBuilder cutPostamble;
    const std::int64_t post = static_cast<std::int64_t>(cutPostamble.Pre().bytes.size());
    cutPostamble.Byte(248).Value(0, 8).Byte(0).Op(249, post, 4).Byte(2).Value(0xDFDFDFDF, 4);
    struct Case {
        const char* what;
        std::string dvi;
        const char* message;
    } cases[] = {
        {"empty file", "", "Not a DVI file"},
        {"two trailing 223", OnePage(2), "Not a DVI file"},
        {"only 223 bytes", std::string(10, '\xDF'), "Invalid DVI version"},
        {"text file", "hello world\n", "Not a DVI file"},
        {"postamble id 3", withByte(good, size - 5, 3), "Invalid DVI version"},
        {"no post_post", withByte(good, size - 10, 0), "Could not find end of postamble"},
        {"q misses post", withByte(good, size - 6, 0), "Could not find start of postamble"},
        {"q before the file", withByte(good, size - 9, 0xFF), "Could not find start of postamble"},
        {"file ends inside the postamble", cutPostamble.bytes, "Stack allocation failure"},
        {"no preamble", withByte(good, 0, 139), "Preamble not Found"},
        {"preamble id 3", withByte(good, 1, 3), "Invalid DVI version"},
        {"junk before post", withByte(good, postPos - 1, 250),
         "begin 1\nfailure: undefined opcode"},
    };
    for (const Case& c : cases) {
        std::string expected = c.message;
        if (!expected.starts_with("begin")) expected = "failure: " + expected;
        EXPECT_EQ(TraceReader::Run(c.dvi), expected) << c.what;
    }
}

TEST(DviStructure, PageWalk) {
    // Pages are numbered in file order whatever their c0; nop bytes may stand before the
    // preamble, between pages and before post.
    DviBuilder dvi;
    dvi.Byte(138).Byte(138).Pre(254000, 72, 1000, "comment");
    dvi.Bop(7).Eop().Byte(138).Bop(-3).Eop().Bop(7).Eop().Byte(138);
    EXPECT_EQ(TraceReader::Run(dvi.Finish()),
              std::string(emptyPage) + "begin 2\nend 2 h=0 v=0 box=2147483647,0,2147483647,0\n" +
                  "begin 3\nend 3 h=0 v=0 box=2147483647,0,2147483647,0\n");

    EXPECT_EQ(TraceReader::Run(DviBuilder().Pre().Finish(100, 0)), "");

    // A font definition between pages is not a page.
    DviBuilder between;
    between.Pre().Bop().Eop().FontDef(0, 0, 655360, 655360, "cmr10").Bop().Eop();
    EXPECT_EQ(TraceReader::Run(between.Finish()),
              std::string(emptyPage) + "failure: Could not find beginning of page");
}

// A reader that keeps the unit fraction, to see which of preamble and postamble wins.
class UnitReader : public TraceReader {
  public:
    using TraceReader::num, TraceReader::den, TraceReader::mag, TraceReader::totalPages;
};

TEST(DviStructure, PreambleUnitsWinOverPostamble) {
    UnitReader reader;
    reader.Open(std::make_unique<std::istringstream>(DviBuilder().Pre(1, 2, 3).Finish(100, 9)));
    EXPECT_EQ(reader.num, 1u);
    EXPECT_EQ(reader.den, 2u);
    EXPECT_EQ(reader.mag, 3u);
    EXPECT_EQ(reader.totalPages, 9u);
}

TEST(DviStructure, MissingFileIsNamedWithoutBlank) {
    UnitReader reader;
    try {
        reader.Open("/nonexistent/talk.dvi");
        FAIL() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.Message(), "Failed to open /nonexistent/talk.dvifile");
    }
}

}  // namespace
