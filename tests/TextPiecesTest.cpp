// The pieces text boxes are made of, each against what formatting afresh writes: the
// shape number counted in its text, the top edges kept as text, and the line template,
// whose fixed middle must survive every start.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "writer/LineTemplate.h"
#include "writer/NumberFormat.h"
#include "writer/ShapeNumber.h"
#include "writer/TopEdges.h"

namespace {

// Every carry and every lengthening up to seven digits, counted and formatted.
TEST(ShapeNumber, CountsAsPrintfWrites) {
    ShapeNumber number;
    for (int n = 1; n <= 1100000; ++n, number.Next()) {
        char expected[16], text[24];
        std::snprintf(expected, sizeof expected, "%04d", n);
        ASSERT_EQ(number.Text().View(), expected);
        ASSERT_EQ(IntegerText(n, 4, text), expected);
    }
}

// Baselines and heights from small sets, so that keys repeat, a height comes back on
// another baseline, and more heights than slots compete for the slots.
TEST(TopEdges, AgreeWithFormattingEachEdge) {
    const double pointsPerUnit = (25400000.0 / 473628672.0) * 0.0002834645669291339;
    TopEdges edges;
    edges.SetScale(pointsPerUnit, 44.0);
    std::mt19937 random(11);
    for (int i = 0; i < 200000; ++i) {
        const std::int32_t v = static_cast<std::int32_t>(random() % 8) * 786432 - 1000000;
        const double heightCut = (static_cast<int>(random() % 300) - 20) * 0.125;
        std::string expected;
        AppendNumber(expected, v * pointsPerUnit + 44.0 - heightCut);
        ASSERT_EQ(edges.At(v, heightCut).View(), expected) << v << " " << heightCut;
    }
    EXPECT_EQ(edges.At(0, 0.0).View(), "44");
    EXPECT_EQ(edges.At(0, -0.0).View(), "44");  // the same height as 0
}

// Starts longer and shorter than before, their last chunk running into the middle;
// middles shorter and longer than a chunk.
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
