// The character code a slide of the web archive is given for a DVI character code.
#pragma once

#include <cstdint>

// The control codes and the blank, which a slide would not show, move to 161 and up.
inline std::int32_t OutputCode(std::int32_t c) {
    if (c >= 0 && c <= 9) return c + 161;
    if (c >= 10 && c <= 32) return c + 163;
    if (c == 127) return 196;
    return c;
}
