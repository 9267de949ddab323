// dvipdfmx's images and content: what an image's header says of its size, and where an
// image special puts the picture.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "pdf/ImageFiles.h"
#include "pdf/PdfSpecials.h"

namespace {

std::string Big(std::uint32_t value, int bytes) {
    std::string text;
    for (int i = bytes - 1; i >= 0; --i) text += static_cast<char>(value >> (8 * i) & 0xFF);
    return text;
}

std::string PngChunk(std::string_view type, const std::string& data) {
    return Big(static_cast<std::uint32_t>(data.size()), 4) + std::string(type) + data + "CRC!";
}

// A PNG header of `width` by `height`, with a pHYs chunk of `perMetre` when it is not 0.
std::string Png(int width, int height, std::uint32_t perMetre) {
    std::string png = "\x89PNG\r\n\x1A\n" + PngChunk("IHDR", Big(std::uint32_t(width), 4) +
                                                                 Big(std::uint32_t(height), 4) +
                                                                 std::string("\x08\x02\0\0\0", 5));
    if (perMetre != 0) png += PngChunk("pHYs", Big(perMetre, 4) + Big(perMetre, 4) + "\x01");
    return png + PngChunk("IDAT", "") + PngChunk("IEND", "");
}

// A JPEG with a JFIF segment of `density` in `unit`, and a start of frame.
std::string Jpeg(int width, int height, int unit, int density) {
    std::string jfif = std::string("JFIF\0\x01\x02", 7) + static_cast<char>(unit) +
                       Big(std::uint32_t(density), 2) + Big(std::uint32_t(density), 2) +
                       std::string("\0\0", 2);
    std::string frame = "\x08" + Big(std::uint32_t(height), 2) + Big(std::uint32_t(width), 2) +
                        std::string("\x03\x01\x22\x00", 4);
    return "\xFF\xD8\xFF\xE0" + Big(std::uint32_t(jfif.size() + 2), 2) + jfif + "\xFF\xC0" +
           Big(std::uint32_t(frame.size() + 2), 2) + frame + "\xFF\xD9";
}

TEST(PdfImages, HeadersGiveSizeAndResolution) {
    struct Case {
        const char* what;
        std::string bytes;
        bool known;
        int width, height;
        double dpi;
    };
    const Case cases[] = {
        {"PNG without pHYs", Png(64, 48, 0), true, 64, 48, 72},
        {"PNG at 144 dpi", Png(64, 48, 5669), true, 64, 48, 143.99},
        {"JPEG in inches", Jpeg(80, 60, 1, 96), true, 80, 60, 96},
        {"JPEG in centimetres", Jpeg(80, 60, 2, 100), true, 80, 60, 254},
        {"JPEG of no unit", Jpeg(80, 60, 0, 1), true, 80, 60, 72},
        {"a JPEG cut short", Jpeg(80, 60, 1, 96).substr(0, 24), false, 0, 0, 0},
        {"a PNG of no pixels", Png(0, 48, 0), false, 0, 0, 0},
        {"a PDF file", "%PDF-1.5\n", false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const std::optional<ImageInfo> info = ReadImageInfo(c.bytes);
        ASSERT_EQ(info.has_value(), c.known) << c.what;
        if (!info) continue;
        EXPECT_EQ(info->width, c.width) << c.what;
        EXPECT_EQ(info->height, c.height) << c.what;
        EXPECT_NEAR(info->xdpi, c.dpi, 0.05) << c.what;
        EXPECT_NEAR(info->ydpi, c.dpi, 0.05) << c.what;
    }
}

// graphicx's specials for a PNG image of 64 by 48 pixels at 144 dpi (32 by 24 bp): where
// the picture's unit square goes in PDF space, from the reference point at (1, -2) inches.
TEST(PdfImages, PlacedAsDvipdfmxPlacesThem) {
    const std::string directory = testing::TempDir();
    { std::ofstream(directory + "/picture.png", std::ios::binary) << Png(64, 48, 5669); }
    std::ostringstream warnings;
    PdfSpecials specials(directory + "/doc.dvi", warnings);
    struct Case {
        const char* special;
        Affine matrix;
        bool cropped;
    };
    const double x = 72, y = 144 * -1;
    const Case cases[] = {
        // Natural size: 32 by 24 big points, rows from the top.
        {"pdf:image (picture.png)", {32, 0, 0, -24, x, y + 24}, false},
        // Fitted to a width: both ways alike.
        {"pdf:image width 64bp (picture.png)", {64, 0, 0, -48, x, y + 48}, false},
        // To a width and a height.
        {"pdf:image width 16bp height 48bp (picture.png)", {16, 0, 0, -48, x, y + 48}, false},
        // graphicx's trim: the box it gives, fitted, and clipped.
        {"pdf:image bbox 8 6 24 18 clip 1 width 32bp (picture.png)",
         {64, 0, 0, -48, x - 16, y + 48 - 12},
         true},
        // Turned a quarter about the reference point.
        {"pdf:image rotate 90 (picture.png)", {0, 32, 24, 0, x - 24, y}, false},
    };
    for (const Case& c : cases) {
        const PdfSpecials::Result result = specials.Read(c.special, 1, 2, 1);
        ASSERT_TRUE(result.picture.has_value()) << c.special << ": " << warnings.str();
        EXPECT_EQ(result.picture->extension, "png");
        for (std::size_t i = 0; i < 6; ++i)
            EXPECT_NEAR(result.picture->matrix[i], c.matrix[i], 0.01)
                << c.special << " [" << i << ']';
        EXPECT_EQ(result.picture->crop.has_value(), c.cropped) << c.special;
    }
    // A file outside the document's folder is not read.
    const PdfSpecials::Result refused = specials.Read("pdf:image (../picture.png)", 1, 2, 1);
    EXPECT_FALSE(refused.picture.has_value());
    EXPECT_NE(warnings.str().find("not a plain relative one"), std::string::npos) << warnings.str();
}

}  // namespace
