// The pieces text boxes are made of, each against printf: numbers (%.14g with the
// exponent widened to three digits), the shape number counted in its text, and the top
// edges kept as text.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <sstream>

#include "writer/NumberFormat.h"
#include "writer/ShapeNumber.h"
#include "writer/TopEdges.h"

namespace {

std::string Printf(double value) {
    char text[64], wide[64];
    std::snprintf(text, sizeof text, "%.14g", value);
    const char* e = std::strchr(text, 'e');
    if (e == nullptr || std::strlen(e + 2) >= 3) return text;
    const int at = static_cast<int>(e + 2 - text);  // after the e and its sign
    std::snprintf(wide, sizeof wide, "%.*s0%s", at, text, text + at);
    return wide;
}

void ExpectPrintf(double value) {
    char text[maxNumberLength];
    ASSERT_EQ(std::string(text, WriteNumber(text, value)), Printf(value)) << std::hexfloat << value;
}

// Values at the ends of the fast path and of rounding; every count of significant digits
// and trailing zeros at every exponent around the switch to the exponent form, both
// signs; positions and sizes as the package has them; any bit pattern at all.
TEST(NumberFormat, AgreesWithPrintf) {
    const char* edges =
        "0 -0 0x1.5555555555555p-2 12345678901234.5 12345678901233.5 99999999999999.5 "
        "9.99999999999995 9.999999999999949 0.00009999999999999995 5e-324 1e300 0.1 1 "
        "0x1.fffffffffffffp-1 0x1p46 0x1.fffffffffffffp45 99999999999999.4 9999999999999.95 "
        "inf -inf nan";
    for (char* end; *edges != '\0'; edges = end) ExpectPrintf(std::strtod(edges, &end));
    std::istringstream patterns(
        "1 12 5 1234567 10000001 123456789 100000001 1000000001 1000000000001 12345678901234 "
        "10203040506070 99999999999999");
    for (std::string digits; patterns >> digits;) {
        for (int e = -7; e <= 16; ++e) {
            for (const char* sign : {"", "-"})
                ExpectPrintf(std::stod(sign + digits + "e" + std::to_string(e)));
        }
    }
    std::mt19937_64 random(7);
    const double f = (25400000.0 / 473628672.0) * 0.0002834645669291339;
    for (int i = 0; i < 100000; ++i) {
        const auto h = static_cast<std::int32_t>(random());
        ExpectPrintf(h * f + 44.0);
        ExpectPrintf(std::trunc(h * f / 0.125) * 0.125);
        ExpectPrintf(static_cast<std::int32_t>(random() % 1000000) / 1000.0);
        const std::uint64_t bits = random();
        double any;
        std::memcpy(&any, &bits, sizeof any);
        ExpectPrintf(any);
    }
}

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
TEST(TopEdges, AgreeWithPrintf) {
    const double pointsPerUnit = (25400000.0 / 473628672.0) * 0.0002834645669291339;
    TopEdges edges;
    edges.SetScale(pointsPerUnit, 44.0);
    std::mt19937 random(11);
    for (int i = 0; i < 200000; ++i) {
        const std::int32_t v = static_cast<std::int32_t>(random() % 8) * 786432 - 1000000;
        const double heightCut = (static_cast<int>(random() % 300) - 20) * 0.125;
        ASSERT_EQ(edges.At(v, heightCut).View(), Printf(v * pointsPerUnit + 44.0 - heightCut));
    }
    EXPECT_EQ(edges.At(0, -0.0).View(), "44");  // the same height as 0
}

}  // namespace
