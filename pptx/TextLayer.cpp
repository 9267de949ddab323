// Grouping a page's characters into words and lines, and spacing the runs.
#include "pptx/TextLayer.h"

#include <uninorm.h>

#include <algorithm>
#include <cmath>
#include <deque>

#include "fonts/FontFileLookup.h"
#include "fonts/GlyphNames.h"
#include "pptx/FreeTypeLibrary.h"

namespace {

// Where LibreOffice puts the first baseline of a text box in the three families, as a
// share of the font size below the box's top edge.
constexpr double ascent = 1.0;
// TeX moves right by more than this share of the font size between two words; less is
// a kern inside a word.
constexpr double wordGap = 0.15;
// Moving left by more than this share of the font size starts a new text box.
constexpr double backwards = 0.25;
// A space is a run of its own when joining it to its word would move the word's
// letters apart or together by more than this share of the font size.
constexpr double spacingTolerance = 0.03;
// How far a run's size may depart from its TeX font's size to make its letters as wide.
constexpr double minScale = 0.6, maxScale = 1.6;
constexpr std::int64_t emuPerHundredth = 127;  // a hundredth of a point
constexpr double emuPerMillimetre = 360.0;     // a hundredth of a millimetre
constexpr std::int64_t maxSpacing = 400000;    // DrawingML's limit for spacing

// The Type 1 fonts whose advance widths the families share (URW's Times, Helvetica
// and Courier, metric twins of the families the slides name), by FontStyle::Face.
constexpr const char* widthFonts[12] = {
    "utmr8a.pfb", "utmri8a.pfb", "utmb8a.pfb", "utmbi8a.pfb", "uhvr8a.pfb", "uhvro8a.pfb",
    "uhvb8a.pfb", "uhvbo8a.pfb", "ucrr8a.pfb", "ucrro8a.pfb", "ucrb8a.pfb", "ucrbo8a.pfb",
};

// Decodes the next code point of UTF-8 text that this program wrote itself.
char32_t NextCodePoint(std::string_view text, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char first = byte(i);
    const std::size_t length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
    char32_t c = length == 1 ? first : first & (0x7Fu >> length);
    for (std::size_t k = 1; k < length && i + k < text.size(); ++k)
        c = c << 6 | (byte(i + k) & 0x3F);
    i += length;
    return c;
}

// The combining mark of an accent that TeX sets as a character of its own; 0 for other
// characters.
char32_t CombiningMark(char32_t accent) {
    static constexpr std::pair<char32_t, char32_t> marks[] = {
        {0x0060, 0x0300}, {0x00B4, 0x0301}, {0x02C6, 0x0302}, {0x005E, 0x0302},
        {0x02DC, 0x0303}, {0x007E, 0x0303}, {0x00AF, 0x0304}, {0x02C9, 0x0304},
        {0x02D8, 0x0306}, {0x02D9, 0x0307}, {0x00A8, 0x0308}, {0x02DA, 0x030A},
        {0x02DD, 0x030B}, {0x02C7, 0x030C}, {0x00B8, 0x0327}, {0x02DB, 0x0328},
    };
    for (const auto& [spacing, combining] : marks) {
        if (spacing == accent) return combining;
    }
    return 0;
}

// The code point of a text of one code point; 0 for other texts.
char32_t Single(std::string_view text) {
    if (text.empty()) return 0;
    std::size_t i = 0;
    const char32_t c = NextCodePoint(text, i);
    return i == text.size() ? c : 0;
}

}  // namespace

class TextLayer::Widths {
  public:
    // The advance width of code point c in a face, as a share of the font size.
    double Of(int face, char32_t c) {
        const std::uint64_t key = std::uint64_t(face) << 32 | c;
        if (const auto found = cache.find(key); found != cache.end()) return found->second;
        double width = face >= 8 ? 0.6 : 0.5;  // a guess for what the family lacks
        if (FT_Face handle = Face(face)) {
            const FT_UInt index = FT_Get_Char_Index(handle, c);
            if (index != 0 && FT_Load_Glyph(handle, index, FT_LOAD_NO_SCALE) == 0)
                width = double(handle->glyph->metrics.horiAdvance) / handle->units_per_EM;
        }
        cache.emplace(key, width);
        return width;
    }

