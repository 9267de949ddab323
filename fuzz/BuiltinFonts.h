// The fonts the fuzz targets serve without starting kpsewhich: TFM files built in code
// with known checksums and design sizes, so that seed documents can define them
// correctly. Two more names give a truncated TFM file and a path that does not exist,
// so that the conversion's font failures are reached too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/TfmBuilder.h"

struct BuiltinFont {
    std::string name;          // the font name a DVI definition gives (area + name)
    std::int32_t checksum;     // what fnt_def's c must be
    std::int32_t designSize;   // fix_word in points; fnt_def's d is designSize >> 4
    int bc;                    // the first character code
    int count;                 // characters bc .. bc + count - 1
    std::string tfm;           // the file's bytes; empty when the file is missing
};

inline std::vector<BuiltinFont> BuiltinFonts() {
    std::vector<BuiltinFont> fonts;

    // A text font of 128 characters from code 0: widths of every size, some zero
    // (accents), heights and depths varied, some depths negative.
    TfmBuilder roman;
    roman.checksum = 0x4BF16079;
    roman.designSize = 10 << 20;
    roman.lh = 18;
    roman.bc = 0;
    roman.chars.clear();
    for (int i = 0; i < 128; ++i) {
        TfmChar c;
        c.width = i % 17 == 0 ? 0 : 0x20000 + (i % 13) * 0x8000;
        c.height = 0x40000 + (i % 7) * 0x10000;
        c.depth = i % 5 == 0 ? -0x8000 : (i % 3) * 0x8000;
        roman.chars.push_back(c);
    }
    fonts.push_back({"cmr10", roman.checksum, roman.designSize, roman.bc, 128, roman.Build()});

    // A font of capitals at another design size, with a huge width and height and a
    // most negative depth, so dimensions overflow at large scaled sizes.
    TfmBuilder italic;
    italic.checksum = static_cast<std::int32_t>(0xB3DA8C51u);
    italic.designSize = 7 << 20;
    italic.bc = 65;
    italic.chars.clear();
    for (int i = 0; i < 26; ++i) {
        TfmChar c;
        c.width = i == 0 ? 0x7FFFFFFF : 0x30000 + i * 0x1000;
        c.height = i == 1 ? 0x7FFFFFFF : 0x60000;
        c.depth = i == 2 ? static_cast<std::int32_t>(0x80000000u) : -(i * 0x1000);
        italic.chars.push_back(c);
    }
    fonts.push_back({"cmmi10", italic.checksum, italic.designSize, italic.bc, 26, italic.Build()});

    // A tiny font with area bytes in its name, as "fonts/" + "cmr5".
    TfmBuilder small;
    small.checksum = 0;
    small.designSize = 5 << 20;
    small.bc = 255;
    small.chars = {{0x50000, 0x50000, 0x10000}};
    fonts.push_back({"fonts/cmr5", small.checksum, small.designSize, small.bc, 1, small.Build()});

    // Broken files: cut short, and missing altogether.
    std::string cut = roman.Build();
    cut.resize(cut.size() / 2);
    fonts.push_back({"cmbad", roman.checksum, roman.designSize, 0, 0, cut});
    fonts.push_back({"cmgone", 0, 10 << 20, 0, 0, ""});
    return fonts;
}
