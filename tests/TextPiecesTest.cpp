// The pieces text boxes are made of: the shape number counted in its decimal text and
// the top edges kept as text, which must write exactly what formatting the number afresh
// writes, and the prepared line, whose kept end must survive every start written before it.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "writer/NumberFormat.h"
#include "writer/PreparedLine.h"
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

// Starts of every length in turn, longer and shorter than before, their last piece a
// whole block that runs into the end; ends shorter and longer than a block.
TEST(PreparedLine, KeepsItsEndUnderEveryStart) {
    for (const std::string& end : {std::string("x\n"), std::string("pt;width:12.5pt</v:shape>\n"),
                                   std::string(100, 'e') + "\n"}) {
        PreparedLine line;
        line.Make(8 + ShortText::capacity, end);
        EXPECT_EQ(line.End(), end.substr(0, end.size() - 1));
        for (const int length : {5, 1, 32, 0, 17, 31, 2}) {
            ShortText piece;
            const std::string text(static_cast<std::size_t>(length), 'a' + length % 26);
            text.copy(piece.bytes, text.size());
            piece.size = static_cast<std::uint8_t>(text.size());
            line.Start(8 + text.size()).Text("<start>=").Text(piece);
            EXPECT_EQ(line.Line(8 + text.size()), "<start>=" + text + end) << length;
        }
    }
}

}  // namespace
