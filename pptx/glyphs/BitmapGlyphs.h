// Glyphs of bitmap fonts (Metafont's PK files) as outlines: each bitmap traced by
// potrace into curves, so that such a glyph is a freeform like any other.
#pragma once

#include "fonts/PkFont.h"
#include "pptx/glyphs/GlyphOutlines.h"

// Traces `glyph` into `outline`, placed about its reference point, `emuPerPixel` EMU a
// pixel; an empty bitmap, or one potrace cannot trace, gives an empty outline.
void TraceGlyph(const PkGlyph& glyph, double emuPerPixel, GlyphOutline& outline);
