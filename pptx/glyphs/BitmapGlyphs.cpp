// Tracing a bitmap with potrace: its scanlines go from the bottom row up, in words whose
// most significant bit is the leftmost pixel; the curves it gives are closed, in pixels
// with y upwards from the bitmap's bottom left corner.
#include "pptx/glyphs/BitmapGlyphs.h"

#include <potracelib.h>

#include <climits>
#include <memory>
#include <vector>

#include "pptx/Emu.h"

void TraceGlyph(const PkGlyph& glyph, double emuPerPixel, GlyphOutline& outline) {
    outline = GlyphOutline{};
    if (glyph.width == 0 || glyph.height == 0) return;
    constexpr int bitsPerWord = int(sizeof(potrace_word) * CHAR_BIT);
    const int wordsPerRow = (glyph.width + bitsPerWord - 1) / bitsPerWord;
    std::vector<potrace_word> words(std::size_t(wordsPerRow) * std::size_t(glyph.height), 0);
    for (int row = 0; row < glyph.height; ++row) {
        potrace_word* line = &words[std::size_t(glyph.height - 1 - row) * std::size_t(wordsPerRow)];
        const std::uint8_t* pixels = &glyph.pixels[std::size_t(row) * std::size_t(glyph.width)];
        for (int x = 0; x < glyph.width; ++x) {
            if (pixels[x] != 0)
                line[x / bitsPerWord] |= potrace_word{1} << (bitsPerWord - 1 - x % bitsPerWord);
        }
    }
    potrace_bitmap_t bitmap{glyph.width, glyph.height, wordsPerRow, words.data()};
    const std::unique_ptr<potrace_param_t, void (*)(potrace_param_t*)> parameters(
        potrace_param_default(), potrace_param_free);
    if (!parameters) return;
    const std::unique_ptr<potrace_state_t, void (*)(potrace_state_t*)> state(
        potrace_trace(parameters.get(), &bitmap), potrace_state_free);
    if (!state || state->status != POTRACE_STATUS_OK) return;

    // A pixel's corner (x, y up from the bottom) about the reference point, y downwards.
    const auto point = [&](const potrace_dpoint_t& p) {
        outline.points.push_back(ToEmu((p.x - glyph.hoff) * emuPerPixel));
        outline.points.push_back(ToEmu((glyph.height - p.y - glyph.voff) * emuPerPixel));
    };
    using Step = GlyphOutline::Step;
    for (const potrace_path_t* path = state->plist; path != nullptr; path = path->next) {
        const potrace_curve_t& curve = path->curve;
        if (curve.n == 0) continue;
        outline.steps.push_back(Step::Move);
        point(curve.c[curve.n - 1][2]);
        for (int i = 0; i < curve.n; ++i) {
            if (curve.tag[i] == POTRACE_CURVETO) {
                outline.steps.push_back(Step::Cubic);
                point(curve.c[i][0]);
                point(curve.c[i][1]);
                point(curve.c[i][2]);
            } else {  // a corner: to its vertex, then to the segment's end
                outline.steps.push_back(Step::Line);
                point(curve.c[i][1]);
                outline.steps.push_back(Step::Line);
                point(curve.c[i][2]);
            }
        }
        outline.steps.push_back(Step::Close);
    }
    SetBox(outline);
}
