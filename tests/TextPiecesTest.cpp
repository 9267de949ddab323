// The pieces text boxes are made of: the shape number counted in its decimal text and
// the top edges kept as text, which must write exactly what formatting the number afresh
// writes; texts copied in whole chunks; and the line template, whose fixed middle must
// survive every start written before it.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "writer/LineTemplate.h"
#include "writer/NumberFormat.h"
#include "writer/ReservedText.h"
#include "writer/ShapeNumber.h"
#include "writer/TopEdges.h"

namespace {

// Every step up to seven digits, so every carry and every lengthening (9999 to 10000,
// 999999 to 1000000) is passed.
TEST(ShapeNumber, CountsAsTheFourDigitFieldWrites) {
    ShapeNumber number;
    char buffer[24];
    for (std::int64_t n = 1; n <= 1100000; ++n) {
        ASSERT_EQ(number.Text().View(), IntegerText(n, 4, buffer)) << n;
        number.Next();
    }
}

std::string Formatted(double value) {
    std::string text;
    AppendNumber(text, value);
    return text;
}

// Baselines and heights drawn from small sets, so that keys repeat, the same height
// comes back on another baseline, and more heights than slots compete for the slots.
TEST(TopEdges, AgreeWithFormattingEachEdge) {
    const double pointsPerUnit = (25400000.0 / 473628672.0) * 0.0002834645669291339;
    TopEdges edges;
    edges.SetScale(pointsPerUnit, 44.0);
    std::mt19937 random(11);
    for (int i = 0; i < 200000; ++i) {
        const std::int32_t v = static_cast<std::int32_t>(random() % 8) * 786432 - 1000000;
        const double heightCut = (static_cast<int>(random() % 300) - 20) * 0.125;
        ASSERT_EQ(edges.At(v, heightCut).View(), Formatted(v * pointsPerUnit + 44.0 - heightCut))
            << v << " " << heightCut;
    }
    // Zero and minus zero are the same height and give the same edge.
    EXPECT_EQ(edges.At(0, 0.0).View(), "44");
    EXPECT_EQ(edges.At(0, -0.0).View(), "44");
}

// Block texts of every length around the chunk size are copied whole and counted
// exactly, whatever lies after them in the block.
TEST(BlockText, CopiedInChunksAsFarAsTheTextReaches) {
    for (const std::size_t length : {0, 1, 31, 32, 33, 64, 65, 100, 128}) {
        BlockText<128> text;
        std::memset(text.bytes, '#', sizeof text.bytes);
        const std::string content(length, 'a');
        ASSERT_TRUE(text.Append(content));
        char line[256];
        ReservedText written(line);
        written.Text("<").Text(text).Text(">");
        EXPECT_EQ(std::string(line, written.End()), "<" + content + ">") << length;
    }
    BlockText<32> full;
    EXPECT_FALSE(full.Append(std::string(40, 'b')));
    EXPECT_EQ(full.View(), std::string(32, 'b'));
}

// Starts of every length in turn, longer and shorter than before, their last piece a
// chunk that runs into the middle; middles shorter and longer than a chunk; ends of
// several lengths.
TEST(LineTemplate, KeepsItsMiddleUnderEveryStart) {
    for (const std::string& middle :
         {std::string("m"), std::string("pt;mso-wrap-style:none;-anchor"), std::string(100, 'm')}) {
        LineTemplate line;
        line.Make(8 + ShortText::capacity, middle, ShortText::capacity + 1);
        for (const int length : {5, 1, 32, 0, 17, 31, 2}) {
            ShortText piece;
            const std::string text(static_cast<std::size_t>(length), 'a' + length % 26);
            piece.Append(text);
            line.Start(8 + text.size()).Text("<start>=").Text(piece);
            ReservedText end = line.End();
            end.Text(piece).Text("\n");
            EXPECT_EQ(line.Line(end), "<start>=" + text + middle + text + "\n") << length;
        }
    }
}

}  // namespace
