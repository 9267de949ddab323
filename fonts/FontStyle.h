// The style of a TeX font as a common family would show it: serif, sans serif,
// monospace or mathematical symbols, bold or italic, small capitals or the italic
// letters of mathematics, told from the TFM name (cmbx10, ec-lmss10, ptmri8r ...) and
// coding scheme.
#pragma once

#include <string_view>

struct FontStyle {
    int family = 0;  // 0 serif, 1 sans serif, 2 monospace, 3 mathematical symbols
    bool bold = false, italic = false;
    bool smallCaps = false, mathItalic = false;
    // A font for Chinese, Japanese or Korean text: 0 none, 1 with proportional
    // punctuation (Japanese), 2 with full-width punctuation (Chinese).
    int cjk = 0;
    // A number for each family, weight and slant, 0 to 15.
    int Face() const { return family * 4 + (bold ? 2 : 0) + (italic ? 1 : 0); }
    bool operator==(const FontStyle&) const = default;
};

FontStyle StyleOfFont(std::string_view tfmName, std::string_view codingScheme);
// The style of a PostScript font by its name (Helvetica-BoldOblique, Times-Italic,
// CMR10 ...).
FontStyle StyleOfPostScriptFont(std::string_view fontName);