    ~Widths() {
        for (FT_Face face : faces) {
            if (face != nullptr) FT_Done_Face(face);
        }
    }

  private:
    FT_Face Face(int face) {
        if (!opened[face]) {
            opened[face] = true;
            const std::string path = FindFontFile(widthFonts[face]);
            if (library.handle == nullptr || path.empty() ||
                FT_New_Face(library.handle, path.c_str(), 0, &faces[face]) != 0)
                faces[face] = nullptr;
        }
        return faces[face];
    }

    FreeTypeLibrary library;
    std::array<FT_Face, 12> faces{};
    std::array<bool, 12> opened{};
    std::unordered_map<std::uint64_t, double> cache;
};

TextLayer::TextLayer() : widths(std::make_unique<Widths>()) {}
TextLayer::~TextLayer() = default;

void TextLayer::Add(std::string_view text, std::int64_t x, std::int64_t y, std::int64_t advance,
                    std::int64_t size, FontStyle style, std::optional<RgbColour> ink) {
    if (text.empty()) return;
    // An accent TeX set over this letter (\accent puts it first, overlapping the
    // letter, raised for capitals) joins it as the accented letter where Unicode has
    // one.
    if (!chars.empty()) {
        const Char& previous = chars.back();
        const std::string_view previousText(texts.data() + previous.text, previous.length);
        const char32_t mark = CombiningMark(Single(previousText)), letter = Single(text);
        const bool over = previous.x < x + advance && x < previous.x + previous.advance &&
                          std::abs(previous.y - y) <= size;
        if (mark != 0 && letter != 0 && over) {
            char32_t composed = uc_composition(letter, mark);
            if (composed == 0 && letter == 0x0131) composed = uc_composition('i', mark);
            if (composed == 0 && letter == 0x0237) composed = uc_composition('j', mark);
            if (composed != 0) {
                texts.resize(previous.text);
                chars.pop_back();
                std::string joined;
                AppendUtf8(joined, composed);
                Add(joined, x, y, advance, size, style, ink);
                return;
            }
        }
    }
    Char c{x,
           y,
           advance,
           size,
           static_cast<std::uint32_t>(texts.size()),
           static_cast<std::uint32_t>(text.size()),
           style,
           ink};
    texts += text;
    chars.push_back(c);
}

void TextLayer::Finish(SlideShapes& shapes) {
    // Lines: a change of baseline, or a move far back, ends one.
    std::size_t begin = 0;
    for (std::size_t i = 1; i <= chars.size(); ++i) {
        if (i < chars.size()) {
            const Char &previous = chars[i - 1], &c = chars[i];
            const double gap = double(c.x - previous.x - previous.advance);
            if (c.y == previous.y && gap >= -backwards * double(previous.size) &&
                c.style == previous.style && c.size == previous.size)
                continue;
        }
        WriteLine(shapes, begin, i);
        begin = i;
    }
    chars.clear();
    texts.clear();
}

double TextLayer::Ems(FontStyle style, std::string_view text, std::size_t& count) const {
    double width = 0.0;
    for (std::size_t i = 0; i < text.size(); ++count)
        width += widths->Of(style.Face(), NextCodePoint(text, i));
    return width;
}

