// dvipdfmx's images and content: what an image's header says of its size, where an
// image special puts the picture, and what PDF content paints in the real interpreter.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>

#include "pdf/ImageFiles.h"
#include "pdf/PdfSpecials.h"
#include "pptx/shapes/PaintGeometry.h"
#include "ps/PostScriptGraphics.h"
#include "support/Boxes.h"
#include "support/Programs.h"

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
        // A page number far out of range (a PNG has one page).
        {"pdf:image page 27777777777777777777777777777777 (picture.png)",
         {32, 0, 0, -24, x, y + 24},
         false},
        {"pdf:image page -27777777777777777777777777777777 (picture.png)",
         {32, 0, 0, -24, x, y + 24},
         false},
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

namespace {

// The paints of a page of dvipdfmx's specials, each given at (1, 1) inch from TeX's
// origin, run as deckgen-pptx runs them; and the transformation TeX's characters are
// set in after them.
struct PdfPage {
    std::ostringstream warnings;
    PostScriptGraphics graphics{"doc.dvi", 200, 200, 1, warnings};
    PdfSpecials specials{"doc.dvi", warnings};
    PdfPage() {
        graphics.Header("!" + std::string(PdfSpecials::Operators()));
        graphics.Content(PdfSpecials::PageOpening({0, 0, 0}), false, 1);
    }
    std::vector<Paint> Run(const std::vector<std::string>& page) {
        for (const std::string& special : page) {
            const PdfSpecials::Result result = specials.Read(special, 1, 1, 1);
            if (!result.code.empty())
                graphics.Content("pdfops begin\n" + result.code + "end\n", false, 1);
        }
        return graphics.Flush();
    }
    // Where TeX's origin goes now, in big points from the slide's top left corner.
    std::array<double, 2> Origin() {
        const Affine* reported = graphics.Transform();
        if (reported == nullptr) return {72, 72};
        const Affine t = specials.TextTransform(*reported);
        return {72 + t[4] * 72 / 600, 72 + t[5] * 72 / 600};
    }
};

}  // namespace

