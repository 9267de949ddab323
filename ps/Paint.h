// What the PostScript of a page paints, as the interpreter reports it: fills, strokes,
// shadings and images, each with the clip path it was painted through, and the
// characters it shows (whose outlines come as fills). Coordinates
// are slide EMU (914400 to the inch) from the page's top left corner, y downwards.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dvi/ColourSpecials.h"

struct PaintPath {
    enum class Op : std::uint8_t { Move, Line, Cubic, Close };
    std::vector<Op> ops;
    std::vector<double> points;  // x, y pairs: one for Move and Line, three for Cubic
    bool Empty() const { return ops.empty(); }
};

// An affine map [a b c d e f]: (x, y) goes to (a x + c y + e, b x + d y + f).
using Affine = std::array<double, 6>;

// The map `first`, then `second`.
inline Affine Then(const Affine& first, const Affine& second) {
    const auto [a, b, c, d, e, f] = first;
    const auto [A, B, C, D, E, F] = second;
    return {a * A + b * C, a * B + b * D,     c * A + d * C,
            c * B + d * D, e * A + f * C + E, e * B + f * D + F};
}

struct StrokeStyle {
    double width = 1.0;     // EMU
    int cap = 0, join = 0;  // PostScript's codes: butt, round, square; miter, round, bevel
    double miterLimit = 10.0;
    std::vector<double> dash;  // EMU, on and off in turn
    double dashOffset = 0.0;
};

// An axial (type 2) or radial (type 3) shading: its coordinates in shading space,
// which `matrix` maps to the slide, and its colours at increasing parameters t.
struct ShadingStyle {
    int type = 2;
    std::array<double, 6> coords{};  // x0 y0 x1 y1, or x0 y0 r0 x1 y1 r1
    Affine matrix{};
    bool extendStart = false, extendEnd = false;
    std::vector<std::pair<double, RgbColour>> stops;
};

// Samples filling the unit square of image space, which `matrix` maps to the slide;
// rows from the top of the square as PostScript reads them. `components` 1, 3 or 4 (gray, RGB,
// CMYK); 0 for a mask painting its 1 bits in the paint's colour, -1 its 0 bits.
struct ImageSamples {
    int width = 0, height = 0, bits = 8, components = 1;
    Affine matrix{};
    std::string samples;  // rows padded to whole bytes
};

// A character that PostScript showed: from its origin (x, y) its width moves to (toX, toY),
// in a font whose em is `size` high; its glyph's name and the font's, as PostScript
// names them (64 characters at most).
struct ShownGlyph {
    double x = 0, y = 0, toX = 0, toY = 0, size = 0;
    std::string name, font;
};

struct Paint;

// A soft mask (PDF's, as pgf's fadings and beamer's shadows use them): what its group
// paints gives each point of the page an alpha, its luminosity (or, for an alpha mask,
// how much is painted there) over the backdrop's.
struct SoftMask {
    bool alpha = false;   // an alpha mask, else a luminosity mask
    double backdrop = 0;  // the luminosity where the group paints nothing
    std::vector<Paint> paints;
};

struct Paint {
    enum class Kind : std::uint8_t { Fill, EvenOddFill, Stroke, Shading, Image, Glyph };
    Kind kind = Kind::Fill;
    RgbColour colour{0, 0, 0};
    double alpha = 1;      // constant alpha, above 0
    bool blended = false;  // painted under a blend mode other than Normal
    StrokeStyle stroke;
    ShadingStyle shading;
    ImageSamples image;
    ShownGlyph glyph;  // for a Glyph, which has neither clip nor path
    PaintPath clip;    // painting happens inside it (nonzero)
    PaintPath path;    // what is filled or stroked; a shading's area when not empty
    std::shared_ptr<const SoftMask> mask;  // painted through it, when there is one
    // As the records give them: the soft mask it is painted through, or whose group it
    // belongs to (numbered on the page from 1; 0 for none).
    std::uint32_t maskedBy = 0, maskOf = 0;
};
