// Grouping a page's characters into words and lines, and spacing the runs.
#include "pptx/text/TextLayer.h"

#include <uninorm.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <numbers>

#include "fonts/GlyphNames.h"

namespace {

// Where LibreOffice puts the first baseline of a text box in the layer's typefaces, as a
// share of the font size below the box's top edge.
constexpr double ascent = 1.0;
// TeX moves right by more than this share of the font size between two words; less is
// a kern inside a word.
constexpr double wordGap = 0.15;
// Readers of PDF files take characters of one size at most this share of it apart for
// one word,
constexpr double kernGap = 0.1;
// and one raised or lowered by at most this share of its size (a subscript) for one of
// its neighbour's line.
constexpr double lineRise = 0.4;
// Moving left by more than this share of the font size starts a new text box.
constexpr double backwards = 0.25;
// A space is a run of its own when joining it to its word would move the word's last
// letter by more than this share of the font size.
constexpr double spacingTolerance = 0.02;
// A character more than this share of the font size away from where a run of its word
// would put it makes each character a run of its own.
constexpr double uniformity = 0.05;
// A transparent character whose width is within this share of TeX's keeps the face of
// the TeX font's design size (Latin Modern's letters are Computer Modern's), and so does
// a longer piece within this share of its font size (a ligature is narrower than its
// letters: pieces further off are stretched, by PostScript);
constexpr double faceTolerance = 0.03, stretched = 0.1;
// and within this share of its font size, its size.
constexpr double widthTolerance = 0.02;
// How far the size of drawn text may depart from its TeX font's to make its letters as
// wide as TeX's.
constexpr double minScale = 0.6, maxScale = 1.6;
// Transparent text grows further, up to this, rather than space its letters more than
// this share of its size apart, which readers take for a word break.
constexpr double iconScale = 4.0, letterGap = 0.08;
constexpr double emuPerPoint = 12700.0;
constexpr std::int64_t fullTurn = 21600000;    // DrawingML's angles: 60,000ths of a degree
constexpr std::int64_t emuPerHundredth = 127;  // a hundredth of a point
constexpr double emuPerMillimetre = 360.0;     // a hundredth of a millimetre
constexpr std::int64_t maxSpacing = 400000;    // DrawingML's limit for spacing

// The cosine and sine of a DrawingML angle.
std::pair<double, double> Turn(std::int64_t rotation) {
    const double angle = double(rotation) / fullTurn * 2 * std::numbers::pi;
    return {std::cos(angle), std::sin(angle)};
}

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
        {0x0060, 0x0300}, {0x00B4, 0x0301}, {0x02C6, 0x0302}, {0x005E, 0x0302}, {0x02DC, 0x0303},
        {0x007E, 0x0303}, {0x00AF, 0x0304}, {0x02C9, 0x0304}, {0x02D8, 0x0306}, {0x02D9, 0x0307},
        {0x00A8, 0x0308}, {0x02DA, 0x030A}, {0x02DD, 0x030B}, {0x02C7, 0x030C}, {0x00B8, 0x0327},
        {0x02DB, 0x0328}, {0x0338, 0x0338},  // TeX's \not, set before its relation
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

void TextLayer::Add(std::string_view text, std::int64_t x, std::int64_t y, std::int64_t advance,
                    std::int64_t size, FontStyle style, std::optional<RgbColour> ink,
                    double angle) {
    if (text.empty()) return;
    // A turned baseline is kept in coordinates turned with it, where it runs across.
    auto rotation = std::llround(angle / (2 * std::numbers::pi) * fullTurn) % fullTurn;
    if (rotation < 0) rotation += fullTurn;
    if (rotation != 0) {
        const auto [c, s] = Turn(rotation);
        const double px = double(x), py = double(y);
        x = std::llround(px * c + py * s);
        y = std::llround(py * c - px * s);
    }
    // An accent TeX set over this letter (\accent puts it first, overlapping the
    // letter, raised for capitals) joins it as the accented letter where Unicode has
    // one.
    std::string composedText;
    if (!chars.empty()) {
        const Char& previous = chars.back();
        const std::string_view previousText(texts.data() + previous.text, previous.length);
        const char32_t mark = CombiningMark(Single(previousText)), letter = Single(text);
        // (A mark of no width, as TeX's \not, overlaps from where it stands.)
        const bool over = previous.rotation == rotation && previous.x < x + advance &&
                          x < previous.x + std::max<std::int64_t>(previous.advance, 1) &&
                          std::abs(previous.y - y) <= size;
        if (mark != 0 && letter != 0 && over) {
            char32_t composed = uc_composition(letter, mark);
            if (composed == 0 && letter == 0x0131) composed = uc_composition('i', mark);
            if (composed == 0 && letter == 0x0237) composed = uc_composition('j', mark);
            if (composed != 0) {
                texts.resize(previous.text);
                chars.pop_back();
                AppendUtf8(composedText, composed);
                text = composedText;
            }
        }
    }
    // What the TeX font's family lacks (Greek letters, mathematical symbols) is set in
    // the symbol family.
    int face = fonts.Face(style, ink.has_value(), double(size) / emuPerPoint);
    // A CJK font's text, its Latin letters and punctuation too, is set in one CJK face.
    if (style.cjk != 0 && Measurable(fonts.CjkFace(face, style.cjk == 2), text))
        face = fonts.CjkFace(face, style.cjk == 2);
    bool measured = Measurable(face, text);
    if (!measured) {
        const int symbols = fonts.SymbolFace(face);
        measured = Measurable(symbols, text);
        if (!measured) {
            const int cjk = fonts.CjkFace(face);
            measured = Measurable(cjk, text);
            face = measured ? cjk : symbols;
        } else {
            face = symbols;
        }
    }
    chars.push_back(Char{x, y, advance, size, rotation, static_cast<std::uint32_t>(texts.size()),
                         static_cast<std::uint32_t>(text.size()), face, measured, ink});
    texts += text;
}

bool TextLayer::Measurable(int face, std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        if (!fonts.Width(face, NextCodePoint(text, i))) return false;
    }
    return true;
}

