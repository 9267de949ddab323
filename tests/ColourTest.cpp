// Reading the argument of "color push" specials.
#include <gtest/gtest.h>

#include <cstdio>

#include "dvi/ColourSpecials.h"

namespace {

std::string Hex(const RgbColour& colour) {
    char text[7];
    std::snprintf(text, sizeof text, "%02x%02x%02x", colour.r, colour.g, colour.b);
    return text;
}

TEST(Colour, ParseColour) {
    struct Case {
        const char* argument;
        const char* rgb;
    } cases[] = {
        // Three numbers after the five characters that hold the model word.
        {" rgb 1 0 0", "ff0000"},
        {" rgb 0.5 0.5 0.5", "7f7f7f"},
        {" rgb 0.999 1.5 0", "fe7e00"},  // 1.5 * 255 = 382, whose low 8 bits are 126
        {" rgb -0.5 0 1", "8100ff"},     // -127 in two's complement
        {" rgb 0 1", "00ff00"},          // a missing number gives 0
        {" rgb  .25\t0x1p-1 1e0", "3f7fff"},
        {" rgb 1e300 nan 1", "0000ff"},  // no low bits to keep
        {" hsb 1 0 0", "ff0000"},        // other models: the same reading
        {" rgbx", "000000"},             // exactly five characters: nothing to read
        {" rgb", "000000"},              // shorter than five: black
        {"", "000000"},
        // Black anywhere wins.
        {" Black", "000000"},
        {" rgb 1 1 1 Black", "000000"},
        {" gray 1 Black", "000000"},
        // dvips's gray and cmyk models.
        {" gray 1", "ffffff"},
        {"gray 0.5", "7f7f7f"},
        {"  gray", "000000"},
        {" grayish 1", "000000"},  // not the model word: read as rgb after five characters
        {" cmyk 0 1 1 0", "ff0000"},
        {" cmyk 0 0 0 1", "000000"},
        {" cmyk 0.5 0 0 0.25", "3fbfbf"},
        {" cmyk 0.8 0.8 0 0.5", "00007f"},  // c + k is capped at 1
        // dvips's named colours, by their cmyk values.
        {"  Red", "ff0000"},
        {" ForestGreen", "00e000"},
        {" NavyBlue", "0f75ff"},
        {" OliveGreen", "009900"},  // split over two lines in color.pro
        {" White", "ffffff"},
        {" Red ", "000000"},  // not exactly a name
        {" red", "000000"},   // names are case-sensitive
    };
    for (const Case& c : cases)
        EXPECT_EQ(Hex(ParseColour(c.argument)), c.rgb) << '"' << c.argument << '"';
}

}  // namespace
