// pTeX's and upTeX's Japanese fonts, drawn as dvipdfmx draws them: a JFM font's entry in
// dvipdfmx's font maps (kanjix.map, ckx.map) names a CMap and a CID-keyed OpenType font;
// a character's code goes through the CMap to a CID, and the CID to the font's glyph. A
// font the system maps to a font it does not embed (Ryumin-Light, GothicBBB-Medium) is
// drawn from TeX Live's own Harano Aji fonts, as its Harano Aji maps have it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "fonts/CMap.h"
#include "fonts/FontTable.h"
#include "pptx/glyphs/NativeGlyphs.h"

class JapaneseFonts {
  public:
    JapaneseFonts(NativeGlyphs& glyphs, std::ostream& warnings);
    ~JapaneseFonts();

    struct Glyph {
        NativeGlyphs::Font* font = nullptr;
        std::uint32_t id = 0;
        bool vertical = false;  // of a vertical CMap: set upright in vertical lines
        std::string text;       // its Unicode text (UTF-8), empty when unknown
    };
    // Character `c` of a JFM font; none when the font has no map entry, CMap or font
    // file (said once for each font).
    std::optional<Glyph> Find(const TfmFont& font, std::int32_t c);

  private:
    struct Entry {
        std::string cmap, file;
        std::uint32_t index = 0;
    };
    struct Loaded;  // a JFM font's CMaps and font at its size
    Loaded* Load(const TfmFont& font);
    void ReadMaps();
    const CMap* FindCMap(const std::string& name);

    NativeGlyphs& glyphs;
    std::ostream& warnings;
    bool mapsRead = false;
    std::unordered_map<std::string, Entry> entries, fallbacks;     // by TFM name
    std::unordered_map<std::string, std::unique_ptr<CMap>> cmaps;  // null: not found
    std::unordered_map<const TfmFont*, std::pair<std::uint32_t, std::unique_ptr<Loaded>>> loaded;
    std::unordered_set<std::string> warned;
};
