// XeTeX's fonts: a font file (OpenType, TrueType, a collection's face, or Type 1)
// whose glyphs an XDV file sets by glyph id at positions XeTeX has laid out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct NativeFont {
    std::int32_t number = 0;            // the DVI font number k
    std::string file;                   // as the XDV file names it: a path, or a file name
    std::uint32_t index = 0;            // the face in a collection
    std::int32_t size = 0;              // in DVI units
    bool vertical = false;              // laid out in vertical lines
    std::optional<std::uint32_t> rgba;  // the text's colour, red in the top byte
    // XeTeX's synthetic effects, as 16.16 fixed-point numbers: the glyphs stretched
    // across by `extend`, slanted by `slant`, made bolder by `embolden`.
    std::int32_t extend = 0x10000, slant = 0, embolden = 0;
    bool operator==(const NativeFont&) const = default;
};

// A glyph of a glyph run at its place (DVI units, from the page's origin).
struct PlacedGlyph {
    std::int32_t h, v;
    std::uint16_t id;
};
