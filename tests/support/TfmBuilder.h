// Builds TFM files for tests: a few characters with the dimensions given, every
// dimension its own table entry behind a zero entry 0, as TeX's fonts have it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

struct TfmChar {
    std::int32_t width = 0, height = 0, depth = 0;  // fix_words
};

struct TfmBuilder {
    std::int32_t checksum = 0x12345678;
    std::int32_t designSize = 10 << 20;  // 10 pt
    int lh = 2;
    int bc = 65;
    std::vector<TfmChar> chars{{0x80000, 0x70000, 0}};

    std::string Build() const {
        const int count = int(chars.size());
        // Tables of at most 256 widths, 16 heights and 16 depths: entry 0 is zero.
        const int nw = count + 1, nh = std::min(count + 1, 16), nd = std::min(count + 1, 16);
        const int ni = 1;
        std::string out;
        auto half = [&](int v) {
            out.push_back(char(v >> 8));
            out.push_back(char(v));
        };
        auto word = [&](std::int64_t v) {
            for (int i = 3; i >= 0; --i) out.push_back(char((v >> (8 * i)) & 0xFF));
        };
        const int lf = 6 + lh + count + nw + nh + nd + ni;
        for (int v : {lf, lh, bc, bc + count - 1, nw, nh, nd, ni, 0, 0, 0, 0}) half(v);
        word(checksum);
        word(designSize);
        for (int i = 2; i < lh; ++i) word(0);
        for (int i = 0; i < count; ++i) {
            out.push_back(char(i + 1));
            out.push_back(char(std::min(i + 1, nh - 1) << 4 | std::min(i + 1, nd - 1)));
            out.push_back(0);
            out.push_back(0);
        }
        word(0);
        for (const TfmChar& c : chars) word(c.width);
        word(0);
        for (int i = 1; i < nh; ++i) word(chars[i - 1].height);
        word(0);
        for (int i = 1; i < nd; ++i) word(chars[i - 1].depth);
        word(0);
        return out;
    }
};
