// Clipping with Clipper on integer EMU.
#include "pptx/shapes/PaintGeometry.h"

#include <algorithm>
#include <cmath>
#include <polyclipping/clipper.hpp>

namespace {

using ClipperLib::IntPoint;
using ClipperLib::Path;
using ClipperLib::Paths;

// A cubic Bézier curve is drawn as this many lines per 2 points of its control
// polygon's length (at least 4, at most 128).
constexpr double emuPerStep = 2 * 12700.0;

IntPoint Point(double x, double y) {
    return IntPoint(std::llround(x), std::llround(y));
}

// The path's subpaths as polylines; `closed` says of each whether it was closed.
Paths Flatten(const PaintPath& path, std::vector<bool>* closed = nullptr) {
    Paths paths;
    const double* p = path.points.data();
    double x = 0, y = 0;
    for (const PaintPath::Op op : path.ops) {
        switch (op) {
            case PaintPath::Op::Move:
                paths.emplace_back();
                if (closed) closed->push_back(false);
                x = p[0], y = p[1];
                paths.back().push_back(Point(x, y));
                p += 2;
                break;
            case PaintPath::Op::Line:
                x = p[0], y = p[1];
                paths.back().push_back(Point(x, y));
                p += 2;
                break;
            case PaintPath::Op::Cubic: {
                const double length = std::hypot(p[0] - x, p[1] - y) +
                                      std::hypot(p[2] - p[0], p[3] - p[1]) +
                                      std::hypot(p[4] - p[2], p[5] - p[3]);
                const int steps = std::clamp(static_cast<int>(length / emuPerStep), 4, 128);
                for (int i = 1; i <= steps; ++i) {
                    const double t = double(i) / steps, s = 1 - t;
                    const double a = s * s * s, b = 3 * s * s * t, c = 3 * s * t * t, d = t * t * t;
                    paths.back().push_back(Point(a * x + b * p[0] + c * p[2] + d * p[4],
                                                 a * y + b * p[1] + c * p[3] + d * p[5]));
                }
                x = p[4], y = p[5];
                p += 6;
                break;
            }
            case PaintPath::Op::Close:
                if (closed) closed->back() = true;
                // A closed subpath goes on from its start.
                x = double(paths.back().front().X), y = double(paths.back().front().Y);
                paths.push_back(Path{paths.back().front()});
                if (closed) closed->push_back(false);
                break;
        }
    }
    // Subpaths of one point (a move and nothing more) draw nothing.
    std::vector<bool> kept;
    Paths result;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (paths[i].size() < 2) continue;
        result.push_back(std::move(paths[i]));
        if (closed) kept.push_back((*closed)[i]);
    }
    if (closed) *closed = std::move(kept);
    return result;
}

void Append(PaintPath& path, const Path& polyline, bool close) {
    for (std::size_t i = 0; i < polyline.size(); ++i) {
        path.ops.push_back(i == 0 ? PaintPath::Op::Move : PaintPath::Op::Line);
        path.points.push_back(double(polyline[i].X));
        path.points.push_back(double(polyline[i].Y));
    }
    if (close) path.ops.push_back(PaintPath::Op::Close);
}

}  // namespace

std::optional<Extent> Bounds(const PaintPath& path) {
    if (path.points.empty()) return std::nullopt;
    Extent box{path.points[0], path.points[1], path.points[0], path.points[1]};
    for (std::size_t i = 0; i + 1 < path.points.size(); i += 2) {
        box.left = std::min(box.left, path.points[i]);
        box.right = std::max(box.right, path.points[i]);
        box.top = std::min(box.top, path.points[i + 1]);
        box.bottom = std::max(box.bottom, path.points[i + 1]);
    }
    return box;
}

