// Texts in fixed blocks of bytes: the output copies them in whole 32-byte chunks, as
// many as the text needs, never a byte count known only at run time, and then counts
// only the text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

template <std::size_t Capacity>
struct BlockText {
    static constexpr std::size_t chunk = 32;
    static constexpr std::size_t capacity = Capacity;
    static_assert(capacity % chunk == 0 && capacity < 256);

    char bytes[capacity] = {};
    std::uint8_t size = 0;

    std::string_view View() const { return {bytes, size}; }
    // Adds text as far as the block has room; false when some of it did not fit.
    bool Append(std::string_view text) {
        const std::size_t taken = text.size() < capacity - size ? text.size() : capacity - size;
        std::memcpy(bytes + size, text.data(), taken);
        size = static_cast<std::uint8_t>(size + taken);
        return taken == text.size();
    }
};

// A number, a shape number, a character code.
using ShortText = BlockText<32>;
