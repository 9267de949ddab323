// The geometry of the page's PostScript paints on a slide, which has no clip paths:
// the part of a fill or a stroke that its clip lets through, worked out with Clipper
// (curves flattened to well under a hundredth of a point), and the gradients that
// DrawingML sets across shapes' boxes for an axial shading.
#pragma once

#include <optional>
#include <utility>
#include <vector>

#include "ps/Paint.h"

struct Extent {  // a box, in EMU
    double left, top, right, bottom;
};

// The box of all the points of a path (control points too); none for an empty path.
std::optional<Extent> Bounds(const PaintPath& path);

// The rectangle from (x0, y0) to (x1, y1) mapped by `m`: a closed parallelogram.
PaintPath MappedRectangle(const Affine& m, double x0, double y0, double x1, double y1);

// A shading's colour at parameter t of its domain, between its stops.
RgbColour ShadingColour(const ShadingStyle& shading, double t);

// Whether `clip` is a rectangle (of an axis-parallel path) that holds `box`.
bool Holds(const PaintPath& clip, const Extent& box);

// The area of a path filled by the nonzero or the even-odd rule, inside `clip`: closed
// polygons that do not overlap.
PaintPath ClipArea(const PaintPath& path, bool evenOdd, const PaintPath& clip);

// The lines of a path inside `clip`: open polylines.
PaintPath ClipLines(const PaintPath& path, const PaintPath& clip);

// DrawingML's linear gradient across a shape's box: its angle (degrees, clockwise from
// the x axis, any turn) and its stops at positions 0 to 1.
struct LinearGradient {
    double angle;
    std::vector<std::pair<double, RgbColour>> stops;
};

// Whether an axial shading's colour changes across or down the slide only.
bool AlongAnAxis(const ShadingStyle& shading);

// What an axial shading paints of `area`, in bands between the places of its colour
// stops, each with a gradient of two colours (slide programs take no more); none when
// the shading is degenerate.
std::vector<std::pair<PaintPath, LinearGradient>> AxialBands(const ShadingStyle& shading,
                                                             const PaintPath& area);

// The part of the slide a radial shading paints, as a polygon: the box of its circles,
// or everything (an empty path) when it extends beyond its larger end.
PaintPath RadialExtent(const ShadingStyle& shading);
