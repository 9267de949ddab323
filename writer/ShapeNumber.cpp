#include "writer/ShapeNumber.h"

#include <cstring>

ShapeNumber::ShapeNumber() {
    std::memcpy(text.bytes, "0001", 4);
    text.size = 4;
}

void ShapeNumber::Carry(char* digit) {
    while (digit >= text.bytes && *digit == '9') *digit-- = '0';
    if (digit >= text.bytes) {
        ++*digit;
        return;
    }
    // All nines, now zeros: 10^n, one digit longer. The block holds 32 digits, more
    // shapes than any package can have, so the length stays below the capacity.
    if (text.size < ShortText::capacity) {
        text.bytes[0] = '1';
        text.bytes[text.size++] = '0';
    }
}
