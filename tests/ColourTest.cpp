// Reading the argument of "color push" specials.
#include <gtest/gtest.h>

#include <cstdio>

#include "dvi/ColourSpecials.h"

namespace {

TEST(Colour, ParseColour) {
    const std::pair<const char*, const char*> cases[] = {
        // Three numbers after the five characters that hold the model word, each * 255
        // truncated to its low 8 bits; a missing number gives 0.
        {" rgb 1 0 0", "ff0000"},
        {" rgb 0.999 1.5 0", "fe7e00"},
        {" rgb -0.5 0 1", "8100ff"},
        {" rgb 0 1", "00ff00"},
        {" rgb  .25\t0x1p-1 1e0", "3f7fff"},
        {" rgb 1e300 nan 1", "0000ff"},
        {" hsb 1 0 0", "ff0000"},
        {" rgbx", "000000"},
        {" rgb", "000000"},
        {"", "000000"},
        // Black anywhere wins.
        {" Black", "000000"},
        {" rgb 1 1 1 Black", "000000"},
        {" gray 1 Black", "000000"},
        // dvips's gray and cmyk models; c + k is capped at 1.
        {" gray 1", "ffffff"},
        {"gray 0.5", "7f7f7f"},
        {"  gray", "000000"},
        {" grayish 1", "000000"},
        {" cmyk 0 1 1 0", "ff0000"},
        {" cmyk 0.5 0 0 0.25", "3fbfbf"},
        {" cmyk 0.8 0.8 0 0.5", "00007f"},
        // dvips's named colours, exactly, by their cmyk values: the first, the last.
        {"  Apricot", "ffad7a"},
        {" YellowOrange", "ff9300"},
        {" ForestGreen", "00e000"},
        {" Red ", "000000"},
        {" red", "000000"},
        {" Zebra", "000000"},
    };
    for (const auto& [argument, rgb] : cases) {
        const RgbColour colour = ParseColour(argument);
        char hex[7];
        std::snprintf(hex, sizeof hex, "%02x%02x%02x", colour.r, colour.g, colour.b);
        EXPECT_EQ(std::string(hex), rgb) << '"' << argument << '"';
    }
}

}  // namespace
