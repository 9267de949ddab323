// A small DVI assembler for tests: each test shows the commands it feeds the reader.
#pragma once

#include <cstdint>
#include <string>

class DviBuilder {
  public:
    // Raw bytes and big-endian values of n bytes.
    DviBuilder& Byte(int b) {
        bytes.push_back(static_cast<char>(b));
        return *this;
    }
    DviBuilder& Value(std::int64_t value, int n) {
        for (int i = n - 1; i >= 0; --i) Byte(static_cast<int>((value >> (8 * i)) & 0xFF));
        return *this;
    }
    // A command: its opcode followed by one parameter of n bytes (none when n is 0).
    DviBuilder& Op(int opcode, std::int64_t parameter = 0, int n = 0) {
        Byte(opcode);
        return Value(parameter, n);
    }

    DviBuilder& Pre(std::uint32_t num = 25400000, std::uint32_t den = 473628672,
                    std::uint32_t mag = 1000, const std::string& comment = "") {
        Op(247).Byte(2).Value(num, 4).Value(den, 4).Value(mag, 4).Byte(int(comment.size()));
        bytes += comment;
        return *this;
    }
    DviBuilder& Bop(std::int32_t c0 = 0) {
        lastBop = static_cast<std::int64_t>(bytes.size());
        Op(139, c0, 4);
        for (int i = 0; i < 9; ++i) Value(0, 4);
        return Value(-1, 4);
    }
    DviBuilder& Eop() { return Op(140); }
    DviBuilder& Rule(int opcode, std::int32_t a, std::int32_t b) {
        return Op(opcode).Value(a, 4).Value(b, 4);
    }
    DviBuilder& Special(const std::string& text) {
        Op(239, static_cast<std::int64_t>(text.size()), 1);
        bytes += text;
        return *this;
    }
    DviBuilder& FontDef(int k, std::int32_t checksum, std::int32_t s, std::int32_t d,
                        const std::string& name, const std::string& area = "") {
        Op(243, k, 1).Value(checksum, 4).Value(s, 4).Value(d, 4);
        Byte(int(area.size())).Byte(int(name.size()));
        bytes += area + name;
        return *this;
    }

    // The postamble (with the given stack depth and page count) and its trailer of
    // `trailing` bytes 223; returns the whole file.
    std::string Finish(int stackDepth = 100, int totalPages = 1, int trailing = 4) {
        const std::int64_t post = static_cast<std::int64_t>(bytes.size());
        Op(248, lastBop, 4).Value(25400000, 4).Value(473628672, 4).Value(1000, 4);
        Value(0, 4).Value(0, 4).Value(stackDepth, 2).Value(totalPages, 2);
        bytes += postambleFonts;
        Op(249, post, 4).Byte(2);
        for (int i = 0; i < trailing; ++i) Byte(223);
        return bytes;
    }

    std::string bytes;
    std::int64_t lastBop = -1;
    std::string postambleFonts;  // font definitions for the postamble, as Finish writes it
};
