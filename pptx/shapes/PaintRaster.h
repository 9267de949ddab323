// Pictures of what DrawingML cannot draw as shapes: radial shadings, axial ones across
// the slide's axes, the samples of PostScript images, and what is painted through a
// soft mask, drawn over a box of the slide at 300 dpi (finer for images whose samples
// are finer, at most 2048 pixels a side) with transparency where nothing is painted,
// and written as PNG files (libpng).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pptx/shapes/PaintGeometry.h"

struct Raster {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba;
};

// An axial shading over `box`.
std::optional<Raster> AxialRaster(const ShadingStyle& shading, const Extent& box);
// A radial shading over `box`.
std::optional<Raster> RadialRaster(const ShadingStyle& shading, const Extent& box);
// An image over `box`; a mask paints in `colour`.
std::optional<Raster> ImageRaster(const ImageSamples& image, RgbColour colour, const Extent& box);
// The image's outline on the slide: the parallelogram of its samples.
PaintPath ImageOutline(const ImageSamples& image);

// What a fill, shading or image paints of the slide, as polygons; none for others.
PaintPath PaintedArea(const Paint& paint);
// A fill, shading or image painted through its soft mask, over `box`: its colours, each
// pixel as opaque as the mask's group makes it there.
std::optional<Raster> MaskedRaster(const Paint& paint, const Extent& box);

std::string EncodePng(const Raster& raster);
