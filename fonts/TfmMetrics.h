// The metrics of one TeX font metric (TFM) file: its twelve header counts, checksum,
// design size and, for every code from bc to ec, the character's dimensions as
// fix_words (signed 32-bit numbers with 20 fraction bits).
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

class TfmMetrics {
  public:
    // Finds the font's TFM file through kpsewhich and reads it; `name` is the font
    // name of the DVI definition (area and name bytes) and is what messages show.
    void LoadTfm(const std::string& name);
    // The same for the TFM file at `path`, already found.
    void LoadTfmFile(const std::string& name, const std::string& path);

    // Reads a TFM file from `file`. Every count is checked against the bytes that are
    // really there before anything is allocated or indexed.
    void Read(std::istream& file, const std::string& name);

    // Frees the per-character arrays; the object stays usable and can be loaded again.
    void ReleaseArrays();

    std::int32_t lf = 0, lh = 0, bc = 0, ec = 0, nw = 0, nh = 0, nd = 0, ni = 0, nl = 0, nk = 0,
                 ne = 0, np = 0;
    // Entry i describes character code bc + i.
    std::vector<std::int32_t> width, height, depth, italic, tag, remainder;
    std::int32_t checksum = 0;    // header word 0, bit for bit
    std::int32_t designSize = 0;  // header word 1, a fix_word in points
    std::string codingScheme;     // header words 2 to 11, such as "TEX TEXT"; may be empty
};