void TextLayer::WriteLine(SlideShapes& shapes, std::size_t begin, std::size_t end) {
    if (begin == end) return;
    // LibreOffice keeps sizes and spacing in hundredths of a millimetre (360 EMU):
    // the runs ask for whole ones, and the positions count what it will lay out.
    const auto spacing = [](double emu, std::size_t count) {
        const double millimetres = std::round(emu / double(count) / double(emuPerMillimetre));
        return std::clamp<std::int64_t>(
            std::llround(millimetres * emuPerMillimetre / emuPerHundredth), -maxSpacing,
            maxSpacing);
    };
    const auto laidOut = [](std::int64_t hundredths) {
        return std::llround(double(hundredths) * emuPerHundredth / emuPerMillimetre) *
               emuPerMillimetre;
    };
    std::vector<TextRun> runs;
    std::deque<std::string> joined;  // words with the space after them, for their runs
    const Char& first = chars[begin];
    std::int64_t position = first.x;            // where the layer's text has got to
    std::int64_t largest = 0, right = first.x;  // the largest run size, in EMU
    for (std::size_t i = begin; i < end;) {
        // A piece: the characters up to a space or a change of colour (a line is in
        // one font).
        const Char& head = chars[i];
        std::size_t stop = i + 1;
        while (stop < end) {
            const Char &previous = chars[stop - 1], &c = chars[stop];
            if (double(c.x - previous.x - previous.advance) > wordGap * double(previous.size) ||
                c.ink != head.ink)
                break;
            ++stop;
        }
        const Char& last = chars[stop - 1];
        const std::int64_t wordEnd = last.x + last.advance;
        const std::string_view text(texts.data() + head.text, last.text + last.length - head.text);
        std::size_t count = 0;
        const double natural = Ems(head.style, text, count) * double(head.size);

        // The family's letters are narrower or wider than TeX's: the run's size makes
        // them as wide (within limits), and spacing does the rest, the last glyph
        // ending where TeX's does.
        const double wanted = double(wordEnd - position);
        const double scale = natural > 0 ? std::clamp(wanted / natural, minScale, maxScale) : 1.0;
        const double millimetres =
            std::max(std::round(double(head.size) * scale / emuPerMillimetre), 36.0);
        const std::int64_t size = std::llround(millimetres * emuPerMillimetre / emuPerHundredth);
        const double factor = millimetres * emuPerMillimetre / double(head.size);
        const std::int64_t letters = std::llround(natural * factor);
        largest = std::max(largest, size * emuPerHundredth);
        right = std::max(right, wordEnd);

        const bool space = stop<end&& double(chars[stop].x - wordEnd)> wordGap * double(last.size);
        // Before a space, or at the end of the line, the last glyph ends where TeX's
        // does; before a piece in another colour, that piece starts where TeX's does.
        const std::size_t gaps = space || stop == end ? count - 1 : count;
        TextRun run{text, head.style, size, gaps > 0 ? spacing(wanted - double(letters), gaps) : 0,
                    head.ink ? &*head.ink : nullptr};
        i = stop;
        if (!space) {
            position += letters + std::int64_t(count) * laidOut(run.spacing);
            runs.push_back(run);
            continue;
        }
        // The space after the word: in the word's run when that spacing suits it too,
        // else a run of its own that fills the gap.
        const std::int64_t next = chars[stop].x;
        std::size_t spaces = 0;
        const std::int64_t spaceWidth =
            std::llround(Ems(head.style, " ", spaces) * double(head.size) * factor);
        const std::int64_t joint =
            spacing(double(next - position - letters - spaceWidth), count + 1);
        if (std::abs(joint - run.spacing) * emuPerHundredth <=
            std::llround(spacingTolerance * double(head.size))) {
            run.text = joined.emplace_back(std::string(text) + ' ');
            run.spacing = joint;
            position += letters + spaceWidth + std::int64_t(count + 1) * laidOut(joint);
            runs.push_back(run);
            continue;
        }
        position += letters + std::int64_t(count) * laidOut(run.spacing);
        runs.push_back(run);
        TextRun& gap = runs.emplace_back(run);
        gap.text = " ";
        gap.spacing = spacing(double(next - position - spaceWidth), 1);
        position += spaceWidth + laidOut(gap.spacing);
    }
    shapes.TextLine(first.x, first.y - std::llround(ascent * double(largest)), right - first.x,
                    std::llround(1.3 * double(largest)), runs);
}
