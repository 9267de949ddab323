// Text written into room that the line has reserved in advance, through a cursor that
// the compiler keeps in a register: the pieces of a line whose greatest length is known
// are copied without a check or a reload of the line's state between them.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#include "writer/NumberFormat.h"
#include "writer/ShortText.h"

class ReservedText {
  public:
    explicit ReservedText(char* start) : cursor(start) {}

    // Each piece needs room: a text its size, a block text its capacity, a number
    // maxNumberLength, a hexadecimal byte 2.
    ReservedText& Text(std::string_view text) {
        std::memcpy(cursor, text.data(), text.size());
        cursor += text.size();
        return *this;
    }
    template <std::size_t capacity>
    ReservedText& Text(const BlockText<capacity>& text) {
        const std::size_t size = text.size;  // read once: the copies may alias it
        std::memcpy(cursor, text.bytes, text.chunk);
        if constexpr (capacity > BlockText<capacity>::chunk) {
            for (std::size_t done = text.chunk; done < size; done += text.chunk)
                std::memcpy(cursor + done, text.bytes + done, text.chunk);
        }
        cursor += size;
        return *this;
    }
    ReservedText& Number(double value) {
        cursor = WriteNumber(cursor, value);
        return *this;
    }
    ReservedText& Hex(std::uint8_t value) {
        static constexpr char hexDigits[] = "0123456789abcdef";
        cursor[0] = hexDigits[value >> 4];
        cursor[1] = hexDigits[value & 15];
        cursor += 2;
        return *this;
    }

    char* End() const { return cursor; }

  private:
    char* cursor;
};
