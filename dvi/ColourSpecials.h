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
RgbColour ParseColour(const std::string& argument);

// Applies a "color push ..." or "color pop" special to the colour stack (a pop of an
// empty stack does nothing); false for any other special.
bool ApplyColourSpecial(const std::string& special, std::vector<RgbColour>& stack);
