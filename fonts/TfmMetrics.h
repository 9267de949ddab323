// The metrics of one TeX font metric (TFM) file: its twelve header counts, checksum,
// design size and, for every code from bc to ec, the character's dimensions as
// fix_words (signed 32-bit numbers with 20 fraction bits). pTeX's Japanese font
// metrics (JFM) are read too where asked for: their entries are character types, and
// a table gives each character code (up to 24 bits, upTeX's Unicode) its type.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <unordered_map>
#include <vector>

class TfmMetrics {
  public:
    // Finds the font's TFM file through kpsewhich and reads it; `name` is the font
    // name of the DVI definition (area and name bytes) and is what messages show.
    // With `japanese`, a JFM file is read as well.
    void LoadTfm(const std::string& name, bool japanese = false);
    // The same for the TFM file at `path`, already found.
    void LoadTfmFile(const std::string& name, const std::string& path, bool japanese = false);

    // Reads a TFM file from `file`. Every count is checked against the bytes that are
    // really there before anything is allocated or indexed.
    void Read(std::istream& file, const std::string& name, bool japanese = false);

    // The entry of character code c: c - bc, or for a JFM the character's type.
    std::int64_t Index(std::int32_t c) const {
        if (!jfm) [[likely]]
            return std::int64_t{c} - bc;
        const auto found = charTypes.find(static_cast<std::uint32_t>(c));
        return found == charTypes.end() ? 0 : found->second;
    }

    // Frees the per-character arrays; the object stays usable and can be loaded again.
    void ReleaseArrays();

    std::int32_t lf = 0, lh = 0, bc = 0, ec = 0, nw = 0, nh = 0, nd = 0, ni = 0, nl = 0, nk = 0,
                 ne = 0, np = 0;
    // Entry i describes character code bc + i.
    std::vector<std::int32_t> width, height, depth, italic, tag, remainder;
    std::int32_t checksum = 0;    // header word 0, bit for bit
    std::int32_t designSize = 0;  // header word 1, a fix_word in points
    std::string codingScheme;     // header words 2 to 11, such as "TEX TEXT"; may be empty
    // A JFM's: whether the file is one, whether its characters stand upright in
    // vertical text (tate), and the types of the codes not of type 0.
    bool jfm = false, vertical = false;
    std::unordered_map<std::uint32_t, std::uint16_t> charTypes;
};
