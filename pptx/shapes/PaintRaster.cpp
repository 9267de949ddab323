// Drawing shadings and images pixel by pixel, each pixel at the colour of its centre.
#include "pptx/shapes/PaintRaster.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

#include "ps/CmykColour.h"

namespace {

constexpr double emuPerPixel = 914400.0 / 300;  // 300 dpi
constexpr int largestSide = 2048;

// The inverse of an affine map; none when it is singular.
std::optional<Affine> Inverse(const Affine& m) {
    const double det = m[0] * m[3] - m[1] * m[2];
    if (std::abs(det) < 1e-12) return std::nullopt;
    const double a = m[3] / det, b = -m[1] / det, c = -m[2] / det, d = m[0] / det;
    return Affine{a, b, c, d, -(a * m[4] + c * m[5]), -(b * m[4] + d * m[5])};
}

// The pixels over `box` at `pixel` EMU a pixel, coarser when they would be too many.
struct Grid {
    Extent box;
    int width = 0, height = 0;
    double stepX = 0, stepY = 0;
    double X(int i) const { return box.left + (i + 0.5) * stepX; }
    double Y(int j) const { return box.top + (j + 0.5) * stepY; }
};

std::optional<Grid> GridOver(const Extent& box, double pixel) {
    const double across = box.right - box.left, down = box.bottom - box.top;
    if (!(across > 0) || !(down > 0)) return std::nullopt;
    pixel = std::max({pixel, across / largestSide, down / largestSide});
    Grid grid{box};
    grid.width = std::max(1, static_cast<int>(std::ceil(across / pixel)));
    grid.height = std::max(1, static_cast<int>(std::ceil(down / pixel)));
    grid.stepX = across / grid.width;
    grid.stepY = down / grid.height;
    return grid;
}

// A colour at a place on the slide; none where nothing is painted.
using ColourField = std::function<std::optional<RgbColour>(double x, double y)>;

// A raster over `grid`, each pixel given by `colour` at its centre's place, in the
// opacity `alpha` gives there (0 to 1; opaque without it).
std::optional<Raster> Draw(const std::optional<Grid>& grid, const ColourField& colour,
                           const std::function<double(std::size_t pixel)>& alpha = {}) {
    if (!grid) return std::nullopt;
    Raster raster;
    raster.width = grid->width;
    raster.height = grid->height;
    raster.rgba.resize(std::size_t(raster.width) * std::size_t(raster.height) * 4);
    std::uint8_t* out = raster.rgba.data();
    std::size_t pixel = 0;
    for (int j = 0; j < raster.height; ++j) {
        const double y = grid->Y(j);
        for (int i = 0; i < raster.width; ++i, out += 4, ++pixel) {
            const std::optional<RgbColour> painted = colour(grid->X(i), y);
            if (!painted) continue;  // transparent
            out[0] = painted->r, out[1] = painted->g, out[2] = painted->b;
            out[3] = alpha ? static_cast<std::uint8_t>(
                                 std::lround(std::clamp(alpha(pixel), 0.0, 1.0) * 255))
                           : 255;
        }
    }
    return raster;
}

std::optional<ColourField> AxialField(const ShadingStyle& shading) {
    const std::optional<Affine> inverse = Inverse(shading.matrix);
    const auto& c = shading.coords;
    const double dx = c[2] - c[0], dy = c[3] - c[1], length = dx * dx + dy * dy;
    if (!inverse || length == 0) return std::nullopt;
    const double d0 = shading.stops.front().first, d1 = shading.stops.back().first;
    return [=, &shading, m = *inverse](double sx, double sy) -> std::optional<RgbColour> {
        const double px = m[0] * sx + m[2] * sy + m[4] - c[0],
                     py = m[1] * sx + m[3] * sy + m[5] - c[1];
        const double s = (px * dx + py * dy) / length;
        if ((s < 0 && !shading.extendStart) || (s > 1 && !shading.extendEnd)) return std::nullopt;
        return ShadingColour(shading, d0 + std::clamp(s, 0.0, 1.0) * (d1 - d0));
    };
}

std::optional<ColourField> RadialField(const ShadingStyle& shading) {
    const std::optional<Affine> inverse = Inverse(shading.matrix);
    if (!inverse) return std::nullopt;
    const auto& c = shading.coords;
    const double x0 = c[0], y0 = c[1], r0 = c[2], dx = c[3] - c[0], dy = c[4] - c[1],
                 dr = c[5] - c[2];
    const double d0 = shading.stops.front().first, d1 = shading.stops.back().first;
    return [=, &shading, m = *inverse](double sx, double sy) -> std::optional<RgbColour> {
        const double px = m[0] * sx + m[2] * sy + m[4] - x0, py = m[1] * sx + m[3] * sy + m[5] - y0;
        // The largest s for which the point lies on the circle of s, of radius >= 0:
        // |p - s d|^2 = (r0 + s dr)^2.
        const double a = dx * dx + dy * dy - dr * dr, b = -2 * (px * dx + py * dy + r0 * dr),
                     k = px * px + py * py - r0 * r0;
        double roots[2];
        int count = 0;
        if (std::abs(a) < 1e-12) {
            if (std::abs(b) > 1e-12) roots[count++] = -k / b;
        } else {
            const double discriminant = b * b - 4 * a * k;
            if (discriminant >= 0) {
                const double root = std::sqrt(discriminant);
                roots[count++] = (-b + root) / (2 * a);
                roots[count++] = (-b - root) / (2 * a);
            }
        }
        std::optional<double> best;
        for (int i = 0; i < count; ++i) {
            double s = roots[i];
            if (r0 + s * dr < 0) continue;
            if (s < 0 && !shading.extendStart) continue;
            if (s > 1 && !shading.extendEnd) continue;
            if (!best || s > *best) best = s;
        }
        if (!best) return std::nullopt;
        return ShadingColour(shading, d0 + std::clamp(*best, 0.0, 1.0) * (d1 - d0));
    };
}

std::optional<ColourField> ImageField(const ImageSamples& image, RgbColour colour) {
    const std::optional<Affine> inverse = Inverse(image.matrix);
    if (!inverse) return std::nullopt;
    const int components = std::max(image.components, 1);
    const std::size_t row =
        (std::size_t(image.width) * std::size_t(components) * std::size_t(image.bits) + 7) / 8;
    const unsigned top = (1u << image.bits) - 1;
    const auto value = [&image, components, row, top](std::size_t x, std::size_t y, int component) {
        const std::size_t bit =
            (x * std::size_t(components) + std::size_t(component)) * std::size_t(image.bits);
        const auto byte = static_cast<unsigned char>(image.samples[y * row + bit / 8]);
        return double((byte >> (8 - image.bits - bit % 8)) & top) / top;
    };
    return [=, &image, m = *inverse](double sx, double sy) -> std::optional<RgbColour> {
        const double x = m[0] * sx + m[2] * sy + m[4], y = m[1] * sx + m[3] * sy + m[5];
        if (x < 0 || y < 0 || x >= image.width || y >= image.height) return std::nullopt;
        const auto i = static_cast<std::size_t>(x), j = static_cast<std::size_t>(y);
        const auto level = [](double v) {
            return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
        };
        switch (image.components) {
            case 0:
                return value(i, j, 0) == 1 ? std::optional(colour) : std::nullopt;
            case -1:
                return value(i, j, 0) == 0 ? std::optional(colour) : std::nullopt;
            case 1: {
                const std::uint8_t g = level(value(i, j, 0));
                return RgbColour{g, g, g};
            }
            case 3:
                return RgbColour{level(value(i, j, 0)), level(value(i, j, 1)),
                                 level(value(i, j, 2))};
            default:
                return CmykToRgb(value(i, j, 0), value(i, j, 1), value(i, j, 2), value(i, j, 3));
        }
    };
}

// The pixel size an image needs: that of one sample on the slide, at least 300 dpi.
double ImagePixel(const ImageSamples& image) {
    const double sample = std::min(std::hypot(image.matrix[0], image.matrix[1]),
                                   std::hypot(image.matrix[2], image.matrix[3]));
    return std::min(emuPerPixel, std::max(sample / 2, 1.0));
}

// What a paint paints at each place of the slide, its area aside.
std::optional<ColourField> FieldOf(const Paint& paint) {
    switch (paint.kind) {
        case Paint::Kind::Fill:
        case Paint::Kind::EvenOddFill:
            return [colour = paint.colour](double, double) { return std::optional(colour); };
        case Paint::Kind::Shading:
            return paint.shading.type == 2 ? AxialField(paint.shading) : RadialField(paint.shading);
        case Paint::Kind::Image:
            return ImageField(paint.image, paint.colour);
        default:
            return std::nullopt;
    }
}

// The edges of closed polygons: x0 y0 x1 y1 each.
std::vector<std::array<double, 4>> Edges(const PaintPath& area) {
    std::vector<std::array<double, 4>> edges;
    double startX = 0, startY = 0, lastX = 0, lastY = 0;
    std::size_t point = 0;
    for (const PaintPath::Op op : area.ops) {
        double x = startX, y = startY;
        if (op != PaintPath::Op::Close) {
            const std::size_t at = point + (op == PaintPath::Op::Cubic ? 4 : 0);
            x = area.points[at], y = area.points[at + 1];
            point += op == PaintPath::Op::Cubic ? 6 : 2;
        }
        if (op == PaintPath::Op::Move) {
            if (lastX != startX || lastY != startY) edges.push_back({lastX, lastY, startX, startY});
            startX = x, startY = y;
        } else {
            edges.push_back({lastX, lastY, x, y});
        }
        lastX = x, lastY = y;
    }
    if (lastX != startX || lastY != startY) edges.push_back({lastX, lastY, startX, startY});
    return edges;
}

// Calls `inside` for each pixel of row j of `grid` whose centre lies inside the polygons
// of `edges`, by the even-odd rule: between pairs of the row's crossings of the edges.
template <typename Inside>
void Spans(const std::vector<std::array<double, 4>>& edges, const Grid& grid, int j,
           std::vector<double>& crossings, Inside inside) {
    const double y = grid.Y(j);
    crossings.clear();
    for (const auto& [x0, y0, x1, y1] : edges) {
        if ((y0 <= y) == (y1 <= y)) continue;
        crossings.push_back(x0 + (y - y0) / (y1 - y0) * (x1 - x0));
    }
    std::sort(crossings.begin(), crossings.end());
    for (std::size_t k = 0; k + 1 < crossings.size(); k += 2) {
        const double from = std::ceil((crossings[k] - grid.box.left) / grid.stepX - 0.5),
                     to = std::floor((crossings[k + 1] - grid.box.left) / grid.stepX - 0.5);
        for (int i = static_cast<int>(std::max(from, 0.0)),
                 last = static_cast<int>(std::min(to, grid.width - 1.0));
             i <= last; ++i)
            inside(i);
    }
}

}  // namespace

