// Builds TFM files for tests: the characters' dimensions each have an entry of their own
// behind a zero entry 0 (heights and depths beyond the 15th character share one).
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
    int lh = 2, bc = 65;
    int nl = 0, nk = 0, ne = 0, np = 0;  // words of the tables not read, written as zeros
    std::vector<TfmChar> chars{{0x80000, 0x70000, 0}};

    std::string Build() const {
        const int count = int(chars.size()), nw = count + 1, nh = std::min(nw, 16);
        const int rest = nl + nk + ne + np, lf = 6 + lh + count + nw + 2 * nh + 1 + rest;
        std::string out;
        const auto put = [&](std::int64_t v, int n) {
            for (int i = n - 1; i >= 0; --i) out.push_back(char(v >> (8 * i)));
        };
        for (int v : {lf, lh, bc, bc + count - 1, nw, nh, nh, 1, nl, nk, ne, np}) put(v, 2);
        put(checksum, 4);
        put(designSize, 4);
        out.append(4 * std::max(lh - 2, 0), '\0');
        // Depths in reverse order: a reader that took the height index for the depth's would
        // read another character's depth.
        for (int i = 1; i <= count; ++i)
            put(i << 24 | std::min(i, nh - 1) << 20 | std::max(nh - i, 1) << 16, 4);
        for (auto field : {&TfmChar::width, &TfmChar::height, &TfmChar::depth}) {
            put(0, 4);
            for (int i = 1; i < (field == &TfmChar::width ? nw : nh); ++i)
                put(chars[field == &TfmChar::depth ? nh - 1 - i : i - 1].*field, 4);
        }
        out.append(4 * (1 + rest), '\0');  // the italic correction 0, then the other tables
        return out;
    }
};
