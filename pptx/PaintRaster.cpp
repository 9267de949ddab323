// Drawing shadings and images pixel by pixel, each pixel at the colour of its centre.
#include "pptx/PaintRaster.h"

#include <png.h>

#include <algorithm>
#include <cmath>

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

// A raster over `box` at `pixel` EMU a pixel (coarser when it would be too large),
// each pixel given by `colour` at its centre's place on the slide.
template <typename Colour>
std::optional<Raster> Draw(const Extent& box, double pixel, Colour colour) {
    const double across = box.right - box.left, down = box.bottom - box.top;
    if (across <= 0 || down <= 0) return std::nullopt;
    pixel = std::max({pixel, across / largestSide, down / largestSide});
    Raster raster;
    raster.width = std::max(1, static_cast<int>(std::ceil(across / pixel)));
    raster.height = std::max(1, static_cast<int>(std::ceil(down / pixel)));
    const double stepX = across / raster.width, stepY = down / raster.height;
    raster.rgba.resize(std::size_t(raster.width) * std::size_t(raster.height) * 4);
    std::uint8_t* out = raster.rgba.data();
    for (int j = 0; j < raster.height; ++j) {
        const double y = box.top + (j + 0.5) * stepY;
        for (int i = 0; i < raster.width; ++i, out += 4) {
            const std::optional<RgbColour> painted = colour(box.left + (i + 0.5) * stepX, y);
            if (!painted) continue;  // transparent
            out[0] = painted->r, out[1] = painted->g, out[2] = painted->b, out[3] = 255;
        }
    }
    return raster;
}

}  // namespace

std::optional<Raster> AxialRaster(const ShadingStyle& shading, const Extent& box) {
    const std::optional<Affine> inverse = Inverse(shading.matrix);
    const auto& c = shading.coords;
    const double dx = c[2] - c[0], dy = c[3] - c[1], length = dx * dx + dy * dy;
    if (!inverse || length == 0) return std::nullopt;
    const double d0 = shading.stops.front().first, d1 = shading.stops.back().first;
    const Affine& m = *inverse;
    return Draw(box, emuPerPixel, [&](double sx, double sy) -> std::optional<RgbColour> {
        const double px = m[0] * sx + m[2] * sy + m[4] - c[0],
                     py = m[1] * sx + m[3] * sy + m[5] - c[1];
        const double s = (px * dx + py * dy) / length;
        if ((s < 0 && !shading.extendStart) || (s > 1 && !shading.extendEnd)) return std::nullopt;
        return ShadingColour(shading, d0 + std::clamp(s, 0.0, 1.0) * (d1 - d0));
    });
}

std::optional<Raster> RadialRaster(const ShadingStyle& shading, const Extent& box) {
    const std::optional<Affine> inverse = Inverse(shading.matrix);
    if (!inverse) return std::nullopt;
    const auto& c = shading.coords;
    const double x0 = c[0], y0 = c[1], r0 = c[2], dx = c[3] - c[0], dy = c[4] - c[1],
                 dr = c[5] - c[2];
    const double d0 = shading.stops.front().first, d1 = shading.stops.back().first;
    const Affine& m = *inverse;
    return Draw(box, emuPerPixel, [&](double sx, double sy) -> std::optional<RgbColour> {
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
    });
}

PaintPath ImageOutline(const ImageSamples& image) {
    return MappedRectangle(image.matrix, 0, 0, image.width, image.height);
}

std::optional<Raster> ImageRaster(const ImageSamples& image, RgbColour colour, const Extent& box) {
    const std::optional<Affine> inverse = Inverse(image.matrix);
    if (!inverse) return std::nullopt;
    const Affine& m = *inverse;
    // Fine enough for the samples: the size of one on the slide, at least 300 dpi.
    const double sample = std::min(std::hypot(image.matrix[0], image.matrix[1]),
                                   std::hypot(image.matrix[2], image.matrix[3]));
    const int components = std::max(image.components, 1);
    const std::size_t row =
        (std::size_t(image.width) * std::size_t(components) * std::size_t(image.bits) + 7) / 8;
    const unsigned top = (1u << image.bits) - 1;
    const auto value = [&](std::size_t x, std::size_t y, int component) {
        const std::size_t bit =
            (x * std::size_t(components) + std::size_t(component)) * std::size_t(image.bits);
        const auto byte = static_cast<unsigned char>(image.samples[y * row + bit / 8]);
        return double((byte >> (8 - image.bits - bit % 8)) & top) / top;
    };
    return Draw(
        box, std::min(emuPerPixel, std::max(sample / 2, 1.0)),
        [&](double sx, double sy) -> std::optional<RgbColour> {
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
                    return CmykToRgb(value(i, j, 0), value(i, j, 1), value(i, j, 2),
                                     value(i, j, 3));
            }
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