std::optional<Raster> AxialRaster(const ShadingStyle& shading, const Extent& box) {
    const std::optional<ColourField> field = AxialField(shading);
    return field ? Draw(GridOver(box, emuPerPixel), *field) : std::nullopt;
}

std::optional<Raster> RadialRaster(const ShadingStyle& shading, const Extent& box) {
    const std::optional<ColourField> field = RadialField(shading);
    return field ? Draw(GridOver(box, emuPerPixel), *field) : std::nullopt;
}

PaintPath ImageOutline(const ImageSamples& image) {
    return MappedRectangle(image.matrix, 0, 0, image.width, image.height);
}

std::optional<Raster> ImageRaster(const ImageSamples& image, RgbColour colour, const Extent& box) {
    const std::optional<ColourField> field = ImageField(image, colour);
    return field ? Draw(GridOver(box, ImagePixel(image)), *field) : std::nullopt;
}

PaintPath PaintedArea(const Paint& paint) {
    switch (paint.kind) {
        case Paint::Kind::Fill:
        case Paint::Kind::EvenOddFill:
            return ClipArea(paint.path, paint.kind == Paint::Kind::EvenOddFill, paint.clip);
        case Paint::Kind::Shading: {
            PaintPath area =
                ClipArea(paint.path.Empty() ? paint.clip : paint.path, false, paint.clip);
            if (paint.shading.type == 3) {
                const PaintPath extent = RadialExtent(paint.shading);
                if (!extent.Empty()) area = ClipArea(area, false, extent);
            }
            return area;
        }
        case Paint::Kind::Image:
            return ClipArea(ImageOutline(paint.image), false, paint.clip);
        default:
            return {};
    }
}

