// The records' grammar, line by line:
//   f R r g b                  a fill, R 0 nonzero or 1 even-odd, in colour r g b (0..1),
//                              or -1 c m y k: every colour may be either
//   s r g b w cap join miter offset n d1 .. dn   a stroke and its dash pattern
//   g T coords.. matrix(6) e0 e1 (t r g b)..     an axial (T 2, 4 coordinates) or
//                                                radial (T 3, 6) shading; " ?" when its
//                                                function is of another kind
//   i w h bits components r g b matrix(6)        an image, then its samples:
//   x hex
//   t x y tx ty size glyph font                  a character shown: a line of its own
//   z                                             a paint beyond the page's most
//   o alpha blend                                 before a record painted under a constant
//                                                 alpha (0 < alpha <= 1), or blend mode
//                                                 other than Normal (blend 1)
//   M n alpha backdrop                           soft mask n begins: an alpha mask (1) or
//                                                a luminosity mask (0), and the luminosity
//                                                of its backdrop (0..1); a line of its own
//   K n / k n                                    before a record of soft mask n's group /
//                                                painted through soft mask n
// Each record is followed by the clip path and (but for images) the painted path:
//   m x y / l x y / c x1 y1 x2 y2 x3 y3 / h, ended by e
// and the chunk by "d 0" (and, in an open page, the transformation from the page's
// coordinates to the current ones: 6 numbers, then the fill alpha, -1 while the page's
// device is not the current one), or "d 1 name" after a PostScript error. Other lines
// (the interpreter's own messages) are skipped between records.
#include "ps/PaintRecords.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "ps/CmykColour.h"

namespace {

constexpr double emuPerBigPoint = 12700.0;
// Coordinates beyond this many big points (over 3 km) are taken for garbage.
constexpr double farthest = 1e5;
constexpr std::size_t maxDashes = 32, maxStops = 256;
constexpr int maxImageSide = 1 << 15;
constexpr std::size_t maxSamples = std::size_t{1} << 24;  // bytes, as the prologue reports

// The words of a line, as numbers after the first; none when one is not a number.
class Numbers {
  public:
    explicit Numbers(std::string_view text) : rest(text) {}
    std::optional<double> Next() {
        while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
        if (rest.empty()) return std::nullopt;
        double value = 0;
        const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
        if (error != std::errc() || (end != rest.data() + rest.size() && *end != ' ') ||
            !std::isfinite(value) || std::abs(value) > 1e9)
            return std::nullopt;
        rest.remove_prefix(static_cast<std::size_t>(end - rest.data()));
        return value;
    }
    bool AtEnd() {
        while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
        return rest.empty();
    }
    std::string_view Rest() {
        AtEnd();
        return rest;
    }

