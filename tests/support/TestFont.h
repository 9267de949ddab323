// The font "tst" that reader and writer tests define: design size 10 pt, checksum
// 0x12345678, and the characters A (width 0.5, height 0.4375 of the size) and
// B (width, height and depth of 5, 7 and -2 fix_word units).
#pragma once

#include "support/DviBuilder.h"
#include "support/FakeKpsewhich.h"
#include "support/TfmBuilder.h"

constexpr std::int32_t tstChecksum = 0x12345678;
constexpr std::int32_t tstDesignSize = 10 << 16;  // 10 pt in DVI's 2^-16 pt units

inline TfmBuilder TestFont() {
    TfmBuilder font;
    font.bc = 65;
    font.chars = {{0x80000, 0x70000, 0}, {5, 7, -2}};
    return font;
}

// Defines "tst" as font k at scaled size s.
inline DviBuilder& DefineTst(DviBuilder& dvi, int k = 0, std::int32_t s = 1 << 20) {
    return dvi.FontDef(k, tstChecksum, s, tstDesignSize, "tst");
}
