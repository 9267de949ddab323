// Glyph lists, the Adobe glyph naming rules and the standard TeX encodings.
#include "fonts/GlyphNames.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

namespace {

// A code point that text may hold, in XML too: no control characters, surrogates or
// the non-characters U+FFFE and U+FFFF.
bool IsTextCharacter(std::uint32_t c) {
    return c >= 0x20 && !(c >= 0x7F && c < 0xA0) && c <= 0x10FFFF &&
           !(c >= 0xD800 && c <= 0xDFFF) && c != 0xFFFE && c != 0xFFFF;
}

bool IsPrivateUse(std::uint32_t c) {
    return (c >= 0xE000 && c <= 0xF8FF) || c >= 0xF0000;
}

// A run of hexadecimal digits as a code point; no value for anything else.
std::optional<std::uint32_t> Hex(std::string_view digits) {
    std::uint32_t value = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}

// "XXXX XXXX ..." as UTF-8 text, with whether it lies outside the private use area.
std::optional<std::pair<std::string, bool>> Sequence(std::string_view codes) {
    std::string text;
    bool ordinary = true;
    while (!codes.empty()) {
        const std::size_t space = std::min(codes.find(' '), codes.size());
        const std::optional<std::uint32_t> c = Hex(codes.substr(0, space));
        if (!c || !IsTextCharacter(*c)) return std::nullopt;
        ordinary = ordinary && !IsPrivateUse(*c);
        AppendUtf8(text, static_cast<char32_t>(*c));
        codes.remove_prefix(std::min(space + 1, codes.size()));
    }
    if (text.empty()) return std::nullopt;
    return std::pair{text, ordinary};
}

// Uppercase hexadecimal digits only, as the naming rules require.
bool IsUpperHex(std::string_view digits) {
    return std::all_of(digits.begin(), digits.end(), [](char ch) {
        return (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F');
    });
}

}  // namespace

void AppendUtf8(std::string& text, char32_t c) {
    const auto byte = [&](std::uint32_t b) { text.push_back(static_cast<char>(b)); };
    const std::uint32_t u = c;
    if (u < 0x80) {
        byte(u);
    } else if (u < 0x800) {
        byte(0xC0 | u >> 6);
        byte(0x80 | (u & 0x3F));
    } else if (u < 0x10000) {
        byte(0xE0 | u >> 12);
        byte(0x80 | (u >> 6 & 0x3F));
        byte(0x80 | (u & 0x3F));
    } else {
        byte(0xF0 | u >> 18);
        byte(0x80 | (u >> 12 & 0x3F));
        byte(0x80 | (u >> 6 & 0x3F));
        byte(0x80 | (u & 0x3F));
    }
}

void GlyphNames::Read(std::istream& file) {
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t semicolon = line.find(';');
        if (line.empty() || line[0] == '#' || semicolon == std::string::npos) continue;
        const std::string name = line.substr(0, semicolon);
        if (texts.contains(name)) continue;
        std::string_view alternatives = std::string_view(line).substr(semicolon + 1);
        std::optional<std::string> chosen;
        while (!alternatives.empty()) {
            const std::size_t comma = std::min(alternatives.find(','), alternatives.size());
            if (const auto sequence = Sequence(alternatives.substr(0, comma))) {
                if (!chosen) chosen = sequence->first;
                if (sequence->second) {
                    chosen = sequence->first;
                    break;
                }
            }
            alternatives.remove_prefix(std::min(comma + 1, alternatives.size()));
        }
        if (chosen) texts.emplace(name, std::move(*chosen));
    }
}

std::string GlyphNames::Text(std::string_view name) const {
    name = name.substr(0, name.find('.'));
    std::string text;
    while (!name.empty()) {
        const std::size_t underscore = std::min(name.find('_'), name.size());
        text += Component(name.substr(0, underscore));
        name.remove_prefix(std::min(underscore + 1, name.size()));
    }
    return text;
}

std::string GlyphNames::Component(std::string_view name) const {
    if (const auto found = texts.find(std::string(name)); found != texts.end())
        return found->second;
    // TeX's math fonts name the sizes of one symbol by a suffix: "summationdisplay",
    // "parenleftBig", "radicalbigg" are the summation sign, parenthesis and radical.
    for (const std::string_view size : {"display", "text", "bigg", "Bigg", "big", "Big"}) {
        if (name.size() > size.size() && name.ends_with(size)) {
            const auto found = texts.find(std::string(name.substr(0, name.size() - size.size())));
            if (found != texts.end()) return found->second;
        }
    }
    std::string text;
    if (name.starts_with("uni") && name.size() > 3 && (name.size() - 3) % 4 == 0 &&
        IsUpperHex(name.substr(3))) {
        for (std::size_t i = 3; i < name.size(); i += 4) {
            const std::uint32_t c = *Hex(name.substr(i, 4));
            if (!IsTextCharacter(c)) return {};
            AppendUtf8(text, static_cast<char32_t>(c));
        }
    } else if (name.starts_with('u') && name.size() >= 5 && name.size() <= 7 &&
               IsUpperHex(name.substr(1))) {
        const std::uint32_t c = *Hex(name.substr(1));
        if (IsTextCharacter(c)) AppendUtf8(text, static_cast<char32_t>(c));
    }
    return text;
}

std::string_view EncodingOfCodingScheme(std::string_view scheme) {
    std::string upper(scheme);
    for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    static constexpr std::pair<std::string_view, std::string_view> schemes[] = {
        {"TEX TEXT", "lm-rm.enc"},
        {"TEX TEXT WITHOUT F-LIGATURES", "lm-rm.enc"},
        {"TEX TYPEWRITER TEXT", "lm-rmtt.enc"},
        {"TEX MATH ITALIC", "lm-mathit.enc"},
        {"TEX MATH SYMBOLS", "lm-mathsy.enc"},
        {"TEX MATH EXTENSION", "lm-mathex.enc"},
        {"EXTENDED TEX FONT ENCODING - LATIN", "lm-ec.enc"},
        {"EC ENCODING /CORK/", "lm-ec.enc"},
    };
    for (const auto& [name, file] : schemes) {
        if (upper == name) return file;
    }
    if (upper.starts_with("TEX TEXT COMPANION SYMBOLS")) return "lm-ts1.enc";
    return {};
}
