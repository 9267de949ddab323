#include "dvi/ColourSpecials.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string_view>

#include "dvi/NamedColours.h"

namespace {

// A component from 0 to 1 becomes x * 255 with its fraction dropped toward zero,
// reduced to its low 8 bits (so 1.5 gives 126); what has no such bits gives 0.
std::uint8_t Component(double x) {
    const double low = std::fmod(std::trunc(x * 255), 256.0);
    if (!std::isfinite(low)) return 0;
    return static_cast<std::uint8_t>(static_cast<int>(low < 0 ? low + 256 : low));
}

// strtod from `cursor` on: skips white space, yields 0 without moving when no number
// can be read there, and leaves `cursor` after what it read.
double NextNumber(const char*& cursor) {
    char* end = nullptr;
    const double value = std::strtod(cursor, &end);
    cursor = end;
    return value;
}

RgbColour FromCmyk(double c, double m, double y, double k) {
    return {Component(1 - std::min(1.0, c + k)), Component(1 - std::min(1.0, m + k)),
            Component(1 - std::min(1.0, y + k))};
}

// True when `text` begins with the model word followed by a blank or its end.
bool IsModel(std::string_view text, std::string_view word) {
    return text.starts_with(word) && (text.size() == word.size() || text[word.size()] == ' ');
}

}  // namespace

RgbColour ParseColour(const std::string& argument, CmykConversion cmyk) {
    if (cmyk == nullptr) cmyk = FromCmyk;
    if (argument.find("Black") != std::string::npos) return {0, 0, 0};

    const std::size_t start = std::min(argument.find_first_not_of(' '), argument.size());
    const std::string_view word = std::string_view(argument).substr(start);
    const char* cursor = argument.c_str() + start;
    if (IsModel(word, "gray")) {
        cursor += 4;
        const std::uint8_t level = Component(NextNumber(cursor));
        return {level, level, level};
    }
    if (IsModel(word, "cmyk")) {
        cursor += 4;
        const double c = NextNumber(cursor), m = NextNumber(cursor), y = NextNumber(cursor);
        return cmyk(c, m, y, NextNumber(cursor));
    }
    if (const NamedColour* named = FindNamedColour(word)) {
        return cmyk(named->c, named->m, named->y, named->k);
    }

    if (argument.size() < 5) return {0, 0, 0};
    cursor = argument.c_str() + 5;  // the model word and the blanks around it
    const double r = NextNumber(cursor), g = NextNumber(cursor);
    return {Component(r), Component(g), Component(NextNumber(cursor))};
}

bool ApplyColourSpecial(const std::string& special, std::vector<RgbColour>& stack,
                        CmykConversion cmyk) {
    const std::string_view text = special;
    if (text.starts_with("color push")) {
        stack.push_back(ParseColour(special.substr(10), cmyk));
        return true;
    }
    if (text.starts_with("color pop")) {
        if (!stack.empty()) stack.pop_back();
        return true;
    }
    return false;
}
