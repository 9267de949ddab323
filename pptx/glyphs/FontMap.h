// TeX Live's font map (pdftex.map): for a TFM name, the Type 1 font that draws it, the
// encoding file that reorders that font's glyphs, and the slant and extension that
// turn it into the TeX font.
#pragma once

#include <istream>
#include <string>
#include <unordered_map>
#include <vector>

struct FontMapEntry {
    std::string fontFile;      // the .pfb (or .pfa) file; empty for a font without one
    std::string encodingFile;  // the .enc file; empty to use the font's own encoding
    double slant = 0.0;        // x += slant * y
    double extend = 1.0;       // x *= extend
};

class FontMap {
  public:
    // Reads a map file: one entry per line, "tfmname [psname] ["effects"] <files",
    // where lines starting with %, #, *, ; or blank are comments. The first entry of a
    // TFM name is kept, as pdfTeX does.
    void Read(std::istream& file);
    // The entry of a TFM name, or null.
    const FontMapEntry* Find(const std::string& tfmName) const;

  private:
    std::unordered_map<std::string, FontMapEntry> entries;
};

// Reads the glyph names of a PostScript encoding vector file (/Name [ /a /b ... ] def),
// 256 of them, codes beyond the names given being empty. Gives no names at all when the
// file holds no vector.
std::vector<std::string> ReadEncoding(std::istream& file);
