// The shapes of one slide. Glyphs and rules of one colour that follow each other on
// the page become one freeform shape, a custom geometry with one path per glyph or
// rule, so a page is tens of shapes rather than thousands; a change of colour, a text
// box or the end of the page closes the freeform. Over them come the lines of the
// page's text and the areas of its links.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dvi/ColourSpecials.h"
#include "pptx/glyphs/GlyphOutlines.h"
#include "pptx/shapes/PaintGeometry.h"
#include "ps/Paint.h"

// A link on the slide: its relationship in the slide's relationships, to a web address
// or to another slide.
struct SlideLink {
    std::uint32_t relationship;  // n of "rIdn"
    bool toSlide;
};

// Opacity in DrawingML's thousandths of a percent: `opaque` is 100000.
constexpr std::int32_t opaque = 100000;
inline std::int32_t OpacityOf(double alpha) {
    return static_cast<std::int32_t>(std::clamp<long>(std::lround(alpha * opaque), 0, opaque));
}

// How a drawing of the page's PostScript is painted: filled in a colour or a gradient,
// or neither; stroked or not; at an opacity.
struct DrawingStyle {
    const RgbColour* fill = nullptr;
    const LinearGradient* gradient = nullptr;
    const StrokeStyle* line = nullptr;
    RgbColour lineColour{0, 0, 0};
    std::int32_t opacity = opaque;
};

// A piece of a text line in one typeface, size and spacing.
struct TextRun {
    std::string_view text;  // UTF-8 of characters XML holds (see GlyphNames)
    std::string_view typeface;
    bool bold, italic;
    std::int64_t size;     // hundredths of a point
    std::int64_t spacing;  // hundredths of a point added after each character
    const RgbColour* ink;  // null: the text is transparent
};

class SlideShapes {
  public:
    // A glyph whose origin is at (x, y), in EMU from the slide's top left corner; with
    // `linear` (a b c d of an affine map), its outline mapped so about its origin.
    // With `stroke`, its outline is also stroked that wide (EMU) in its colour, as
    // XeTeX's emboldened fonts are drawn.
    void Glyph(const GlyphOutline& glyph, std::int64_t x, std::int64_t y, RgbColour colour,
               const Affine* linear = nullptr, std::int32_t opacity = opaque,
               std::int64_t stroke = 0);
    // A filled rectangle from (left, top) to (right, bottom), or its corners mapped by
    // `linear` about (left, bottom).
    void Rectangle(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                   RgbColour colour, const Affine* linear = nullptr, std::int32_t opacity = opaque);
    // A freeform of `path`, in EMU from the slide's top left corner, painted as
    // `style` says.
    void Drawing(const PaintPath& path, const DrawingStyle& style);
    // What the page's PostScript painted, clipped (PaintShapes.cpp).
    void Draw(const Paint& paint);
    // A freeform of `path` filled with a PNG picture stretched over its box; the
    // picture is the slide's relationship "rImn", n counting from 1.
    void Picture(const PaintPath& path, std::string png, std::int32_t opacity = opaque);
    // An image file's picture: the unit square of the image (rows from the top) mapped
    // by `placement` (to EMU from the slide's top left corner), only its part `crop`
    // (left, top, right, bottom in the unit square) when one is given.
    void FilePicture(std::shared_ptr<const std::string> bytes, std::string extension,
                     const Affine& placement, const std::optional<std::array<double, 4>>& crop,
                     std::int32_t opacity = opaque);
    // The pictures of the slide given since the last call, in the order of their n.
    struct Media {
        std::shared_ptr<const std::string> bytes;
        std::string extension;  // "png" or "jpeg"
    };
    std::vector<Media> TakePictures() { return std::move(pictures); }
    // A text box at (left, top), `width` by `height`, holding one line of runs that
    // starts at its top left corner; turned clockwise about its centre by `rotation`
    // (in 60,000ths of a degree, 0 to 21,599,999).
    void TextLine(std::int64_t left, std::int64_t top, std::int64_t width, std::int64_t height,
                  const std::vector<TextRun>& runs, std::int64_t rotation = 0);
    // How far the shape tree has been written (for Underlay).
    std::size_t Written() {
        if (!paths.empty()) WriteFreeform();
        return shapes.size();
    }
    // Moves the shapes written from `from` on (see Written) below all others, under an
    // opaque rectangle `width` by `height` over the slide in the colour `cover`: what
    // they hold stays on the slide, to be found, selected and read aloud, while no
    // program draws it, even one that draws transparent text.
    void Underlay(std::size_t from, RgbColour cover, std::int64_t width, std::int64_t height);
    // An invisible rectangle that follows a link when clicked.
    void LinkArea(std::int64_t left, std::int64_t top, std::int64_t width, std::int64_t height,
                  const SlideLink& link);

    // The slide document holding every shape given since the last call, over a
    // background colour when one is given; the next slide starts empty.
    std::string Finish(const RgbColour* background);

  private:
    // A path of the pending freeform: a glyph with its origin at (left, top).
    struct Path {
        const GlyphOutline* glyph;
        std::int64_t left, top;
    };
    void Pending(RgbColour colour, std::int32_t opacity, std::int64_t stroke = 0);
    void WriteFreeform();
    void ShapeStart(std::string_view kind, const SlideLink* link = nullptr);
    // The blip of the last picture given, at `opacity`.
    void Blip(std::int32_t opacity);
    void Click(const SlideLink& link);
    void Box(std::int64_t left, std::int64_t top, std::int64_t width, std::int64_t height,
             std::int64_t rotation = 0);

    // Starts a freeform shape whose points span left..right, top..bottom (EMU), up to
    // its list of paths: its box on the grid of path units, and its size in them.
    struct PathSpace {
        std::int64_t left, top, width, height;
    };
    PathSpace FreeformStart(std::string_view kind, std::int64_t left, std::int64_t top,
                            std::int64_t right, std::int64_t bottom);
    // A freeform of `path` up to its shape properties after the geometry; its path
    // element gets `pathAttributes`.
    void PathFreeformStart(const PaintPath& path, std::string_view pathAttributes,
                           bool closeSubpaths);

    std::string shapes;  // the shape tree's shapes so far
    std::vector<Media> pictures;
    std::vector<Path> paths;
    std::deque<GlyphOutline> rules;  // the outlines of the pending freeform's rules
    RgbColour pathColour{0, 0, 0};
    std::int32_t pathOpacity = opaque;
    std::int64_t pathStroke = 0;   // the width of the pending freeform's stroke; 0: none
    std::uint32_t shapeCount = 0;  // on this slide so far
};