void TextLayer::Finish(SlideShapes& shapes, const Cover* cover) {
    // A text box holds characters of one font on one baseline, moving right; one whose
    // width the family does not know stands alone, for another font draws it.
    std::vector<std::pair<std::size_t, std::size_t>> lines;
    std::size_t begin = 0;
    for (std::size_t i = 1; i <= chars.size(); ++i) {
        if (i < chars.size()) {
            const Char &previous = chars[i - 1], &c = chars[i];
            const double gap = double(c.x - previous.x - previous.advance);
            // (Turned baselines are equal within rounding.)
            if (previous.measured && c.measured && c.rotation == previous.rotation &&
                std::abs(c.y - previous.y) <= (c.rotation != 0 ? emuPerHundredth : 0) &&
                gap >= -backwards * double(previous.size) && c.face == previous.face &&
                c.size == previous.size)
                continue;
        }
        lines.emplace_back(begin, i);
        begin = i;
    }
    const auto drawn = [&](const std::pair<std::size_t, std::size_t>& line) {
        return std::any_of(chars.begin() + std::ptrdiff_t(line.first),
                           chars.begin() + std::ptrdiff_t(line.second),
                           [](const Char& c) { return c.ink.has_value(); });
    };
    const std::size_t from = shapes.Written();
    for (const auto& line : lines)
        if (!cover || !drawn(line)) WriteLine(shapes, line.first, line.second);
    if (cover) {
        shapes.Underlay(from, cover->colour, cover->width, cover->height);
        for (const auto& line : lines)
            if (drawn(line)) WriteLine(shapes, line.first, line.second);
    }
    chars.clear();
    texts.clear();
}

std::string TextLayer::Paragraphs(std::int64_t top) const {
    std::string text;
    const Char* previous = nullptr;
    for (const Char& c : chars) {
        if (c.rotation != 0 || c.y <= top) continue;
        if (previous != nullptr) {
            const std::int64_t down = c.y - previous->y;
            if (std::abs(down) * 10 > previous->size * 3) {  // another line
                text += down * 10 > std::max(c.size, previous->size) * 16 ? '\n' : ' ';
            } else if ((c.x - previous->x - previous->advance) * 20 > previous->size * 3) {
                text += ' ';  // a space between words
            }
        }
        text.append(texts, c.text, c.length);
        previous = &c;
    }
    return text;
}

bool TextLayer::Turned() const {
    return std::any_of(chars.begin(), chars.end(), [](const Char& c) { return c.rotation != 0; });
}

double TextLayer::Ems(int face, std::string_view text, std::size_t* count,
                      std::vector<double>* places, bool kerned) {
    if (places != nullptr) places->assign(text.size() + 1, 0.0);
    double width = 0.0;
    char32_t previous = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t at = i;
        const char32_t c = NextCodePoint(text, i);
        if (previous != 0 && kerned) width += fonts.Kerning(face, previous, c);
        if (places != nullptr) (*places)[at] = width;
        // What the face lacks, another font draws: a guess, and a text box of its own
        // (see Finish) keeps the guess from moving what follows.
        width += fonts.Width(face, c).value_or(0.5);
        previous = c;
        if (count != nullptr) ++*count;
    }
    return width;
}

double TextLayer::Room(std::size_t i, bool after) const {
    const std::size_t other = after ? i + 1 : i - 1;
    if ((after ? i + 1 >= chars.size() : i == 0) || chars[other].rotation != chars[i].rotation ||
        double(std::abs(chars[other].y - chars[i].y)) > lineRise * double(chars[i].size))
        return std::numeric_limits<double>::infinity();
    const Char &left = after ? chars[i] : chars[other], &right = after ? chars[other] : chars[i];
    return double(right.x - left.x - left.advance);
}

