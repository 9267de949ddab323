// Reading the records that the reporting prologue (ReportingPrologue.h) writes for a
// chunk of PostScript. They come from a program running PostScript of the DVI file's
// choosing, which may write anything: every line is checked, and a record with a line
// out of place or a number out of range is dropped whole.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ps/Paint.h"

struct ChunkReport {
    std::vector<Paint> paints;
    bool finished = false;  // the chunk's closing line came
    std::string error;      // the PostScript error that stopped it; empty when it ran
    // After a chunk that ran in an open page: the transformation from the page's
    // coordinates (dvips's pixels) to those the page's PostScript now uses.
    std::optional<Affine> transform;
    double alpha = 1;         // and the fill alpha there; -1 where nothing is drawn on the page
    std::size_t dropped = 0;  // records left out (malformed, or what cannot be drawn)
    std::size_t beyond = 0;   // paints not reported, beyond the page's most
    // The soft masks the chunk began, by number, their paints not yet given.
    std::vector<std::pair<std::uint32_t, SoftMask>> masks;
};

// Reads the records of one chunk; `pageHeight` is the height of the page in big points,
// whose bottom left corner is the origin of PostScript's default user space.
ChunkReport ReadPaintRecords(std::string_view records, double pageHeight);

// The soft masks of a page, as its chunks' records give them: each paint of a mask's
// group goes to the mask, and one painted through a mask gets it.
class PageMasks {
  public:
    static constexpr std::size_t maxGroupPaints = 256;

    void Clear() { masks.clear(); }
    // Takes in the masks a chunk began.
    void Begin(std::vector<std::pair<std::uint32_t, SoftMask>>& begun);
    enum class Use : std::uint8_t { Draw, Kept, LeftOut };
    // What becomes of `paint`: drawn (with its mask, if it has one); kept as a paint of a
    // mask's group; or left out, painted through a mask the page lacks or whose group
    // has more than `maxGroupPaints` paints.
    Use Take(Paint& paint);

  private:
    std::unordered_map<std::uint32_t, std::shared_ptr<SoftMask>> masks;
};
