// Reading TeX dimensions out of a papersize special.
#include "pptx/PaperSize.h"

#include <array>
#include <charconv>

namespace {

struct Unit {
    std::string_view name;
    double bigPoints;  // the unit's size in 1/72 in
};

// TeX's units. The papersize dimensions are taken as given: the magnification of the
// document does not change the paper it is printed on.
constexpr std::array<Unit, 9> units{{
    {"pt", 72.0 / 72.27},
    {"bp", 1.0},
    {"in", 72.0},
    {"cm", 72.0 / 2.54},
    {"mm", 72.0 / 25.4},
    {"pc", 12.0 * 72.0 / 72.27},
    {"dd", 1238.0 / 1157.0 * 72.0 / 72.27},
    {"cc", 12.0 * 1238.0 / 1157.0 * 72.0 / 72.27},
    {"sp", 72.0 / 72.27 / 65536.0},
}};

void SkipBlanks(std::string_view& text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
}

// Reads one dimension (a decimal number, optional "true", a unit) from the front of
// `text`, leaving the rest.
std::optional<double> ReadDimension(std::string_view& text) {
    SkipBlanks(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0.0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (error != std::errc()) return std::nullopt;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    SkipBlanks(text);
    if (text.starts_with("true")) text.remove_prefix(4);
    for (const Unit& unit : units) {
        if (text.starts_with(unit.name)) {
            text.remove_prefix(unit.name.size());
            SkipBlanks(text);
            return value * unit.bigPoints;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<PaperSize> ParsePaperSize(std::string_view special) {
    constexpr std::string_view keyword = "papersize=";
    if (!special.starts_with(keyword)) return std::nullopt;
    std::string_view text = special.substr(keyword.size());
    const std::optional<double> width = ReadDimension(text);
    if (!width || text.empty() || text.front() != ',') return std::nullopt;
    text.remove_prefix(1);
    const std::optional<double> height = ReadDimension(text);
    if (!height || !text.empty()) return std::nullopt;
    if (!(*width > 0.0) || !(*height > 0.0)) return std::nullopt;
    return PaperSize{*width, *height};
}
