// Reading hyperref's link specials.
#include "pptx/LinkSpecials.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

bool IsBlank(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n' || ch == '\f';
}

bool IsDelimiter(char ch) {
    return IsBlank(ch) || std::string_view("()<>[]{}/%").find(ch) != std::string_view::npos;
}

// Whether `word` stands in `text` as a token of its own.
bool HasToken(std::string_view text, std::string_view word) {
    for (std::size_t at = text.find(word); at != std::string_view::npos;
         at = text.find(word, at + 1)) {
        const std::size_t after = at + word.size();
        if ((at == 0 || IsDelimiter(text[at - 1])) &&
            (after == text.size() || IsDelimiter(text[after])))
            return true;
    }
    return false;
}

// The number before the token `word`, as in "12 H.A".
double NumberBefore(std::string_view text, std::string_view word) {
    const std::size_t at = text.find(word);
    std::size_t end = at;
    while (end > 0 && IsBlank(text[end - 1])) --end;
    std::size_t start = end;
    while (start > 0 && !IsBlank(text[start - 1])) --start;
    double value = 0.0;
    const auto [ptr, error] = std::from_chars(text.data() + start, text.data() + end, value);
    return error == std::errc() && ptr == text.data() + end && std::isfinite(value) ? value : 0.0;
}

// Reads a PostScript string starting at text[at], "(...)" with its escapes or "<hex>";
// nothing when there is none. `at` moves past it.
std::optional<std::string> ReadPostScriptString(std::string_view text, std::size_t& at) {
    std::string bytes;
    if (at < text.size() && text[at] == '<') {
        std::string digits;
        std::size_t i = at + 1;
        for (; i < text.size() && text[i] != '>'; ++i) {
            if (std::isxdigit(static_cast<unsigned char>(text[i])))
                digits.push_back(text[i]);
            else if (!IsBlank(text[i]))
                return std::nullopt;
        }
        if (i == text.size()) return std::nullopt;
        if (digits.size() % 2 != 0) digits.push_back('0');
        for (std::size_t k = 0; k < digits.size(); k += 2) {
            unsigned value = 0;
            std::from_chars(digits.data() + k, digits.data() + k + 2, value, 16);
            bytes.push_back(static_cast<char>(value));
        }
        at = i + 1;
        return bytes;
    }
    if (at >= text.size() || text[at] != '(') return std::nullopt;
    int depth = 1;
    std::size_t i = at + 1;
    for (; i < text.size(); ++i) {
        char ch = text[i];
        if (ch == '\\' && i + 1 < text.size()) {
            ch = text[++i];
            static constexpr std::string_view escapes = "n\nr\rt\tb\bf\f";
            if (const std::size_t e = escapes.find(ch); e != std::string_view::npos && e % 2 == 0) {
                bytes.push_back(escapes[e + 1]);
            } else if (ch >= '0' && ch <= '7') {
                int value = 0;
                for (int k = 0; k < 3 && i < text.size() && text[i] >= '0' && text[i] <= '7';
                     ++k, ++i)
                    value = value * 8 + (text[i] - '0');
                --i;
                bytes.push_back(static_cast<char>(value & 0xFF));
            } else if (ch != '\n') {
                bytes.push_back(ch);  // \\, \(, \) and any other character as itself
            }
            continue;
        }
        if (ch == '(') ++depth;
        if (ch == ')' && --depth == 0) break;
        bytes.push_back(ch);
    }
    if (i >= text.size()) return std::nullopt;
    at = i + 1;
    return bytes;
}

// The value of the key `/key` in a pdfmark: a string, or a name ("/Name"). Keys that
// are followed by something else (the "/URI" of "/Subtype /URI") are passed over.
std::optional<std::string> Value(std::string_view text, std::string_view key) {
    for (std::size_t at = text.find(key); at != std::string_view::npos;
         at = text.find(key, at + 1)) {
        std::size_t i = at + key.size();
        if (i < text.size() && !IsDelimiter(text[i])) continue;
        while (i < text.size() && IsBlank(text[i])) ++i;
        if (i >= text.size()) break;
        if (text[i] == '(' || (text[i] == '<' && (i + 1 >= text.size() || text[i + 1] != '<')))
            return ReadPostScriptString(text, i);
        if (text[i] == '/' && key != "/URI") {
            const std::size_t start = ++i;
            while (i < text.size() && !IsDelimiter(text[i])) ++i;
            if (i > start) return std::string(text.substr(start, i - start));
        }
    }
    return std::nullopt;
}

// A PDF text string as UTF-8: UTF-16BE after its byte order mark, else PDFDocEncoding
// (read as Latin-1); control characters go, as XML cannot hold them.
std::string Utf8Text(const std::string& bytes) {
    std::string text;
    const auto append = [&](char32_t c) {
        if (c < 0x20 || (c >= 0x7F && c < 0xA0) || (c >= 0xD800 && c < 0xE000) || c == 0xFFFE ||
            c == 0xFFFF || c > 0x10FFFF)
            return;
        if (c < 0x80) {
            text.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            text.push_back(static_cast<char>(0xC0 | c >> 6));
            text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            text.push_back(static_cast<char>(0xE0 | c >> 12));
            text.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
            text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            text.push_back(static_cast<char>(0xF0 | c >> 18));
            text.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
            text.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
            text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    };
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF) {
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            char32_t c = char32_t(byte(i)) << 8 | byte(i + 1);
            if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
                const char32_t low = char32_t(byte(i + 2)) << 8 | byte(i + 3);
                if (low >= 0xDC00 && low < 0xE000) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    i += 2;
                }
            }
            append(c);
        }
    } else {
        for (std::size_t i = 0; i < bytes.size(); ++i) append(byte(i));
    }
    return text.substr(0, 4096);
}

}  // namespace

