// A small DVI assembler for tests: each test shows the commands it feeds the reader.
#pragma once

#include <cstdint>
#include <string>

struct DviBuilder {
    DviBuilder& Byte(int b) { return Text(std::string(1, static_cast<char>(b))); }
    DviBuilder& Text(const std::string& text) {
        bytes += text;
        return *this;
    }
    // A big-endian value of n bytes.
    DviBuilder& Value(std::int64_t value, int n) {
        for (int i = n - 1; i >= 0; --i) Byte(static_cast<int>(value >> (8 * i)));
        return *this;
    }
    // An opcode and its parameter of n bytes (none when n is 0).
    DviBuilder& Op(int opcode, std::int64_t p = 0, int n = 0) { return Byte(opcode).Value(p, n); }
    DviBuilder& Pre(std::uint32_t num = 25400000, std::uint32_t den = 473628672,
                    std::uint32_t mag = 1000, const std::string& comment = "") {
        Op(247, preId, 1).Value(num, 4).Value(den, 4).Value(mag, 4);
        return Byte(int(comment.size())).Text(comment);
    }
    DviBuilder& Bop(std::int32_t c0 = 0) {
        lastBop = static_cast<std::int64_t>(bytes.size());
        return Op(139, c0, 4).Text(std::string(36, '\0')).Value(-1, 4);
    }
    DviBuilder& Eop() { return Op(140); }
    DviBuilder& Rule(int op, std::int32_t a, std::int32_t b) { return Op(op, a, 4).Value(b, 4); }
    DviBuilder& Special(const std::string& s) { return Op(239, std::int64_t(s.size()), 1).Text(s); }
    DviBuilder& FontDef(int k, std::int32_t checksum, std::int32_t s, std::int32_t d,
                        const std::string& name, const std::string& area = "") {
        Op(243, k, 1).Value(checksum, 4).Value(s, 4).Value(d, 4).Byte(int(area.size()));
        return Byte(int(name.size())).Text(area + name);
    }
    // Appends the postamble and `trailing` bytes 223; returns the whole file.
    std::string Finish(int stackDepth = 100, int totalPages = 1, int trailing = 4) {
        const std::int64_t post = static_cast<std::int64_t>(bytes.size());
        Op(248, lastBop, 4).Value(25400000, 4).Value(473628672, 4).Value(1000, 4).Value(0, 8);
        Value(stackDepth, 2).Value(totalPages, 2).Text(postambleFonts).Op(249, post, 4).Byte(postId);
        return Text(std::string(static_cast<std::size_t>(trailing), '\xDF')).bytes;
    }

    std::string bytes;
    std::int64_t lastBop = -1;
    std::string postambleFonts;  // font definitions that Finish puts in the postamble
    // The identification bytes: 2 for TeX's files, 7 at both ends for XeTeX's, 3 in the
    // postamble for pTeX's that change direction.
    int preId = 2, postId = 2;
};
