// The package's number format against printf: %.14g with the exponent widened to three
// digits.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <sstream>

#include "writer/NumberFormat.h"

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
    std::string text;
    AppendNumber(text, value);
    ASSERT_EQ(text, Printf(value)) << std::hexfloat << value;
}

// Values at the ends of the fast path and of rounding; every count of significant
// digits and of trailing zeros at every decimal exponent around the switch between
// fixed and exponent form, both signs; positions and sizes as the package has them;
// any bit pattern at all.
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
                ExpectPrintf(
                    std::strtod((sign + digits + "e" + std::to_string(e)).c_str(), nullptr));
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

}  // namespace