PaintPath MappedRectangle(const Affine& m, double x0, double y0, double x1, double y1) {
    PaintPath rectangle;
    const double corners[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    for (const auto& [x, y] : corners) {
        rectangle.ops.push_back(rectangle.ops.empty() ? PaintPath::Op::Move : PaintPath::Op::Line);
        rectangle.points.push_back(m[0] * x + m[2] * y + m[4]);
        rectangle.points.push_back(m[1] * x + m[3] * y + m[5]);
    }
    rectangle.ops.push_back(PaintPath::Op::Close);
    return rectangle;
}

RgbColour ShadingColour(const ShadingStyle& shading, double t) {
    const auto& stops = shading.stops;
    if (t <= stops.front().first) return stops.front().second;
    for (std::size_t i = 1; i < stops.size(); ++i) {
        if (t > stops[i].first) continue;
        const double span = stops[i].first - stops[i - 1].first;
        const double f = span > 0 ? (t - stops[i - 1].first) / span : 1;
        const RgbColour &p = stops[i - 1].second, &q = stops[i].second;
        const auto mix = [&](std::uint8_t a, std::uint8_t b) {
            return static_cast<std::uint8_t>(std::lround(a + (b - a) * f));
        };
        return RgbColour{mix(p.r, q.r), mix(p.g, q.g), mix(p.b, q.b)};
    }
    return stops.back().second;
}

bool Holds(const PaintPath& clip, const Extent& box) {
    // One subpath of four lines (or three and a close), each along an axis.
    using Op = PaintPath::Op;
    const std::vector<Op>& ops = clip.ops;
    const bool shape = (ops.size() == 5 && ops[4] == Op::Close) || ops.size() == 4 ||
                       (ops.size() == 6 && ops[4] == Op::Line && ops[5] == Op::Close);
    if (!shape || ops[0] != Op::Move ||
        std::any_of(ops.begin() + 1, ops.begin() + 4, [](Op op) { return op != Op::Line; }))
        return false;
    const std::vector<double>& p = clip.points;
    for (std::size_t i = 0; i < 4; ++i) {
        const std::size_t j = (i + 1) % 4;
        if (p[2 * i] != p[2 * j] && p[2 * i + 1] != p[2 * j + 1]) return false;
    }
    const std::optional<Extent> rectangle = Bounds(clip);
    // A hundredth of a point of give for the numbers' rounding on the way.
    const double slack = 127;
    return rectangle->left <= box.left + slack && rectangle->top <= box.top + slack &&
           rectangle->right >= box.right - slack && rectangle->bottom >= box.bottom - slack;
}

PaintPath ClipArea(const PaintPath& path, bool evenOdd, const PaintPath& clip) {
    ClipperLib::Clipper clipper;
    clipper.AddPaths(Flatten(path), ClipperLib::ptSubject, true);
    clipper.AddPaths(Flatten(clip), ClipperLib::ptClip, true);
    Paths area;
    clipper.Execute(ClipperLib::ctIntersection, area,
                    evenOdd ? ClipperLib::pftEvenOdd : ClipperLib::pftNonZero,
                    ClipperLib::pftNonZero);
    PaintPath result;
    for (const Path& polygon : area) Append(result, polygon, true);
    return result;
}

PaintPath ClipLines(const PaintPath& path, const PaintPath& clip) {
    std::vector<bool> closed;
    Paths lines = Flatten(path, &closed);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (closed[i]) lines[i].push_back(lines[i].front());
    }
    ClipperLib::Clipper clipper;
    clipper.AddPaths(lines, ClipperLib::ptSubject, false);
    clipper.AddPaths(Flatten(clip), ClipperLib::ptClip, true);
    ClipperLib::PolyTree tree;
    clipper.Execute(ClipperLib::ctIntersection, tree, ClipperLib::pftNonZero,
                    ClipperLib::pftNonZero);
    Paths open;
    ClipperLib::OpenPathsFromPolyTree(tree, open);
    PaintPath result;
    for (const Path& polyline : open) Append(result, polyline, false);
    return result;
}

namespace {

// The direction of an axial shading's lines of one colour on the slide: across its axis
// in shading space, (-ay, ax), mapped.
std::pair<double, double> LineOfOneColour(const ShadingStyle& shading) {
    const Affine& m = shading.matrix;
    const double ax = shading.coords[2] - shading.coords[0],
                 ay = shading.coords[3] - shading.coords[1];
    return {-ay * m[0] + ax * m[2], -ay * m[1] + ax * m[3]};
}

}  // namespace

bool AlongAnAxis(const ShadingStyle& shading) {
    const auto [lx, ly] = LineOfOneColour(shading);
    return std::abs(lx) <= 1e-6 * std::abs(ly) || std::abs(ly) <= 1e-6 * std::abs(lx);
}

