// The paper size a document asks for in a "papersize=W,H" special, as LaTeX's
// geometry and dvips options and beamer write it.
#pragma once

#include <optional>
#include <string_view>

struct PaperSize {
    double width = 612.0;  // in big points (1/72 in); US letter unless a special says
    double height = 792.0;
};

// Reads the special's text ("papersize=597.50787pt,845.04684pt"; any TeX unit, with or
// without "true"). Gives nothing when the text is not such a special or a dimension
// cannot be read or is not positive.
std::optional<PaperSize> ParsePaperSize(std::string_view special);