  private:
    std::string_view rest;
};

// r g b, or -1 and c m y k.
std::optional<RgbColour> Colour(Numbers& numbers) {
    double values[4];
    std::optional<double> first = numbers.Next();
    const bool cmyk = first == -1.0;
    for (int i = 0; i < (cmyk ? 4 : 3); ++i) {
        const std::optional<double> value = cmyk || i > 0 ? numbers.Next() : first;
        if (!value || *value < 0 || *value > 1) return std::nullopt;
        values[i] = *value;
    }
    if (cmyk) return CmykToRgb(values[0], values[1], values[2], values[3]);
    const auto level = [](double v) { return static_cast<std::uint8_t>(std::lround(v * 255)); };
    return RgbColour{level(values[0]), level(values[1]), level(values[2])};
}

// A matrix to default user space, turned into one to the slide.
std::optional<Affine> Matrix(Numbers& numbers, double pageHeight) {
    Affine m;
    for (double& value : m) {
        const std::optional<double> number = numbers.Next();
        if (!number) return std::nullopt;
        value = *number;
    }
    const double k = emuPerBigPoint;
    return Affine{k * m[0], -k * m[1], k * m[2], -k * m[3], k * m[4], k * (pageHeight - m[5])};
}

bool ReadHeader(char kind, Numbers& numbers, Paint& paint, double pageHeight) {
    switch (kind) {
        case 'f': {
            const std::optional<double> rule = numbers.Next();
            const std::optional<RgbColour> colour = Colour(numbers);
            if (!rule || (*rule != 0 && *rule != 1) || !colour) return false;
            paint.kind = *rule == 0 ? Paint::Kind::Fill : Paint::Kind::EvenOddFill;
            paint.colour = *colour;
            return numbers.AtEnd();
        }
        case 's': {
            const std::optional<RgbColour> colour = Colour(numbers);
            if (!colour) return false;
            paint.kind = Paint::Kind::Stroke;
            paint.colour = *colour;
            StrokeStyle& style = paint.stroke;
            const auto width = numbers.Next(), cap = numbers.Next(), join = numbers.Next(),
                       miter = numbers.Next(), offset = numbers.Next(), count = numbers.Next();
            if (!width || *width < 0 || *width > farthest || !cap || !join || !miter || !offset ||
                !count)
                return false;
            if ((*cap != 0 && *cap != 1 && *cap != 2) || (*join != 0 && *join != 1 && *join != 2) ||
                *miter < 1 || *count < 0 || *count > maxDashes || *count != std::floor(*count))
                return false;
            style.width = *width * emuPerBigPoint;
            style.cap = static_cast<int>(*cap);
            style.join = static_cast<int>(*join);
            style.miterLimit = *miter;
            style.dashOffset = *offset * emuPerBigPoint;
            double total = 0;
            for (int i = 0; i < static_cast<int>(*count); ++i) {
                const std::optional<double> dash = numbers.Next();
                if (!dash || *dash < 0 || *dash > farthest) return false;
                style.dash.push_back(*dash * emuPerBigPoint);
                total += *dash;
            }
            if (!style.dash.empty() && total == 0) return false;
            return numbers.AtEnd();
        }
        case 'g': {
            paint.kind = Paint::Kind::Shading;
            ShadingStyle& shading = paint.shading;
            const std::optional<double> type = numbers.Next();
            if (!type || (*type != 2 && *type != 3)) return false;
            shading.type = static_cast<int>(*type);
            const int coordinates = shading.type == 2 ? 4 : 6;
            for (int i = 0; i < coordinates; ++i) {
                const std::optional<double> value = numbers.Next();
                if (!value || std::abs(*value) > farthest) return false;
                shading.coords[static_cast<std::size_t>(i)] = *value;
            }
            const std::optional<Affine> matrix = Matrix(numbers, pageHeight);
            const auto start = numbers.Next(), end = numbers.Next();
            if (!matrix || !start || !end) return false;
            shading.matrix = *matrix;
            shading.extendStart = *start != 0;
            shading.extendEnd = *end != 0;
            while (!numbers.AtEnd()) {
                const std::optional<double> t = numbers.Next();
                const std::optional<RgbColour> colour = Colour(numbers);
                if (!t || !colour || shading.stops.size() == maxStops ||
                    (!shading.stops.empty() && *t < shading.stops.back().first))
                    return false;
                shading.stops.emplace_back(*t, *colour);
            }
            return shading.stops.size() >= 2 && shading.stops.back().first > shading.stops[0].first;
        }
        case 'i': {
            paint.kind = Paint::Kind::Image;
            ImageSamples& image = paint.image;
            const auto width = numbers.Next(), height = numbers.Next(), bits = numbers.Next(),
                       components = numbers.Next();
            const std::optional<RgbColour> colour = Colour(numbers);
            const std::optional<Affine> matrix = Matrix(numbers, pageHeight);
            if (!width || !height || !bits || !components || !colour || !matrix || !numbers.AtEnd())
                return false;
            if (*width < 1 || *width > maxImageSide || *height < 1 || *height > maxImageSide ||
                *width != std::floor(*width) || *height != std::floor(*height))
                return false;
            if (*bits != 1 && *bits != 2 && *bits != 4 && *bits != 8) return false;
            if (*components != -1 && *components != 0 && *components != 1 && *components != 3 &&
                *components != 4)
                return false;
            if (*components <= 0 && *bits != 1) return false;
            image.width = static_cast<int>(*width);
            image.height = static_cast<int>(*height);
            image.bits = static_cast<int>(*bits);
            image.components = static_cast<int>(*components);
            image.matrix = *matrix;
            paint.colour = *colour;
            return true;
        }
        default:
            return false;
    }
}

// The image's samples from hex digits, as many as its rows take.
bool ReadSamples(std::string_view hex, ImageSamples& image) {
    const std::size_t row = (static_cast<std::size_t>(image.width) *
                                 static_cast<std::size_t>(std::max(image.components, 1)) *
                                 static_cast<std::size_t>(image.bits) +
                             7) /
                            8;
    const std::size_t size = row * static_cast<std::size_t>(image.height);
    if (size > maxSamples || hex.size() % 2 != 0 || hex.size() / 2 > size) return false;
    image.samples.assign(size, '\0');  // what the source did not give stays 0
    const auto digit = [](char ch) -> int {
        if (ch >= '0' && ch <= '9') return ch - '0';
        if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
        if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
        return -1;
    };
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = digit(hex[i]), low = digit(hex[i + 1]);
        if (high < 0 || low < 0) return false;
        image.samples[i / 2] = static_cast<char>(high << 4 | low);
    }
    return true;
}

