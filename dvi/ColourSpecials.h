// Colours of the "color push" specials, as both writers read them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RgbColour {
    std::uint8_t r, g, b;
    bool operator==(const RgbColour&) const = default;
};

// Reads the argument of a "color push" special (the text after its ten characters):
// "Black" anywhere gives black; otherwise the gray and cmyk models of dvips, then a
// dvips colour name, and last three rgb numbers after the five characters that hold
// the model word.
// CMYK colours (the cmyk model and the names) become RGB through `cmyk` when one is
// given, else by dvips's formula.
using CmykConversion = RgbColour (*)(double c, double m, double y, double k);
RgbColour ParseColour(const std::string& argument, CmykConversion cmyk = nullptr);

// Applies a "color push ..." or "color pop" special to the colour stack (a pop of an
// empty stack does nothing); false for any other special.
bool ApplyColourSpecial(const std::string& special, std::vector<RgbColour>& stack,
                        CmykConversion cmyk = nullptr);
