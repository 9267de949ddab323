// Slide coordinates: English Metric Units, 914400 to the inch and 12700 to the big point.
#pragma once

#include <cmath>
#include <cstdint>

constexpr double emuPerBigPoint = 12700.0;
constexpr std::int64_t emuPerInch = 914400;

// Rounds a length in EMU to a whole number. Lengths out of all proportion (a DVI file
// with absurd units) stop at 2^43 EMU, some 240 km, and a NaN becomes 0: a position
// plus a glyph's extent then stays within DrawingML's coordinate range (about 2.7e13).
inline std::int64_t ToEmu(double emu) {
    constexpr double limit = 0x1p43;
    if (!(emu == emu)) return 0;
    if (emu > limit) emu = limit;
    if (emu < -limit) emu = -limit;
    return std::llround(emu);
}
