// The PK format: a preamble (247, identification 89, a comment, design size, checksum,
// horizontal and vertical pixels per point), character definitions (a flag byte below
// 240 whose low three bits choose the short, extended short or long preamble, and whose
// high four give the run-length packing, 14 for a plain bitmap), specials (240 to 244),
// no-ops (246) and the postamble (245).
#include "fonts/PkFont.h"

#include <algorithm>

#include "common/Failure.h"

namespace {

constexpr int largestSide = 4096;
// All of a font's bitmaps together, in pixels: runs may describe far more than their bytes.
constexpr std::size_t largestFont = std::size_t{64} << 20;

class Reader {
  public:
    Reader(std::string_view bytes, const std::string& name) : bytes(bytes), name(name) {}
    [[noreturn]] void Damaged() const { throw Failure("Font " + name + " pk file is damaged"); }
    void Need(std::size_t count) const {
        if (count > bytes.size() - at) Damaged();
    }
    std::int32_t Number(int count, bool isSigned = false) {
        Need(static_cast<std::size_t>(count));
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i)
            value = value << 8 | static_cast<unsigned char>(bytes[at++]);
        if (isSigned && count < 4 && (value >> (8 * count - 1)) != 0)
            value -= std::uint32_t{1} << (8 * count);
        return static_cast<std::int32_t>(value);
    }
    void Skip(std::size_t count) {
        Need(count);
        at += count;
    }
    std::size_t at = 0;
    std::string_view bytes;

  private:
    const std::string& name;
};

// The nybbles of a run-length packed raster and the packed numbers they make.
class Runs {
  public:
    Runs(std::string_view raster, int dynF, const Reader& file)
        : raster(raster), dynF(dynF), file(file) {}
    int Nybble() {
        if (next / 2 >= raster.size()) file.Damaged();
        const auto byte = static_cast<unsigned char>(raster[next / 2]);
        return (next++ % 2 == 0) ? byte >> 4 : byte & 15;
    }
    // A run length; a repeat count met on the way is kept in `repeat`. A repeat count
    // is itself a plain number.
    std::int64_t Packed(bool counting = false) {
        for (int depth = 0; depth < 2; ++depth) {
            const int i = Nybble();
            if (i == 0) {
                int zeros = 0, j;
                while ((j = Nybble()) == 0)
                    if (++zeros > 8) file.Damaged();
                std::int64_t value = j;
                for (int k = 0; k <= zeros; ++k) value = value * 16 + Nybble();
                return value - 15 + (13 - dynF) * 16 + dynF;
            }
            if (i <= dynF) return i;
            if (i < 14) return (i - dynF - 1) * 16 + Nybble() + dynF + 1;
            if (depth == 1 || counting) file.Damaged();  // a repeat count of a repeat count
            repeat = i == 14 ? Packed(true) : 1;
        }
        file.Damaged();
    }
    std::int64_t repeat = 0;

  private:
    std::string_view raster;
    std::size_t next = 0;
    int dynF;
    const Reader& file;
};

void Unpack(std::string_view raster, int flag, PkGlyph& glyph, const Reader& file) {
    const auto width = static_cast<std::size_t>(glyph.width);
    const auto height = static_cast<std::size_t>(glyph.height);
    glyph.pixels.assign(width * height, 0);
    const int dynF = flag >> 4;
    if (dynF == 14) {  // a plain bitmap, rows not padded
        if ((width * height + 7) / 8 > raster.size()) file.Damaged();
        for (std::size_t i = 0; i < width * height; ++i)
            glyph.pixels[i] = (static_cast<unsigned char>(raster[i / 8]) >> (7 - i % 8)) & 1;
        return;
    }
    if (dynF == 15 || width == 0 || height == 0) return;
    Runs runs(raster, dynF, file);
    std::uint8_t black = (flag & 8) != 0;
    std::size_t row = 0, column = 0;
    while (row < height) {
        std::int64_t count = runs.Packed();
        if (count < 0 || count > std::int64_t(width * height)) file.Damaged();
        while (count > 0 && row < height) {
            const std::size_t take =
                std::min<std::size_t>(static_cast<std::size_t>(count), width - column);
            std::fill_n(glyph.pixels.begin() + long(row * width + column), take, black);
            column += take;
            count -= static_cast<std::int64_t>(take);
            if (column == width) {
                // The row is done; its copies follow.
                const std::size_t copies = static_cast<std::size_t>(
                    std::min<std::int64_t>(runs.repeat, std::int64_t(height - row - 1)));
                for (std::size_t k = 1; k <= copies; ++k)
                    std::copy_n(glyph.pixels.begin() + long(row * width), width,
                                glyph.pixels.begin() + long((row + k) * width));
                row += 1 + copies;
                runs.repeat = 0;
                column = 0;
            }
        }
        black ^= 1;
    }
}

}  // namespace

PkFont ReadPkFont(std::string_view bytes, const std::string& name) {
    Reader file(bytes, name);
    if (file.Number(1) != 247 || file.Number(1) != 89) file.Damaged();
    file.Skip(static_cast<std::size_t>(file.Number(1)));  // the comment
    file.Number(4);                                       // design size
    file.Number(4);                                       // checksum
    PkFont font;
    font.pixelsPerPoint = file.Number(4) / 65536.0;
    file.Number(4);  // vertically
    std::size_t pixels = 0;
    for (;;) {
        const int flag = file.Number(1);
        if (flag == 245) return font;
        if (flag == 246) continue;
        if (flag >= 240 && flag <= 243) {
            file.Skip(static_cast<std::size_t>(file.Number(flag - 239)));
            continue;
        }
        if (flag == 244) {
            file.Number(4);
            continue;
        }
        if (flag > 244) file.Damaged();
        // The character's preamble, in one of three sizes: the bytes of its length, code,
        // TFM width, escapement (dx, and dy in the long form) and of each of width,
        // height and the two offsets. The packet's length counts from after the code.
        struct Form {
            int length, code, tfm, escapement, dimension;
        };
        static constexpr Form shortForm{1, 1, 3, 1, 1}, extendedForm{2, 1, 3, 2, 2},
            longForm{4, 4, 4, 8, 4};
        const Form& form = (flag & 7) < 4 ? shortForm : (flag & 7) < 7 ? extendedForm : longForm;
        std::int64_t length = static_cast<std::uint32_t>(file.Number(form.length));
        if (form.length < 4) length |= std::int64_t{flag & 3} << (8 * form.length);
        const std::int32_t code = file.Number(form.code);
        const std::size_t start = file.at;
        file.Skip(static_cast<std::size_t>(form.tfm + form.escapement));
        PkGlyph glyph;
        glyph.width = file.Number(form.dimension);
        glyph.height = file.Number(form.dimension);
        glyph.hoff = file.Number(form.dimension, true);
        glyph.voff = file.Number(form.dimension, true);
        const std::size_t header = file.at - start;
        if (length < std::int64_t(header) || glyph.width < 0 || glyph.height < 0 ||
            glyph.width > largestSide || glyph.height > largestSide)
            file.Damaged();
        pixels += static_cast<std::size_t>(glyph.width) * static_cast<std::size_t>(glyph.height);
        if (pixels > largestFont) file.Damaged();
        const auto raster = static_cast<std::size_t>(length) - header;
        file.Need(raster);
        Unpack(bytes.substr(file.at, raster), flag, glyph, file);
        file.at += raster;
        font.glyphs[code] = std::move(glyph);
    }
}
