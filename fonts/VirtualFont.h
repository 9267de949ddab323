// A virtual font (VF file): characters made of other fonts' characters, rules and
// specials. Each character has a packet of DVI commands, whose dimensions are fix_words
// of the font's size, set in the font's own local fonts (PSNFSS's Times over the raw
// ptmr8r, T1 over 8r, newtx's mathematics over several fonts).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct VirtualFont {
    // A font the packets set characters in: its number in the packets, checksum, size as
    // a fix_word of the virtual font's size, design size (a fix_word in points) and name.
    struct LocalFont {
        std::int32_t number, checksum, scale, designSize;
        std::string name;
    };
    std::int32_t checksum = 0;
    std::int32_t designSize = 0;  // a fix_word in points
    std::vector<LocalFont> fonts;
    // The DVI commands of each character, by code.
    std::unordered_map<std::int32_t, std::string> packets;
};

// Reads a VF file's bytes; `name` names the font in messages. A file that is not a VF
// file, or whose lengths run past its end, throws "Font NAME vf file is damaged".
VirtualFont ReadVirtualFont(std::string_view bytes, const std::string& name);
