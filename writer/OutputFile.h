// The package's output: text is gathered into one reusable line buffer (or a line is
// made elsewhere, see Line) and every line is handed to the operating system with one
// write as soon as it ends, so a run that stops early keeps every line written so far.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "writer/LineOutput.h"
#include "writer/NumberFormat.h"
#include "writer/ReservedText.h"
#include "writer/ShortText.h"

class OutputFile {
  public:
    OutputFile() : line(4096) {}
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile() { Close(); }

    // Creates the file, or cuts an existing one to zero length.
    void Create(const std::string& fileName);
    void Close();

    OutputFile& Text(std::string_view text) {
        std::memcpy(Reserve(text.size()), text.data(), text.size());
        used += text.size();
        return *this;
    }
    // A short text: its whole block is copied in one move, its text is counted.
    OutputFile& Text(const ShortText& text) {
        std::memcpy(Reserve(ShortText::capacity), text.bytes, ShortText::capacity);
        used += text.size;
        return *this;
    }
    OutputFile& Number(double value) {
        used = static_cast<std::size_t>(WriteNumber(Reserve(maxNumberLength), value) - line.data());
        return *this;
    }
    OutputFile& Integer(std::int64_t value);
    // An integer padded on the left with '0' to four characters; longer ones whole.
    OutputFile& FourDigits(std::int64_t value);
    // Two lower-case hexadecimal digits.
    OutputFile& Hex(std::uint8_t value);
    // Ends the line with LF and writes it out.
    void EndLine() {
        *Reserve(1) = '\n';
        if (!WriteLine(fd, {line.data(), used + 1})) FailToWrite();
        used = 0;
    }

    // Writes a whole line made elsewhere (ending in its LF) with one write, as EndLine
    // does; only between lines, when nothing of a line is gathered here.
    void Line(std::string_view wholeLine) {
        if (!WriteLine(fd, wholeLine)) FailToWrite();
    }

    // Room for `size` more bytes of the line, written through the returned text
    // (see ReservedText for the room each piece needs)...
    ReservedText Reserved(std::size_t size) { return ReservedText(Reserve(size)); }
    // ... and taken into the line, which then ends as EndLine ends it. The text must
    // have stayed within its room, the line feed not counted.
    void EndLine(const ReservedText& text) {
        used = static_cast<std::size_t>(text.End() - line.data());
        EndLine();
    }

  private:
    [[noreturn]] void FailToWrite() const;
    // Room for `size` more bytes at the end of the line; returns where they go.
    char* Reserve(std::size_t size) {
        if (line.size() - used < size) line.resize(std::max(2 * line.size(), used + size));
        return line.data() + used;
    }

    std::string name;
    std::vector<char> line;  // bytes 0 .. used - 1 are the line so far
    std::size_t used = 0;
    int fd = -1;
};
