// A packed bitmap font (PK file), as Metafont's fonts are drawn where they have no
// Type 1 file: each character a bitmap at the file's resolution, with the offset of its
// reference point from the bitmap's top left pixel.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct PkGlyph {
    int width = 0, height = 0;
    int hoff = 0, voff = 0;  // the reference point: hoff pixels right, voff down from the top left
    std::vector<std::uint8_t> pixels;  // row by row from the top, 1 for black
};

struct PkFont {
    double pixelsPerPoint = 0;                         // horizontally, as the file gives it
    std::unordered_map<std::int32_t, PkGlyph> glyphs;  // by character code
};

// Reads a PK file's bytes; `name` names the font in messages. A file that is not a PK
// file, or whose characters run past its end or past their bitmaps, throws
// "Font NAME pk file is damaged". Bitmaps are at most 4096 pixels a side, 64 Mi pixels
// together.
PkFont ReadPkFont(std::string_view bytes, const std::string& name);
