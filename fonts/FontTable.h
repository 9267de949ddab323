// The fonts a DVI file defines, each with the metrics of its TFM file, and the
// current font that characters are set in.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "fonts/TfmMetrics.h"

// A character's dimensions in DVI units at the font's scaled size (see ScaledDimension).
struct ScaledChar {
    std::int32_t width, height, depth;
};

struct TfmFont {
    std::int32_t number = 0;      // the DVI font number k
    std::string name;             // area bytes followed by name bytes
    std::int32_t scaledSize = 0;  // s of the definition that loaded `metrics`, in DVI units
    std::unique_ptr<TfmMetrics> metrics;
    // Entry i for code bc + i: the metrics at `scaledSize`, computed when they load, so
    // that setting a character costs no floating-point conversion.
    std::vector<ScaledChar> scaled;
    // Counts the loads of `metrics`: a reload under another name changes the entry in
    // place, and whoever keeps something derived from it can tell by this number.
    std::uint32_t generation = 0;
};

// A fix_word dimension in DVI units at the scaled size s: the fix_word times s, in
// double precision, times 2^-20, truncated toward zero. A result outside 32 bits
// becomes the smallest 32-bit integer, as the x86 conversion instruction gives it.
std::int32_t ScaledDimension(std::int32_t fixWord, std::int32_t scaledSize);

// The entry of `scaled` for character code c, which may be outside the font's codes.
inline std::int64_t CharIndex(const TfmFont& font, std::int32_t c) {
    return font.metrics->Index(c);
}

class FontTable {
  public:
    // Enters or updates the definition of font k and returns the TFM checksum of its
    // metrics. A repeated definition with the same name changes nothing; one with
    // another name reloads the entry (the current font then sees the new metrics).
    std::int32_t DefineFont(std::int32_t k, std::int32_t s, std::int32_t d,
                            const std::string& name);
    // The TFM files of fonts about to be defined, looked up together (see FindTfmFiles);
    // the names whose files were not found.
    std::vector<std::string> Prefetch(const std::vector<std::string>& names);
    void SelectFont(std::int32_t k);
    // No font is current (a font of another kind is, XeTeX's native fonts).
    void Deselect() { current = nullptr; }
    // The names of the fonts whose TFM files the last Prefetch found.
    std::vector<std::string> PrefetchedNames() const;
    bool Has(std::int32_t k) const { return entries.contains(k); }
    const TfmFont* CurrentFont() const { return current; }
    void Clear();

    // Whether pTeX's JFM files are read (deckgen-pptx reads pTeX's DVI files).
    bool japanese = false;

  private:
    // At most one entry per number; entries are never removed before Clear, so
    // `current` and pointers held by callers stay valid.
    std::unordered_map<std::int32_t, std::unique_ptr<TfmFont>> entries;
    TfmFont* current = nullptr;
    std::unordered_map<std::string, std::string> prefetched;  // TFM paths by font name
};