TEST(PdfContent, DrawnAsDvipdfmxDrawsIt) {
    if (!OnPath("gs")) GTEST_SKIP() << "gs not found";
    // Each case: the specials, the paints they make (kind, colour, alpha), the first
    // paint's box in big points from the slide's corner, and where TeX's characters go.
    struct Case {
        const char* what;
        std::vector<std::string> page;
        std::vector<std::tuple<Paint::Kind, RgbColour, double>> paints;
        Extent box;
        std::array<double, 2> origin;
        bool leftOut = false;    // a paint left out, with a warning
        std::size_t masked = 0;  // the first paints, painted through a soft mask
    };
    const RgbColour red{255, 0, 0}, blue{0, 0, 255}, black{0, 0, 0};
    const auto fill = Paint::Kind::Fill, stroke = Paint::Kind::Stroke;
    const Case cases[] = {
        {"fill and stroke colours apart, B paints both",
         {"pdf:code 1 0 0 rg 0 0 1 RG 0 0 10 20 re B"},
         {{fill, red, 1}, {stroke, blue, 1}},
         {72, 52, 82, 72},
         {72, 72}},
        {"q and Q bring the colour back; f* fills",
         {"pdf:code q 1 0 0 rg", "pdf:code Q 0 0 10 10 re f*"},
         {{Paint::Kind::EvenOddFill, black, 1}},
         {72, 62, 82, 72},
         {72, 72}},
        {"a literal at the current point, in TeX's units",
         {"pdf:literal 0 0 10 10 re f"},
         {{fill, black, 1}},
         {144, 134, 154, 144},
         {72, 72}},
        {"a bcontent block: at the current point, and TeX sets from its origin",
         {"pdf:bcontent", "pdf:code 0 0 10 10 re f"},
         {{fill, black, 1}},
         {144, 134, 154, 144},
         {72, 72}},
        {"a btrans turns what follows, TeX's characters too",
         {"pdf:btrans rotate 90", "pdf:code 72 -72 10 20 re f"},
         {{fill, black, 1}},
         {124, 134, 144, 144},
         {72, 216}},
        {"an ExtGState's alpha, from the page's resources",
         {"pdf:obj @gs << >>", "pdf:put @resources << /ExtGState @gs >>",
          "pdf:put @gs << /a << /ca 0.5 /CA 0.25 >> >>",
          "pdf:code /a gs 0 0 10 10 re f 0 0 m 5 5 l S"},
         {{fill, black, 0.5}, {stroke, black, 0.25}},
         {72, 62, 82, 72},
         {72, 72}},
        {"a soft mask: its group's paints are its own, and what is painted until Q has it",
         {"pdf:bxobj @g width 10bp height 10bp", "pdf:code 0.5 g 0 0 20 20 re f", "pdf:exobj",
          "pdf:put @resources << /ExtGState << /m << /SMask << /S /Luminosity /G @g >> >> >> >>",
          "pdf:code q /m gs 0 0 10 10 re f 0 0 m 5 5 l S Q 0 0 5 5 re f"},
         {{fill, black, 1}, {fill, black, 1}, {fill, black, 1}},
         {72, 62, 82, 72},
         {72, 72},
         false,
         2},
        {"a pattern paints nothing, and is gone after Q",
         {"pdf:code q /Pattern cs 1 0 0 /P scn 0 0 10 10 re f Q 0 0 5 5 re f"},
         {{fill, black, 1}},
         {72, 67, 77, 72},
         {72, 72},
         true},
        {"a clip with W n holds what follows",
         {"pdf:code 0 0 5 5 re W n 0 0 10 10 re f"},
         {{fill, black, 1}},
         {72, 62, 82, 72},
         {72, 72}},
        {"a form drawn twice, each time where it is used",
         {"pdf:bxobj @f width 10bp height 10bp", "pdf:code 0 0 10 10 re f", "pdf:exobj",
          "pdf:uxobj @f", "pdf:code 1 0 0 1 20 0 cm", "pdf:uxobj @f"},
         {{fill, black, 1}, {fill, black, 1}},
         {144, 134, 154, 144},
         {92, 72}},
        {"a text operator and an unknown one draw nothing and break nothing",
         {"pdf:code BT /F1 10 Tf (x) Tj ET 1 2 foo 0 0 10 10 re f"},
         {{fill, black, 1}},
         {72, 62, 82, 72},
         {72, 72}},
    };
    for (const Case& c : cases) {
        PdfPage page;
        const std::vector<Paint> paints = page.Run(c.page);
        ASSERT_EQ(paints.size(), c.paints.size()) << c.what << ": " << page.warnings.str();
        for (std::size_t i = 0; i < paints.size(); ++i) {
            const auto& [kind, colour, alpha] = c.paints[i];
            EXPECT_EQ(paints[i].kind, kind) << c.what << " [" << i << ']';
            EXPECT_EQ(paints[i].colour, colour) << c.what << " [" << i << ']';
            EXPECT_NEAR(paints[i].alpha, alpha, 0.01) << c.what << " [" << i << ']';
            EXPECT_EQ(paints[i].mask != nullptr, i < c.masked) << c.what << " [" << i << ']';
        }
        // The mask's group paints grey (a luminosity of one half) over the form's box.
        if (c.masked > 0 && paints[0].mask) {
            ASSERT_EQ(paints[0].mask->paints.size(), 1u) << c.what;
            EXPECT_EQ(paints[0].mask->paints[0].colour, (RgbColour{128, 128, 128})) << c.what;
            EXPECT_FALSE(paints[0].mask->alpha) << c.what;
        }
        EXPECT_TRUE(Spans(paints[0].path, c.box, 0.05)) << c.what;
        const std::array<double, 2> origin = page.Origin();
        EXPECT_NEAR(origin[0], c.origin[0], 0.05) << c.what;
        EXPECT_NEAR(origin[1], c.origin[1], 0.05) << c.what;
        EXPECT_EQ(page.warnings.str(),
                  c.leftOut ? "PostScript on page 1: 1 of its paints left out (shadings of other "
                              "kinds, patterns of too many tiles, PDF's patterns, soft masks of "
                              "too many paints, malformed records)\n"
                            : "")
            << c.what;
    }
}