// A soft mask's number: a count from 1.
bool MaskNumber(double number) {
    return number >= 1 && number <= 1e6 && number == std::floor(number);
}

// A name of the prologue's: printable, without spaces, 64 characters at most.
bool IsName(std::string_view name) {
    if (name.empty() || name.size() > 64) return false;
    for (const char ch : name)
        if (ch < 0x21 || ch > 0x7E) return false;
    return true;
}

// A character's record after its "t".
bool ReadGlyph(Numbers& numbers, Paint& paint, double pageHeight) {
    paint.kind = Paint::Kind::Glyph;
    ShownGlyph& glyph = paint.glyph;
    double values[5];
    for (double& value : values) {
        const std::optional<double> number = numbers.Next();
        if (!number || std::abs(*number) > farthest) return false;
        value = *number;
    }
    const std::string_view names = numbers.Rest();
    const std::size_t space = names.find(' ');
    if (values[4] <= 0 || space == std::string_view::npos) return false;
    glyph.name = names.substr(0, space);
    glyph.font = names.substr(space + 1);
    glyph.x = values[0] * emuPerBigPoint;
    glyph.y = (pageHeight - values[1]) * emuPerBigPoint;
    glyph.toX = values[2] * emuPerBigPoint;
    glyph.toY = (pageHeight - values[3]) * emuPerBigPoint;
    glyph.size = values[4] * emuPerBigPoint;
    return IsName(glyph.name) && IsName(glyph.font);
}

// Adds a path line to `path`; false when it is not one.
bool ReadPathLine(char kind, Numbers& numbers, PaintPath& path, double pageHeight) {
    using Op = PaintPath::Op;
    int points = 0;
    Op op;
    switch (kind) {
        case 'm':
            op = Op::Move, points = 1;
            break;
        case 'l':
            op = Op::Line, points = 1;
            break;
        case 'c':
            op = Op::Cubic, points = 3;
            break;
        case 'h':
            op = Op::Close;
            break;
        default:
            return false;
    }
    for (int i = 0; i < points; ++i) {
        const std::optional<double> x = numbers.Next(), y = numbers.Next();
        if (!x || !y || std::abs(*x) > farthest || std::abs(*y) > farthest) return false;
        path.points.push_back(*x * emuPerBigPoint);
        path.points.push_back((pageHeight - *y) * emuPerBigPoint);
    }
    // A path starts with a move.
    if (op != Op::Move && path.ops.empty()) return false;
    path.ops.push_back(op);
    return numbers.AtEnd();
}

}  // namespace

