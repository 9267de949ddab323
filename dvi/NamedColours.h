#pragma once

#include <string_view>

struct NamedColour {
    std::string_view name;
    double c, m, y, k;
};

// The dvips colour of that exact name (case-sensitive), or none.
const NamedColour* FindNamedColour(std::string_view name);