bool TextLayer::Uniform(std::size_t begin, std::size_t end) {
    if (end - begin < 3) return true;
    // The characters' places in the face, made as wide in all as TeX's, against TeX's.
    const Char &first = chars[begin], &last = chars[end - 1];
    std::vector<double> places;
    const double ems =
        Ems(first.face,
            std::string_view(texts.data() + first.text, last.text + last.length - first.text),
            nullptr, &places);
    const double scale = double(last.x + last.advance - first.x) / ems;
    for (std::size_t k = begin + 1; k < end; ++k) {
        const double offset =
            double(chars[k].x - first.x) - places[chars[k].text - first.text] * scale;
        if (std::abs(offset) > uniformity * double(first.size)) return false;
    }
    return true;
}

void TextLayer::WriteLine(SlideShapes& shapes, std::size_t begin, std::size_t end) {
    if (begin == end) return;
    // LibreOffice keeps sizes and spacing in hundredths of a millimetre (360 EMU):
    // the runs ask for whole ones, and the positions count what it will lay out.
    const auto whole = [](double emu) { return std::round(emu / emuPerMillimetre); };
    const auto spacing = [&](double emu, std::size_t count) {
        const double hundredths = whole(emu / double(count)) * emuPerMillimetre / emuPerHundredth;
        return std::clamp<std::int64_t>(std::llround(hundredths), -maxSpacing, maxSpacing);
    };
    // It adds a run's spacing after each of its characters, a negative one except
    // after the last.
    const auto laidOut = [](std::int64_t spacing, std::size_t count) {
        const auto spaced = std::int64_t(spacing < 0 ? count - 1 : count);
        return spaced * std::llround(double(spacing) * emuPerHundredth / emuPerMillimetre) *
               std::int64_t(emuPerMillimetre);
    };
    // The spacing that moves what follows `count` characters by `emu`.
    const auto spread = [&](double emu, std::size_t count) -> std::int64_t {
        const std::int64_t even = spacing(emu, count);
        if (even >= 0) return even;
        return count > 1 ? spacing(emu, count - 1) : 0;
    };

    std::vector<TextRun> runs;
    std::deque<std::string> joined;  // words with the space after them, for their runs
    const Char& first = chars[begin];
    std::int64_t position = first.x;            // where the layer's text has got to
    std::int64_t largest = 0, right = first.x;  // the largest run size, in EMU
    std::int64_t shift = 0;                     // how far the text box starts left of TeX
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
        // Letters whose widths differ from TeX's each in its own way (mathematics in a
        // text face) are a piece each.
        if (!Uniform(i, stop)) stop = i + 1;
        const Char& last = chars[stop - 1];
        const std::int64_t wordEnd = last.x + last.advance;
        const std::string_view text(texts.data() + head.text, last.text + last.length - head.text);
        std::size_t count = 0;
        const double wanted = double(wordEnd - position);
        int face = head.face;
        double ems = Ems(face, text, &count);

        // Drawn text is made as wide as TeX's by its size (within limits), then by
        // spacing. Transparent text keeps the TeX font's size, for text extractors join
        // characters into a word only at one size and build lines around the size of
        // their first word: its width comes from the design size of the family whose
        // letters are as wide as TeX's (mathematical italic is wider than roman at the
        // same size, as a smaller design size is; the others are measured without
        // kerning, whose pairs take long to read), and a piece still narrower than TeX's
        // grows, so that no gap opens inside TeX's word. (A character the face lacks
        // keeps its size: its width is a guess.)
        double miss = std::abs(ems * double(head.size) - wanted);
        if (!head.ink && head.measured &&
            (count == 1 ? miss > faceTolerance * wanted : miss > stretched * double(head.size))) {
            for (const int other : fonts.DesignSizes(head.face)) {
                const double otherMiss = std::abs(
                    Ems(other, text, nullptr, nullptr, false) * double(head.size) - wanted);
                if (otherMiss < miss) {
                    miss = otherMiss;
                    face = other;
                }
            }
            if (face != head.face) ems = Ems(face, text);
        }
        const double fit = ems > 0 && head.measured ? wanted / (ems * double(head.size)) : 1.0;
        // (A CJK face's proportional punctuation stands for full-width forms: their
        // place is made up by spacing, keeping the line's one size.)
        const bool narrow = wanted - ems * double(head.size) > widthTolerance * double(head.size) &&
                            fonts.Style(face).cjk == 0;
        // (The letters of an icon font's glyph names, ccicons' "cba", are far narrower
        // than its glyphs.)
        const double iconFit =
            wanted / (double(head.size) * (ems + letterGap * double(count > 0 ? count - 1 : 0)));
        // A lone transparent character (mostly a symbol of the mathematical face, in a
        // text box of its own) wider than TeX's ends where TeX's does, overhanging the
        // room before it, unless that is a space (readers take characters of one size a
        // tenth of it apart for two words) and TeX left none after it: then it starts
        // where TeX's does (a thin space before ξ₃). Narrower than TeX's, it grows, unless
        // a character of its size follows a kern away: readers join characters into a
        // word only at one size, so it keeps its size and ends where TeX's does (∂
        // before V), or leaves half the difference on each side if TeX left no room
        // before it either (∈ in i∈I).
        const bool lone = !head.ink && end - begin == 1;
        double before = 0, after = 0;
        bool kerned = false;
        if (lone && head.measured && fonts.Style(face).cjk == 0) {
            before = Room(begin, false), after = Room(begin, true);
            kerned = after <= kernGap * double(head.size) && chars[begin + 1].size == head.size;
        }
        const double scale = head.ink ? std::clamp(fit, minScale, maxScale)
                             : kerned ? 1.0
                             : narrow
                                 ? std::min(fit, std::max(maxScale, std::min(iconFit, iconScale)))
                                 : 1.0;
        const double millimetres = std::max(whole(double(head.size) * scale), 36.0);
        const double runSize = millimetres * emuPerMillimetre;  // EMU
        const std::int64_t letters = std::llround(ems * runSize),
                           over = letters - std::llround(wanted);
        const double kern = kernGap * double(head.size);
        if (lone && over > 0)
            shift = before > kern && after <= kern ? 0 : over;
        else if (kerned)
            shift = before <= kern ? over / 2 : over;
        right = std::max(right, lone ? std::max(wordEnd, first.x - shift + letters) : wordEnd);
        largest = std::max<std::int64_t>(largest, std::llround(runSize));

        const bool space = stop<end&& double(chars[stop].x - wordEnd)> wordGap * double(last.size);
        // Before a space, or at the end of the line, the last glyph ends where TeX's
        // does; before a piece in another colour, that piece starts where TeX's does.
        const std::int64_t spacingOfLetters =
            space || stop == end ? (count > 1 ? spacing(wanted - double(letters), count - 1) : 0)
                                 : spread(wanted - double(letters), count);
        const FontStyle style = fonts.Style(face);
        TextRun run{text,
                    fonts.Typeface(face),
                    style.bold,
                    style.italic,
                    std::llround(runSize / emuPerHundredth),
                    spacingOfLetters,
                    head.ink ? &*head.ink : nullptr};
        i = stop;
        if (!space) {
            position += letters + laidOut(run.spacing, count);
            runs.push_back(run);
            continue;
        }
        // The space after the word: in the word's run when that spacing suits it too,
        // else a run of its own that fills the gap, by its spacing when the gap is wider
        // than a space and by its size when narrower.
        const std::int64_t next = chars[stop].x;
        const double spaceEms = Ems(face, " ");
        const std::int64_t spaceWidth = std::llround(spaceEms * runSize);
        const std::int64_t joint =
            spread(double(next - position - letters - spaceWidth), count + 1);
        if (double(std::abs(joint - run.spacing) * emuPerHundredth) * double(count) <=
            spacingTolerance * double(head.size)) {
            run.text = joined.emplace_back(std::string(text) + ' ');
            run.spacing = joint;
            position += letters + spaceWidth + laidOut(joint, count + 1);
            runs.push_back(run);
            continue;
        }
        position += letters + laidOut(run.spacing, count);
        runs.push_back(run);
        TextRun& gap = runs.emplace_back(run);
        gap.text = " ";
        const double wide = double(next - position);
        if (wide >= double(spaceWidth)) {
            gap.spacing = spacing(wide - double(spaceWidth), 1);
            position += spaceWidth + laidOut(gap.spacing, 1);
        } else {
            const double narrow = std::max(whole(wide / spaceEms), 36.0) * emuPerMillimetre;
            gap.size = std::llround(narrow / emuPerHundredth);
            gap.spacing = 0;
            position += std::llround(spaceEms * narrow);
        }
    }
    std::int64_t left = first.x - shift, top = first.y - std::llround(ascent * double(largest));
    const std::int64_t width = right - left, height = std::llround(1.3 * double(largest));
    if (first.rotation != 0) {
        // The box turns about its centre: the centre is turned back onto the slide.
        const auto [c, s] = Turn(first.rotation);
        const double u = double(left) + double(width) / 2, v = double(top) + double(height) / 2;
        left = std::llround(u * c - v * s - double(width) / 2);
        top = std::llround(u * s + v * c - double(height) / 2);
    }
    shapes.TextLine(left, top, width, height, runs, first.rotation);
}
