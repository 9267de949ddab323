// CMYK colours as Ghostscript draws them: through its default CMYK profile to sRGB,
// relative colorimetric with black point compensation (lcms2). Without the profile, by
// PostScript's own formula.
#pragma once

#include "dvi/ColourSpecials.h"

// Components from 0 to 1.
RgbColour CmykToRgb(double c, double m, double y, double k);
