// Which bytes of a text from the DVI file (a font name, a character code) may be
// written into markup as they are.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// A letter, a digit or one of - _ . / +: what is written as itself; every other byte
// of a font name or code is written as a character reference, so nothing read from the
// DVI file can break the markup.
inline bool IsPlainText(std::int64_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == '/' || c == '+';
}

// Text from the DVI file for a warning line: printable ASCII as it is, other bytes '?',
// at most 200 of them.
inline std::string Printable(std::string_view text) {
    std::string line(text.substr(0, 200));
    for (char& ch : line) {
        if (ch < 0x20 || ch > 0x7E) ch = '?';
    }
    return line;
}
