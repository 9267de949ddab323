// The package's number format: %.14g with a three-digit exponent, and the 4-digit field.
#include <gtest/gtest.h>

#include "writer/OutputFile.h"

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
