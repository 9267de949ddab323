// A line whose middle is fixed text kept in place: each use writes the start right
// before the middle and the end right after it, and the line is handed over from here,
// so the long fixed part of a line is never copied.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

#include "writer/ReservedText.h"
#include "writer/ShortText.h"

class LineTemplate {
  public:
    // Room for a start of at most `startRoom` bytes and an end (its line feed included)
    // of at most `endRoom` bytes, pieces copied in whole chunks counted in (see
    // ReservedText).
    void Make(std::size_t startRoom, std::string_view fixedMiddle, std::size_t endRoom) {
        middleAt = startRoom;
        middleSize = fixedMiddle.size();
        const std::size_t after =
            middleSize + endRoom > sizeof head ? middleSize + endRoom : sizeof head;
        bytes = std::make_unique<char[]>(startRoom + after);
        std::memcpy(bytes.get() + middleAt, fixedMiddle.data(), middleSize);
        std::memcpy(head, bytes.get() + middleAt, sizeof head);
    }

    // The start, exactly `startSize` bytes, written through the returned text; its last
    // chunk may run into the middle...
    ReservedText Start(std::size_t startSize) {
        start = bytes.get() + middleAt - startSize;
        return ReservedText(start);
    }
    // ... which this puts back before the end is written through the returned text (a
    // chunk that ran past the middle lies where the end goes, or beyond the line).
    ReservedText End() {
        std::memcpy(bytes.get() + middleAt, head, sizeof head);
        return ReservedText(bytes.get() + middleAt + middleSize);
    }
    // The line, from the start to the end's line feed.
    std::string_view Line(const ReservedText& end) const {
        return {start, static_cast<std::size_t>(end.End() - start)};
    }

  private:
    std::unique_ptr<char[]> bytes;
    std::size_t middleAt = 0;
    std::size_t middleSize = 0;
    char head[BlockText<32>::chunk];  // the bytes from the middle on, as made
    char* start = nullptr;
};