void ReadDocumentInfo(std::string_view special, parts::DocumentProperties& properties) {
    const std::pair<std::string_view, std::string*> keys[] = {
        {"/Title", &properties.title},
        {"/Author", &properties.author},
        {"/Subject", &properties.subject},
        {"/Keywords", &properties.keywords},
    };
    for (const auto& [key, into] : keys) {
        if (const std::optional<std::string> value = Value(special, key); value && !value->empty())
            *into = Utf8Text(*value);
    }
}

void LinkSpecials::ReadPdf(std::string_view special, std::uint32_t slide) {
    std::string_view rest = special.substr(4);
    while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
    const auto is = [&](std::string_view word) {
        return rest.starts_with(word) &&
               (rest.size() == word.size() || IsDelimiter(rest[word.size()]));
    };
    if (is("dest") || is("destination")) {
        std::size_t at = rest.find_first_of("(<");
        if (at == std::string_view::npos) return;
        if (const auto name = ReadPostScriptString(rest, at)) destinations.emplace(*name, slide);
    } else if (is("bann") || is("bannot") || is("beginann")) {
        PageLink link{0, 0, 0, 0, {}, {}};
        if (const auto uri = Value(rest, "/URI")) {
            link.uri = *uri;
        } else if (const auto goTo = Value(rest, "/D")) {
            link.destination = *goTo;
        } else if (const auto dest = Value(rest, "/Dest")) {
            link.destination = *dest;
        } else {
            return;
        }
        open = std::move(link);
        pieceStarted = false;
    } else if (is("eann") || is("eannot") || is("endann")) {
        EndPiece();
        open.reset();
    }
}

void LinkSpecials::Extend(std::int64_t l, std::int64_t t, std::int64_t r, std::int64_t b) {
    if (!open) return;
    if (pieceStarted) {
        // Something on another line, or back to the left, starts the link's next piece.
        const bool sameLine = t < open->bottom && b > open->top && l >= open->left;
        if (!sameLine) EndPiece();
    }
    if (!pieceStarted) {
        open->left = l, open->top = t, open->right = r, open->bottom = b;
        pieceStarted = true;
        return;
    }
    open->left = std::min(open->left, l);
    open->top = std::min(open->top, t);
    open->right = std::max(open->right, r);
    open->bottom = std::max(open->bottom, b);
}

void LinkSpecials::EndPiece() {
    if (open && pieceStarted) page.push_back(*open);
    pieceStarted = false;
}

void LinkSpecials::Read(std::string_view special, std::int64_t x, std::int64_t y,
                        std::uint32_t slide) {
    const auto point = [&](double points) { return std::llround(points * emuPerBigPoint); };
    const std::int64_t border = point(1.0);  // hyperref's HyperBorder, a point
    if (HasToken(special, "H.S")) {
        startX = x;
        startY = y;
    }
    if (HasToken(special, "H.R")) {
        left = startX - border;
        bottom = startY + border;
        right = x + border;
        top = y - border;
    } else if (const char* end = HasToken(special, "H.L")   ? "H.L"
                                 : HasToken(special, "H.A") ? "H.A"
                                                            : nullptr) {
        // The link's top is the baseline skip, less two points, above the end.
        const double skip = NumberBefore(special, end);
        left = startX - border;
        bottom = startY + border;
        right = x;
        top = y - point(std::clamp(skip - 2.0, -1e6, 1e6));
    }
    if (HasToken(special, "/DEST") && HasToken(special, "pdfmark")) {
        if (const auto name = Value(special, "/Dest")) destinations.emplace(*name, slide);
    } else if ((HasToken(special, "/ANN") || HasToken(special, "/LNK")) &&
               HasToken(special, "H.B")) {
        PageLink link{std::min(left, right),
                      std::min(top, bottom),
                      std::max(left, right),
                      std::max(top, bottom),
                      {},
                      {}};
        if (const auto uri = Value(special, "/URI")) {
            link.uri = *uri;
        } else if (const auto destination = Value(special, "/Dest")) {
            link.destination = *destination;
        } else if (const auto goTo = Value(special, "/D")) {
            link.destination = *goTo;
        } else {
            return;  // a named action, a file: nothing a slide can follow
        }
        page.push_back(std::move(link));
    }
}

std::vector<PageLink> LinkSpecials::TakePage() {
    // A link still open at the page's end is broken there; its next piece starts on the
    // next page.
    EndPiece();
    std::vector<PageLink> links;
    links.swap(page);
    return links;
}

std::optional<std::uint32_t> LinkSpecials::SlideOf(const std::string& destination) const {
    const auto found = destinations.find(destination);
    if (found == destinations.end()) return std::nullopt;
    return found->second;
}
