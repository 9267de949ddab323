// The text of a slide, laid over its glyphs: the page's characters in TeX's order,
// grouped as a reader groups them (a word ends where TeX moves right by more than a
// kern, a line where the baseline changes), in text boxes whose runs are spaced so that
// every word starts where TeX put it. Characters drawn from outlines are transparent
// here, so the slide looks as before while its text can be found, selected and read;
// characters of fonts without outlines are drawn by the layer itself, in a common
// family of the same style.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dvi/ColourSpecials.h"
#include "fonts/FontStyle.h"
#include "pptx/shapes/SlideShapes.h"
#include "pptx/text/LayerFonts.h"

class TextLayer {
  public:
    // A character whose text (UTF-8) TeX set at x on the baseline y, advancing by
    // `advance`, in a font of `size` (all in EMU), its baseline turned clockwise by
    // `angle` radians about (x, y). With `ink`, the layer draws it.
    void Add(std::string_view text, std::int64_t x, std::int64_t y, std::int64_t advance,
             std::int64_t size, FontStyle style, std::optional<RgbColour> ink, double angle = 0.0);

    // An opaque rectangle over the slide, which transparent text goes under.
    struct Cover {
        RgbColour colour;
        std::int64_t width, height;
    };
    // Writes the page's text lines into `shapes` and starts the next page: with `cover`,
    // the lines of transparent text under it (below everything on the slide), and those
    // the layer draws above.
    void Finish(SlideShapes& shapes, const Cover* cover = nullptr);
    // The page's text as paragraphs (lines apart by more than a line's spacing; a
    // newline between paragraphs), from characters set upright below `top` (EMU from
    // the slide's top edge).
    std::string Paragraphs(std::int64_t top) const;
    // Whether the page has turned text.
    bool Turned() const;

  private:
    struct Char {
        // Along and across the baseline: on the slide, turned by `rotation` about the
        // slide's origin (in 60,000ths of a degree, clockwise).
        std::int64_t x, y, advance, size, rotation;
        std::uint32_t text, length;  // in `texts`
        int face;                    // of the layer's fonts
        bool measured;               // the face has every character of the text
        std::optional<RgbColour> ink;
    };
    void WriteLine(SlideShapes& shapes, std::size_t begin, std::size_t end);
    // How far TeX set character i apart from the one after (or before) it on its line:
    // infinite when that one is on another line.
    double Room(std::size_t i, bool after) const;
    // Whether a run of characters begin to end puts each where TeX put it.
    bool Uniform(std::size_t begin, std::size_t end);
    // The width of `text` in a face, in ems, kerned unless not `kerned`; `count` grows
    // by its code points,
    // and `places` gets the width before each code point at the index of its first byte.
    double Ems(int face, std::string_view text, std::size_t* count = nullptr,
               std::vector<double>* places = nullptr, bool kerned = true);
    // Whether a face has every character of `text`.
    bool Measurable(int face, std::string_view text);

    std::vector<Char> chars;
    std::string texts;
    LayerFonts fonts;
};
