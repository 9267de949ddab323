// A line whose end is made once and kept in place: each use writes only the start of
// the line, right before the end, and the whole line is handed over from here, so the
// long constant part of a text box is never copied again.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

#include "writer/ReservedText.h"
#include "writer/ShortText.h"

class PreparedLine {
  public:
    bool Ready() const { return bytes != nullptr; }

    // Keeps `end` (the line feed included) after room for a start of at most
    // `startRoom` bytes.
    void Make(std::size_t startRoom, std::string_view end) {
        // Pieces are copied as whole blocks (see ReservedText): the last one may run up
        // to ShortText::capacity bytes into the end, which Restore then puts back; the
        // spare bytes after the end keep that within the buffer.
        bytes = std::make_unique<char[]>(startRoom + end.size() + ShortText::capacity);
        endAt = startRoom;
        endSize = end.size();
        std::memcpy(bytes.get() + endAt, end.data(), end.size());
        std::memcpy(endHead, bytes.get() + endAt, ShortText::capacity);
    }

    // The room for a start of `startSize` bytes, written through the returned text...
    ReservedText Start(std::size_t startSize) {
        return ReservedText(bytes.get() + endAt - startSize);
    }
    // ... then the end put back where the start's last block ran into it, and the line.
    std::string_view Line(std::size_t startSize) {
        std::memcpy(bytes.get() + endAt, endHead, ShortText::capacity);
        return {bytes.get() + endAt - startSize, startSize + endSize};
    }

    // The end without its line feed.
    std::string_view End() const { return {bytes.get() + endAt, endSize - 1}; }

  private:
    std::unique_ptr<char[]> bytes;
    std::size_t endAt = 0;
    std::size_t endSize = 0;
    char endHead[ShortText::capacity];  // the first bytes of the end, as made
};
