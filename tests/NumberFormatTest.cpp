// The package's number format: %.14g with a three-digit exponent, and the 4-digit field.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

#include "writer/NumberFormat.h"

namespace {

TEST(NumberFormat, Doubles) {
    struct Case {
        double value;
        const char* text;
    } cases[] = {
        {44.0, "44"},
        {44.5, "44.5"},
        {1.0 / 3, "0.33333333333333"},
        {-3.25, "-3.25"},
        {0.0000152, "1.52e-005"},
        {0.0001, "0.0001"},
        {0.00001, "1e-005"},
        {1.52018e-5, "1.52018e-005"},
        {1e14, "1e+014"},
        {99999999999999.0, "99999999999999"},
        {-2.5e-300, "-2.5e-300"},
        {1e100, "1e+100"},
        {0.0, "0"},
        {-0.0, "-0"},
        {55.555555555555555, "55.555555555556"},
        {32811.999984741211, "32811.999984741"},
    };
    for (const Case& c : cases) {
        std::string text;
        AppendNumber(text, c.value);
        EXPECT_EQ(text, c.text);
    }
}

}  // namespace

namespace {

// printf's %.14g, with the exponent widened to three digits: the reference.
std::string Printf(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.14g", value);
    std::string result = text;
    const std::size_t e = result.find('e');
    if (e != std::string::npos && result.size() - (e + 2) < 3) result.insert(e + 2, "0");
    return result;
}

TEST(NumberFormat, AgreesWithPrintfEverywhere) {
    std::mt19937_64 random(7);
    const double f = (25400000.0 / 473628672.0) * 0.0002834645669291339;
    std::vector<double> values = {
        12345678901234.5, 12345678901233.5, 99999999999999.5, 9.99999999999995, 9.999999999999949,
        0.00009999999999999995, 5e-324, 1e300, 0.1,
        // The ends of the straight path, 1 <= |value| < 2^46.
        1.0, std::nextafter(1.0, 0.0), 0x1p46, std::nextafter(0x1p46, 0.0),
        -std::nextafter(0x1p46, 0.0), 99999999999999.4, 9999999999999.95};
    for (int i = 0; i < 100000; ++i) {
        // Positions and sizes as the package has them, then any bit pattern at all.
        const auto h = static_cast<std::int32_t>(random());
        values.push_back(h * f + 44.0);
        values.push_back(std::trunc(h * f / 0.125) * 0.125);
        values.push_back(static_cast<double>(static_cast<std::int32_t>(random() % 1000000)) / 1000);
        std::uint64_t bits = random();
        double any;
        std::memcpy(&any, &bits, sizeof any);
        values.push_back(any);
    }
    for (const double value : values) {
        std::string text;
        AppendNumber(text, value);
        ASSERT_EQ(text, Printf(value)) << std::hexfloat << value;
    }
}

// Every digit pattern's count of trailing zeros (none of the 8 lower digits zero, some,
// all, and zeros reaching into the upper digits), at every decimal exponent around the
// switch between fixed and exponent form, both signs.
TEST(NumberFormat, AgreesWithPrintfForEveryDigitCountAndExponent) {
    const char* patterns[] = {"1",
                              "12",
                              "10000001",
                              "123456789",
                              "100000001",
                              "1000000001",
                              "12345678901234",
                              "10203040506070",
                              "99999999999999",
                              "5",
                              "1234567",
                              "1000000000001"};
    for (const char* digits : patterns) {
        for (int e = -7; e <= 16; ++e) {
            for (const char* sign : {"", "-"}) {
                const std::string text = std::string(sign) + digits + "e" + std::to_string(e);
                const double value = std::strtod(text.c_str(), nullptr);
                std::string written;
                AppendNumber(written, value);
                EXPECT_EQ(written, Printf(value)) << text;
            }
        }
    }
}

}  // namespace

namespace {

TEST(NumberFormat, Integers) {
    struct Case {
        std::uint64_t value;
        int minDigits;
        const char* text;
    } cases[] = {{0, 1, "0"},
                 {7, 4, "0007"},
                 {42, 4, "0042"},
                 {9999, 4, "9999"},
                 {12345, 4, "12345"},
                 {100, 1, "100"},
                 {18446744073709551615u, 4, "18446744073709551615"}};
    for (const Case& c : cases) {
        char text[24];
        EXPECT_EQ(std::string(text, WriteInteger(text, c.value, c.minDigits)), c.text);
    }
    // Negative numbers keep the fill before the sign, as a right-aligned field does.
    char buffer[24];
    EXPECT_EQ(IntegerText(-5, 4, buffer), "00-5");
    EXPECT_EQ(IntegerText(-12345, 4, buffer), "-12345");
    EXPECT_EQ(IntegerText(-9223372036854775807 - 1, 1, buffer), "-9223372036854775808");
    EXPECT_EQ(IntegerText(42, 4, buffer), "0042");
}

}  // namespace
