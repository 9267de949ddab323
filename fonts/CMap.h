// Adobe's character maps (CMaps) from character codes to CIDs, as dvipdfmx reads them for
// CID-keyed fonts: H (JIS X 0208), V, UniJIS-UTF16-H and the others TeX Live ships.
// Codes are byte strings of one to four bytes, taken as big-endian numbers; a CMap may
// build on another (usecmap).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CMap {
  public:
    // Reads a CMap's text. `load` gives the text of a CMap it uses (by name), or none;
    // at most `depth` CMaps are read through usecmap.
    static CMap Read(std::string_view text,
                     const std::function<std::optional<std::string>(const std::string&)>& load,
                     int depth = 8);

    // The CID of the code of `length` bytes, or none. A later mapping overrides one
    // from the CMap used.
    std::optional<std::uint32_t> Cid(std::uint32_t code, int length) const;
    bool Vertical() const { return vertical; }

  private:
    struct Range {
        std::uint32_t first, last, cid;
        int length;
    };
    std::vector<Range> ranges;  // sorted by length and first, after Read
    bool vertical = false;
};
