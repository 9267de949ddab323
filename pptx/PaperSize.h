// The paper size a document asks for in a "papersize=W,H" special, as LaTeX's
// geometry and dvips options and beamer write it, and the one TeX's drivers print on
// when it asks for none.
#pragma once

#include <optional>
#include <string_view>

struct PaperSize {
    double width = 595.276;  // in big points (1/72 in); A4, TeX Live's paper
    double height = 841.89;
};

// Reads the special's text ("papersize=597.50787pt,845.04684pt"; any TeX unit, with or
// without "true"). Gives nothing when the text is not such a special or a dimension
// cannot be read or is not positive.
std::optional<PaperSize> ParsePaperSize(std::string_view special);

// The paper of the drivers' configuration, as kpsewhich finds it: dvips's first paper
// definition ("@ name width height", config.ps and the files it includes with "c"), or
// dvipdfmx's paper ("p name" or "p width,height"); A4 when it says nothing.
PaperSize DriverPaperSize(bool dvipdfmx);
