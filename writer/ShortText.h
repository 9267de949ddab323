// A short text in a fixed block of bytes: the output copies the whole block with one
// fixed-size move, whatever the text's length, and then counts only the text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

struct ShortText {
    static constexpr std::size_t capacity = 32;
    char bytes[capacity] = {};
    std::uint8_t size = 0;

    std::string_view View() const { return {bytes, size}; }
};
