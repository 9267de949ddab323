// Reading TeX dimensions out of a papersize special.
#include "pptx/PaperSize.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <fstream>
#include <string>
#include <vector>

#include "fonts/FontFileLookup.h"

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

// The papers dvipdfmx knows by name that TeX Live's configurations set.
struct NamedPaper {
    std::string_view name;
    PaperSize size;
};
constexpr std::array<NamedPaper, 9> papers{{
    {"a4", {595.276, 841.89}},
    {"letter", {612, 792}},
    {"legal", {612, 1008}},
    {"a3", {841.89, 1190.551}},
    {"a5", {419.528, 595.276}},
    {"b5", {498.898, 708.661}},
    {"ledger", {1224, 792}},
    {"tabloid", {792, 1224}},
    {"executive", {522, 756}},
}};

// The lines of a configuration file (at most 1 MiB of it).
std::vector<std::string> Lines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream file(path);
    std::size_t read = 0;
    for (std::string line; read < (1u << 20) && std::getline(file, line);) {
        read += line.size() + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
    }
    return lines;
}

// Two dimensions, "w h" or "w,h", with TeX's units.
std::optional<PaperSize> ReadSize(std::string_view text) {
    const std::optional<double> width = ReadDimension(text);
    if (!text.empty() && text.front() == ',') text.remove_prefix(1);
    const std::optional<double> height = ReadDimension(text);
    if (!width || !height || !(*width > 0) || !(*height > 0)) return std::nullopt;
    return PaperSize{*width, *height};
}

// dvips's first paper definition in a configuration file and those it includes.
std::optional<PaperSize> DvipsPaper(const std::string& name, int depth) {
    const std::string path = FindConfigFile(name, "dvips", "dvips config");
    if (path.empty() || depth > 4) return std::nullopt;
    for (const std::string& line : Lines(path)) {
        if (line.starts_with("c") && line.size() > 1 && line[1] != ' ') {
            if (auto included = DvipsPaper(line.substr(1), depth + 1)) return included;
        } else if (line.starts_with("@ ")) {
            std::string_view rest = std::string_view(line).substr(2);
            SkipBlanks(rest);
            rest.remove_prefix(std::min(rest.size(), rest.find(' ')));  // the paper's name
            if (auto size = ReadSize(rest)) return size;
        }
    }
    return std::nullopt;
}

// dvipdfmx's paper in a configuration file and those it includes.
std::optional<PaperSize> DvipdfmxPaper(const std::string& name, int depth) {
    const std::string path = FindConfigFile(name, "dvipdfmx", "other text files");
    if (path.empty() || depth > 4) return std::nullopt;
    std::optional<PaperSize> paper;
    for (const std::string& line : Lines(path)) {
        std::string_view rest = line;
        if (!rest.starts_with("p ") && !rest.starts_with("i ")) continue;
        const bool include = rest.front() == 'i';
        rest.remove_prefix(2);
        SkipBlanks(rest);
        rest = rest.substr(0, rest.find_first_of(" \t%"));
        if (include) {
            if (auto included = DvipdfmxPaper(std::string(rest), depth + 1)) paper = included;
            continue;
        }
        const auto named = std::find_if(papers.begin(), papers.end(),
                                        [&](const NamedPaper& p) { return p.name == rest; });
        if (named != papers.end())
            paper = named->size;
        else if (auto size = ReadSize(rest))
            paper = size;
    }
    return paper;  // the last one given holds
}

}  // namespace

PaperSize DriverPaperSize(bool dvipdfmx) {
    return (dvipdfmx ? DvipdfmxPaper("dvipdfmx.cfg", 0) : DvipsPaper("config.ps", 0))
        .value_or(PaperSize{});
}

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