ChunkReport ReadPaintRecords(std::string_view records, double pageHeight) {
    ChunkReport report;
    // Where a record is: between records; in its clip path; in its painted path; or,
    // for an image, at its samples.
    enum class State { Between, Samples, Clip, Path } state = State::Between;
    Paint paint;
    bool valid = true;
    bool opacityRead = true;  // the record's "o" line, when it has one, was well-formed
    bool maskRead = true;     // and its "K" or "k" line
    const auto finish = [&] {
        if (valid && maskRead)
            report.paints.push_back(std::move(paint));
        else
            ++report.dropped;
        paint = Paint{};
        opacityRead = maskRead = true;
        state = State::Between;
    };
    while (!records.empty() && !report.finished) {
        const std::size_t end = records.find('\n');
        const std::string_view line = records.substr(0, end);
        records.remove_prefix(end == std::string_view::npos ? records.size() : end + 1);
        if (line.empty()) continue;
        const char kind = line[0];
        const bool single = line.size() == 1 || line[1] == ' ';
        Numbers numbers(line.substr(std::min<std::size_t>(line.size(), 2)));
        // A chunk's end inside a record drops the record and ends the chunk.
        if (state != State::Between && kind == 'd' && single) {
            valid = false;
            finish();
        }
        switch (state) {
            case State::Between:
                if (!single) break;
                if (kind == 'd') {
                    const std::optional<double> status = numbers.Next();
                    report.finished = true;
                    if (status && *status == 0 && !numbers.AtEnd()) {
                        Affine m;
                        bool read = true;
                        for (double& value : m) {
                            const std::optional<double> number = numbers.Next();
                            read = read && number.has_value();
                            value = number.value_or(0);
                        }
                        const std::optional<double> alpha =
                            numbers.AtEnd() ? std::optional(1.0) : numbers.Next();
                        if (read && alpha && (*alpha == -1 || (*alpha >= 0 && *alpha <= 1)) &&
                            numbers.AtEnd()) {
                            report.transform = m;
                            report.alpha = *alpha;
                        }
                    }
                    if (status && *status != 0) {
                        std::string name(numbers.Rest().substr(0, 40));
                        for (char& ch : name)
                            if (ch < 0x21 || ch > 0x7E) ch = '?';
                        report.error = name.empty() ? "error" : name;
                    }
                } else if (kind == 'z') {
                    ++report.beyond;
                } else if (kind == 'o') {
                    // The alpha and blend mode of the record that follows.
                    const auto opacity = numbers.Next(), blend = numbers.Next();
                    opacityRead = opacity && *opacity > 0 && *opacity <= 1 && blend &&
                                  (*blend == 0 || *blend == 1) && numbers.AtEnd();
                    paint.alpha = opacity.value_or(1);
                    paint.blended = blend == 1.0;
                } else if (kind == 'M') {
                    const auto number = numbers.Next(), alpha = numbers.Next(),
                               backdrop = numbers.Next();
                    if (number && MaskNumber(*number) && alpha && (*alpha == 0 || *alpha == 1) &&
                        backdrop && *backdrop >= 0 && *backdrop <= 1 && numbers.AtEnd()) {
                        SoftMask mask;
                        mask.alpha = *alpha == 1;
                        mask.backdrop = *backdrop;
                        report.masks.emplace_back(static_cast<std::uint32_t>(*number),
                                                  std::move(mask));
                    }
                } else if (kind == 'K' || kind == 'k') {
                    const std::optional<double> number = numbers.Next();
                    maskRead = number && MaskNumber(*number) && numbers.AtEnd();
                    (kind == 'K' ? paint.maskOf : paint.maskedBy) =
                        maskRead ? static_cast<std::uint32_t>(*number) : 0;
                } else if (kind == 't') {
                    valid = ReadGlyph(numbers, paint, pageHeight);
                    finish();
                } else if (kind == 'f' || kind == 's' || kind == 'g' || kind == 'i') {
                    valid = ReadHeader(kind, numbers, paint, pageHeight) && opacityRead;
                    state = kind == 'i' ? State::Samples : State::Clip;
                }
                break;
            case State::Samples:
                valid =
                    valid && kind == 'x' && single &&
                    ReadSamples(line.substr(std::min<std::size_t>(line.size(), 2)), paint.image);
                state = State::Clip;
                break;
            case State::Clip:
            case State::Path: {
                PaintPath& path = state == State::Clip ? paint.clip : paint.path;
                if (kind == 'e' && line.size() == 1) {
                    if (state == State::Clip && paint.kind != Paint::Kind::Image)
                        state = State::Path;
                    else
                        finish();
                } else if (!single || !ReadPathLine(kind, numbers, path, pageHeight)) {
                    // Out of place: the record is dropped.
                    valid = false;
                    finish();
                }
                break;
            }
        }
    }
    if (state != State::Between) ++report.dropped;
    return report;
}

void PageMasks::Begin(std::vector<std::pair<std::uint32_t, SoftMask>>& begun) {
    for (auto& [number, mask] : begun) masks[number] = std::make_shared<SoftMask>(std::move(mask));
}

PageMasks::Use PageMasks::Take(Paint& paint) {
    if (paint.maskOf != 0) {
        const auto group = masks.find(paint.maskOf);
        if (group == masks.end()) return Use::LeftOut;
        if (group->second->paints.size() <= maxGroupPaints)
            group->second->paints.push_back(std::move(paint));
        return Use::Kept;
    }
    if (paint.maskedBy != 0) {
        const auto mask = masks.find(paint.maskedBy);
        if (mask == masks.end() || mask->second->paints.size() > maxGroupPaints)
            return Use::LeftOut;
        paint.mask = mask->second;
    }
    return Use::Draw;
}
