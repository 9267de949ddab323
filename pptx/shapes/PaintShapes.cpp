// The page's PostScript paints as freeforms: a fill or stroke whose clip holds it keeps
// its curves; others are clipped, as polygons and polylines.
#include <algorithm>
#include <cmath>

#include "pptx/shapes/PaintRaster.h"
#include "pptx/shapes/SlideShapes.h"

void SlideShapes::Draw(const Paint& paint) {
    if (paint.mask) {
        // A picture, over the part of what it paints that its mask may let through.
        PaintPath area = PaintedArea(paint);
        if (!paint.mask->alpha && paint.mask->backdrop == 0) {
            PaintPath group;
            for (const Paint& part : paint.mask->paints) {
                const PaintPath partArea = PaintedArea(part);
                group.ops.insert(group.ops.end(), partArea.ops.begin(), partArea.ops.end());
                group.points.insert(group.points.end(), partArea.points.begin(),
                                    partArea.points.end());
            }
            const std::optional<Extent> reach = Bounds(group);
            if (!reach) return;
            area = ClipArea(area, false,
                            MappedRectangle({1, 0, 0, 1, 0, 0}, reach->left, reach->top,
                                            reach->right, reach->bottom));
        }
        const std::optional<Extent> box = Bounds(area);
        if (!box) return;
        if (const std::optional<Raster> raster = MaskedRaster(paint, *box))
            Picture(area, EncodePng(*raster), OpacityOf(paint.alpha));
        return;
    }
    switch (paint.kind) {
        case Paint::Kind::Fill:
        case Paint::Kind::EvenOddFill: {
            const bool evenOdd = paint.kind == Paint::Kind::EvenOddFill;
            const std::optional<Extent> box = Bounds(paint.path);
            if (!box) return;
            // Slide programs fill a freeform's subpaths by the even-odd rule: a nonzero
            // fill of one subpath is the same; others go through the clipper, which
            // leaves areas that do not overlap.
            const bool single =
                std::count(paint.path.ops.begin(), paint.path.ops.end(), PaintPath::Op::Move) == 1;
            DrawingStyle style;
            style.fill = &paint.colour;
            style.opacity = OpacityOf(paint.alpha);
            if (Holds(paint.clip, *box) && (evenOdd || single)) {
                Drawing(paint.path, style);
            } else {
                Drawing(ClipArea(paint.path, evenOdd, paint.clip), style);
            }
            return;
        }
        case Paint::Kind::Stroke: {
            std::optional<Extent> box = Bounds(paint.path);
            if (!box) return;
            // A miter reaches out at most miter limit times half the width.
            const double reach = paint.stroke.width / 2 * std::max(paint.stroke.miterLimit, 1.5);
            box = Extent{box->left - reach, box->top - reach, box->right + reach,
                         box->bottom + reach};
            DrawingStyle style;
            style.line = &paint.stroke;
            style.opacity = OpacityOf(paint.alpha);
            style.lineColour = paint.colour;
            Drawing(Holds(paint.clip, *box) ? paint.path : ClipLines(paint.path, paint.clip),
                    style);
            return;
        }
        case Paint::Kind::Shading: {
            const ShadingStyle& shading = paint.shading;
            // What it paints: the path inside the clip, or for shfill the clip.
            PaintPath area =
                paint.path.Empty() ? paint.clip : ClipArea(paint.path, false, paint.clip);
            // Translucent bands would show their seams: such a shading is a picture.
            if (shading.type == 2 && AlongAnAxis(shading) && paint.alpha >= 1) {
                for (const auto& [band, gradient] : AxialBands(shading, area)) {
                    DrawingStyle style;
                    style.opacity = OpacityOf(paint.alpha);
                    if (gradient.stops.front().second == gradient.stops.back().second)
                        style.fill = &gradient.stops.front().second;
                    else
                        style.gradient = &gradient;
                    Drawing(band, style);
                }
                return;
            }
            // Another is a picture; a radial one over what its circles sweep.
            if (shading.type == 3) {
                const PaintPath extent = RadialExtent(shading);
                if (!extent.Empty()) area = ClipArea(area, false, extent);
            }
            const std::optional<Extent> box = Bounds(area);
            if (!box) return;
            const std::optional<Raster> raster =
                shading.type == 2 ? AxialRaster(shading, *box) : RadialRaster(shading, *box);
            if (raster) Picture(area, EncodePng(*raster), OpacityOf(paint.alpha));
            return;
        }
        case Paint::Kind::Image: {
            const PaintPath area = ClipArea(ImageOutline(paint.image), false, paint.clip);
            const std::optional<Extent> box = Bounds(area);
            if (!box) return;
            if (const std::optional<Raster> raster = ImageRaster(paint.image, paint.colour, *box))
                Picture(area, EncodePng(*raster), OpacityOf(paint.alpha));
            return;
        }
        case Paint::Kind::Glyph:  // text, whose outline comes as a fill
            return;
    }
}
