// The CMap's PostScript, as far as the mapping needs it: cidrange and cidchar blocks,
// usecmap and /WMode, read token by token; other operators are passed over.
#include "fonts/CMap.h"

#include <algorithm>

namespace {

// Tokens: names (/H), hexadecimal strings (<2121>), numbers and operators; comments and
// PostScript strings passed over.
class Tokens {
  public:
    explicit Tokens(std::string_view text) : text(text) {}
    // The next token; empty at the end.
    std::string_view Next() {
        for (;;) {
            while (at < text.size() && IsSpace(text[at])) ++at;
            if (at < text.size() && text[at] == '%') {
                while (at < text.size() && text[at] != '\n' && text[at] != '\r') ++at;
                continue;
            }
            if (at < text.size() && text[at] == '(') {  // a string: skipped, nested parentheses
                int depth = 0;
                for (; at < text.size(); ++at) {
                    if (text[at] == '\\')
                        ++at;
                    else if (text[at] == '(')
                        ++depth;
                    else if (text[at] == ')' && --depth == 0)
                        break;
                }
                ++at;
                continue;
            }
            break;
        }
        if (at >= text.size()) return {};
        const std::size_t start = at;
        if (text[at] == '<' || text[at] == '[' || text[at] == ']' || text[at] == '{' ||
            text[at] == '}') {
            if (text[at] == '<') {
                while (at < text.size() && text[at] != '>') ++at;
            }
            ++at;
            return text.substr(start, std::min(at, text.size()) - start);
        }
        ++at;  // a name's slash, or the first character
        while (at < text.size() && !IsSpace(text[at]) &&
               std::string_view("/<>[]{}()%").find(text[at]) == std::string_view::npos)
            ++at;
        return text.substr(start, at - start);
    }

  private:
    static bool IsSpace(char c) {
        return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
    }
    std::string_view text;
    std::size_t at = 0;
};

// A hexadecimal string of one to four bytes: its value and length.
std::optional<std::pair<std::uint32_t, int>> Code(std::string_view token) {
    if (token.size() < 2 || token.front() != '<' || token.back() != '>') return std::nullopt;
    std::uint32_t value = 0;
    int digits = 0;
    for (const char c : token.substr(1, token.size() - 2)) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c == ' ' || c == '\n' || c == '\r' || c == '\t')
            continue;
        else
            return std::nullopt;
        if (++digits > 8) return std::nullopt;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    if (digits == 0 || digits % 2 != 0) return std::nullopt;
    return std::pair{value, digits / 2};
}

std::optional<std::uint32_t> Number(std::string_view token) {
    if (token.empty() || token.size() > 9) return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : token) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return value;
}

}  // namespace

CMap CMap::Read(std::string_view text,
                const std::function<std::optional<std::string>(const std::string&)>& load,
                int depth) {
    CMap map;
    Tokens tokens(text);
    std::string_view previous, beforePrevious;
    // Ranges come in file order, base CMap first, so that a later one wins on lookup.
    for (std::string_view token = tokens.Next(); !token.empty(); token = tokens.Next()) {
        if (token == "usecmap" && previous.starts_with("/") && depth > 0) {
            if (const auto used = load(std::string(previous.substr(1)))) {
                const CMap base = Read(*used, load, depth - 1);
                map.ranges.insert(map.ranges.begin(), base.ranges.begin(), base.ranges.end());
            }
        } else if (token == "def" && beforePrevious == "/WMode") {
            map.vertical = previous == "1";
        } else if (token == "begincidrange" || token == "begincidchar") {
            const bool range = token == "begincidrange";
            for (;;) {
                const std::string_view first = tokens.Next();
                if (first.empty() || first == "endcidrange" || first == "endcidchar") break;
                const auto low = Code(first);
                const auto high = range ? Code(tokens.Next()) : low;
                const auto cid = Number(tokens.Next());
                if (!low || !high || !cid || low->second != high->second ||
                    high->first < low->first)
                    continue;
                map.ranges.push_back(Range{low->first, high->first, *cid, low->second});
            }
        }
        beforePrevious = previous;
        previous = token;
    }
    // Stable: of overlapping ranges the later is found first by a search from the back.
    std::stable_sort(map.ranges.begin(), map.ranges.end(), [](const Range& a, const Range& b) {
        return a.length != b.length ? a.length < b.length : a.first < b.first;
    });
    return map;
}

std::optional<std::uint32_t> CMap::Cid(std::uint32_t code, int length) const {
    // The ranges starting at or below the code, of the same length, the last first:
    // overlapping ranges are few (a vertical CMap's overrides), so the walk back is short.
    auto end = std::upper_bound(ranges.begin(), ranges.end(), std::pair{length, code},
                                [](const std::pair<int, std::uint32_t>& key, const Range& r) {
                                    return key.first != r.length ? key.first < r.length
                                                                 : key.second < r.first;
                                });
    std::optional<std::uint32_t> found;
    for (int looked = 0; end != ranges.begin() && looked < 256; ++looked) {
        const Range& r = *--end;
        if (r.length != length) break;
        if (code <= r.last) {
            found = r.cid + (code - r.first);
            break;
        }
    }
    return found;
}