std::optional<Raster> MaskedRaster(const Paint& paint, const Extent& box) {
    const std::optional<ColourField> field = FieldOf(paint);
    if (!field || !paint.mask) return std::nullopt;
    const std::optional<Grid> grid =
        GridOver(box, paint.kind == Paint::Kind::Image ? ImagePixel(paint.image) : emuPerPixel);
    if (!grid) return std::nullopt;
    // The mask's group, paint by paint: the edges of where it paints, and what.
    struct Layer {
        std::vector<std::array<double, 4>> edges;
        ColourField colour;
        double alpha;
    };
    std::vector<Layer> layers;
    for (const Paint& part : paint.mask->paints) {
        std::optional<ColourField> colour = FieldOf(part);
        if (!colour) continue;
        std::vector<std::array<double, 4>> edges = Edges(PaintedArea(part));
        if (!edges.empty()) layers.push_back({std::move(edges), std::move(*colour), part.alpha});
    }
    // The mask's value over the grid, a row at a time.
    const SoftMask& mask = *paint.mask;
    std::vector<double> row(std::size_t(grid->width)), crossings;
    int rowAt = -1;
    return Draw(grid, *field, [&](std::size_t pixel) {
        const int j = static_cast<int>(pixel / std::size_t(grid->width));
        if (j != rowAt) {
            rowAt = j;
            std::fill(row.begin(), row.end(), mask.alpha ? 0.0 : mask.backdrop);
            for (const Layer& layer : layers) {
                Spans(layer.edges, *grid, j, crossings, [&](int i) {
                    const std::optional<RgbColour> c = layer.colour(grid->X(i), grid->Y(j));
                    if (!c) return;
                    const double painted =
                        mask.alpha ? 1 : (0.3 * c->r + 0.59 * c->g + 0.11 * c->b) / 255;
                    row[std::size_t(i)] += (painted - row[std::size_t(i)]) * layer.alpha;
                });
            }
        }
        return row[pixel % std::size_t(grid->width)];
    });
}

std::string EncodePng(const Raster& raster) {
    std::string png;
    png_structp writer = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = writer ? png_create_info_struct(writer) : nullptr;
    if (!info) {
        png_destroy_write_struct(&writer, nullptr);
        return {};
    }
    if (setjmp(png_jmpbuf(writer))) {
        png_destroy_write_struct(&writer, &info);
        return {};
    }
    png_set_write_fn(
        writer, &png,
        [](png_structp p, png_bytep data, png_size_t length) {
            static_cast<std::string*>(png_get_io_ptr(p))
                ->append(reinterpret_cast<char*>(data), length);
        },
        nullptr);
    png_set_IHDR(writer, info, png_uint_32(raster.width), png_uint_32(raster.height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(writer, info);
    for (int j = 0; j < raster.height; ++j)
        png_write_row(writer, raster.rgba.data() + std::size_t(j) * std::size_t(raster.width) * 4);
    png_write_end(writer, nullptr);
    png_destroy_write_struct(&writer, &info);
    return png;
}
