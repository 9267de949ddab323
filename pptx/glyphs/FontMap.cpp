// Reading pdfTeX's font map and the encoding files it names.
#include "pptx/glyphs/FontMap.h"

#include <charconv>
#include <sstream>

namespace {

bool IsBlank(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\f';
}

// Splits a map line into its fields: blank-separated words, and quoted strings (kept
// with their opening quote so they can be told apart).
std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        if (IsBlank(line[i])) {
            ++i;
        } else if (line[i] == '"') {
            const std::size_t end = line.find('"', i + 1);
            const std::size_t stop = end == std::string::npos ? line.size() : end;
            fields.push_back(line.substr(i, stop - i));
            i = stop + 1;
        } else {
            const std::size_t start = i;
            while (i < line.size() && !IsBlank(line[i]) && line[i] != '"') ++i;
            fields.push_back(line.substr(start, i - start));
        }
    }
    return fields;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The PostScript instructions of a quoted field: "<number> SlantFont" and
// "<number> ExtendFont" change the glyphs' shape; anything else is left to others.
void ReadEffects(const std::string& quoted, FontMapEntry& entry) {
    std::istringstream words(quoted.substr(1));
    std::string previous, word;
    while (words >> word) {
        double value = 0.0;
        const auto [end, error] =
            std::from_chars(previous.data(), previous.data() + previous.size(), value);
        const bool number = error == std::errc() && end == previous.data() + previous.size();
        if (number && word == "SlantFont") entry.slant = value;
        if (number && word == "ExtendFont") entry.extend = value;
        previous = word;
    }
}

}  // namespace

void FontMap::Read(std::istream& file) {
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || std::string_view("%#*; \t").find(line[0]) != std::string_view::npos)
            continue;
        const std::vector<std::string> fields = Fields(line);
        if (fields.empty() || entries.contains(fields[0])) continue;

        FontMapEntry entry;
        for (std::size_t i = 1; i < fields.size(); ++i) {
            const std::string& field = fields[i];
            if (field[0] == '"') {
                ReadEffects(field, entry);
            } else if (field[0] == '<') {
                // "<file", "<<file" (whole font embedded) and "<[file" (encoding); the
                // file name may also follow as a field of its own.
                const std::size_t start = field.find_first_not_of("<[");
                std::string name = start == std::string::npos ? "" : field.substr(start);
                if (name.empty() && i + 1 < fields.size()) name = fields[++i];
                if (EndsWith(name, ".enc")) {
                    entry.encodingFile = name;
                } else if (!name.empty()) {
                    entry.fontFile = name;
                }
            }
        }
        entries.emplace(fields[0], std::move(entry));
    }
}

const FontMapEntry* FontMap::Find(const std::string& tfmName) const {
    const auto found = entries.find(tfmName);
    return found == entries.end() ? nullptr : &found->second;
}

std::vector<std::string> ReadEncoding(std::istream& file) {
    // The file without its comments, which run from % to the end of the line.
    std::string text, line;
    while (std::getline(file, line)) text += line.substr(0, line.find('%')) + '\n';

    const std::size_t open = text.find('[');
    if (open == std::string::npos) return {};
    const std::size_t close = text.find(']', open);
    if (close == std::string::npos) return {};

    std::vector<std::string> names;
    const std::string_view delimiters = " \t\r\n\f/[]{}()<>";
    std::size_t i = open + 1;
    while (i < close && names.size() < 256) {
        if (text[i] != '/') {
            ++i;
            continue;
        }
        const std::size_t start = ++i;
        while (i < close && delimiters.find(text[i]) == std::string_view::npos) ++i;
        names.push_back(text.substr(start, i - start));
    }
    names.resize(256);
    return names;
}
