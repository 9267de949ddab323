// Character codes and font names as markup text, shared by both writers.
#pragma once

#include <cstdint>

// The code written for a DVI character code: the control codes and the blank, which a
// slide would not show, move to 161 and up.
inline std::int32_t OutputCode(std::int32_t c) {
    if (c >= 0 && c <= 9) return c + 161;
    if (c >= 10 && c <= 32) return c + 163;
    if (c == 127) return 196;
    return c;
}

// A letter, a digit or one of - _ . / +: what is written as itself; every other byte
// of a font name or code is written as a character reference, so nothing read from the
// DVI file can break the markup.
inline bool IsPlainText(std::int64_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == '/' || c == '+';
}
