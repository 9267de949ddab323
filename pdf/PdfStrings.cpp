#include "pdf/PdfStrings.h"

#include <cctype>
#include <charconv>

bool IsBlank(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n' || ch == '\f';
}

bool IsDelimiter(char ch) {
    return IsBlank(ch) || std::string_view("()<>[]{}/%").find(ch) != std::string_view::npos;
}

std::optional<std::string> ReadPdfString(std::string_view text, std::size_t& at) {
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

std::optional<std::string> DictValue(std::string_view text, std::string_view key) {
    for (std::size_t at = text.find(key); at != std::string_view::npos;
         at = text.find(key, at + 1)) {
        std::size_t i = at + key.size();
        if (i < text.size() && !IsDelimiter(text[i])) continue;
        while (i < text.size() && IsBlank(text[i])) ++i;
        if (i >= text.size()) break;
        if (text[i] == '(' || (text[i] == '<' && (i + 1 >= text.size() || text[i + 1] != '<')))
            return ReadPdfString(text, i);
        if (text[i] == '/' && key != "/URI") {
            const std::size_t start = ++i;
            while (i < text.size() && !IsDelimiter(text[i])) ++i;
            if (i > start) return std::string(text.substr(start, i - start));
        }
    }
    return std::nullopt;
}

std::optional<std::string> Destination(std::string_view text) {
    if (auto destination = DictValue(text, "/Dest")) return destination;
    return DictValue(text, "/D");
}

std::string TextString(const std::string& bytes) {
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