std::vector<std::pair<PaintPath, LinearGradient>> AxialBands(const ShadingStyle& shading,
                                                             const PaintPath& area) {
    std::vector<std::pair<PaintPath, LinearGradient>> bands;
    const std::optional<Extent> box = Bounds(area);
    if (!box) return bands;
    const Affine& m = shading.matrix;
    const auto& c = shading.coords;
    const double x0 = m[0] * c[0] + m[2] * c[1] + m[4], y0 = m[1] * c[0] + m[3] * c[1] + m[5];
    const double x1 = m[0] * c[2] + m[2] * c[3] + m[4], y1 = m[1] * c[2] + m[3] * c[3] + m[5];
    // The direction across the lines of one colour, and the axis's length along it.
    const auto [lx, ly] = LineOfOneColour(shading);
    const double length = std::hypot(lx, ly);
    if (length == 0) return bands;
    const double nx = -ly / length, ny = lx / length;
    const double span = (x1 - x0) * nx + (y1 - y0) * ny;
    if (std::abs(span) < 1) return bands;
    // Places along the direction, from the axis's start.
    double low = HUGE_VAL, high = -HUGE_VAL;
    for (std::size_t i = 0; i + 1 < area.points.size(); i += 2) {
        const double u = (area.points[i] - x0) * nx + (area.points[i + 1] - y0) * ny;
        low = std::min(low, u), high = std::max(high, u);
    }
    const double start = span > 0 ? 0 : span, end = span > 0 ? span : 0;
    const bool extendLow = span > 0 ? shading.extendStart : shading.extendEnd;
    const bool extendHigh = span > 0 ? shading.extendEnd : shading.extendStart;
    if (!extendLow) low = std::max(low, start);
    if (!extendHigh) high = std::min(high, end);
    const double d0 = shading.stops.front().first, d1 = shading.stops.back().first;
    const auto place = [&](double t) { return (t - d0) / (d1 - d0) * span; };
    const auto colourAt = [&](double u) {
        return ShadingColour(shading, d0 + std::clamp(u / span, 0.0, 1.0) * (d1 - d0));
    };
    std::vector<double> cuts = {low, high};
    for (const auto& stop : shading.stops) {
        const double u = place(stop.first);
        if (u > low && u < high) cuts.push_back(u);
    }
    std::sort(cuts.begin(), cuts.end());
    const double reach = (box->right - box->left) + (box->bottom - box->top) +
                         std::abs((box->left - x0) * ny - (box->top - y0) * nx) + 1e6;
    for (std::size_t i = 1; i < cuts.size(); ++i) {
        const double a = cuts[i - 1], b = cuts[i];
        if (b - a < 1) continue;
        // Across the lines from a to b, along them far beyond the area.
        const PaintPath slab = MappedRectangle({nx, ny, -ny, nx, x0, y0}, a, -reach, b, reach);
        PaintPath band = ClipArea(area, false, slab);
        const std::optional<Extent> bandBox = Bounds(band);
        if (!bandBox) continue;
        // The band's colours at the ends of its box's extent across the lines.
        double qa = HUGE_VAL, qb = -HUGE_VAL;
        for (const double x : {bandBox->left, bandBox->right})
            for (const double y : {bandBox->top, bandBox->bottom}) {
                const double u = (x - x0) * nx + (y - y0) * ny;
                qa = std::min(qa, u), qb = std::max(qb, u);
            }
        LinearGradient gradient;
        gradient.angle = std::atan2(ny, nx) * 180 / M_PI;
        gradient.stops = {{0.0, colourAt(std::clamp(qa, a, b))},
                          {1.0, colourAt(std::clamp(qb, a, b))}};
        bands.emplace_back(std::move(band), std::move(gradient));
    }
    return bands;
}

PaintPath RadialExtent(const ShadingStyle& shading) {
    PaintPath extent;
    const auto& c = shading.coords;
    if (shading.extendEnd && c[5] >= c[2]) return extent;
    if (shading.extendStart && c[2] > c[5]) return extent;
    const double r = std::max(c[2], c[5]);
    return MappedRectangle(shading.matrix, std::min(c[0], c[3]) - r, std::min(c[1], c[4]) - r,
                           std::max(c[0], c[3]) + r, std::max(c[1], c[4]) + r);
}
