// Glyph outlines of TeX's fonts, read from their Type 1 fonts with FreeType: the font
// map gives each TFM name its font file, encoding and effects, and every character is
// converted once per font and code into slide units. A font without a Type 1 file is
// traced from Metafont's bitmaps. The glyphs' names give their
// Unicode text.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "fonts/FontStyle.h"
#include "fonts/FontTable.h"
#include "fonts/GlyphNames.h"
#include "fonts/PkFont.h"
#include "pptx/glyphs/FontMap.h"

// A glyph as drawn on the slide: EMU (914400 to the inch) relative to the character's
// DVI position, y growing downwards.
struct GlyphOutline {
    enum class Step : std::uint8_t { Move, Line, Cubic, Close };
    std::vector<Step> steps;
    std::vector<std::int64_t> points;  // x, y pairs: one for Move and Line, three for Cubic
    std::int64_t minX = 0, minY = 0, maxX = 0, maxY = 0;  // the box of all points
};

// Sets the outline's box from its points.
void SetBox(GlyphOutline& outline);

// FreeType's faces (FT_Face), whose glyphs are converted as TeX's fonts' are.
struct FT_FaceRec_;
// Sets a face's size so that its outlines count 65536 units to the em.
bool LoadOutlineSize(FT_FaceRec_* face);
// Glyph `index` of a face at that size, `scale` EMU to the unit, its x made
// extend * x + slant * y, into `outline`; false (the outline empty) when it has none.
bool ConvertGlyph(FT_FaceRec_* face, unsigned index, double scale, double slant, double extend,
                  GlyphOutline& outline);

struct FreeTypeLibrary;

class GlyphOutlines {
  public:
    // Looks up together the font and encoding files of the fonts named (TeX font names).
    void Prefetch(const std::vector<std::string>& fontNames);
    // `emuPerUnit`: the size of a DVI unit on the slide. The font map, pdftex.map, is
    // looked up when the first font is used; without it every font is drawn as text.
    explicit GlyphOutlines(double emuPerUnit);
    ~GlyphOutlines();
    GlyphOutlines(const GlyphOutlines&) = delete;
    GlyphOutlines& operator=(const GlyphOutlines&) = delete;

    // The outline of character `c` of `font` (empty for a code the font file lacks),
    // or null when the font has no usable outline font at all.
    const GlyphOutline* Find(const TfmFont& font, std::int32_t c);

    // The Unicode text (UTF-8) of character `c` of `font`: from the glyph names of its
    // encoding file or of its Type 1 font, or else from the TFM coding scheme when that
    // is one of TeX's standard encodings; empty when nothing names the character. With
    // it, the style of the font.
    struct CharacterText {
        std::string_view text;
        FontStyle style;
    };
    CharacterText Text(const TfmFont& font, std::int32_t c);
    // The Unicode text (UTF-8) of a glyph name; empty when it has none.
    std::string TextOfGlyphName(std::string_view name);

    // Frees the glyphs of fonts that a redefinition has reloaded since the last call.
    // Until then their outlines stay valid, for a page may still hold them.
    void ReleaseRetired();

  private:
    struct Face;        // an open Type 1 font with its encoding
    struct ScaledFont;  // a TFM font entry's glyphs at its size
    ScaledFont& Prepare(const TfmFont& font);
    // Reads the font map and the glyph lists, once.
    void ReadMap();
    Face* OpenFace(const FontMapEntry& entry);
    // The bitmaps of a font that has no Type 1 file, made by Metafont when missing.
    void OpenBitmaps(const TfmFont& font, ScaledFont& scaled);
    void Convert(const ScaledFont& font, std::int32_t c, GlyphOutline& outline) const;
    using Texts = std::array<std::string, 256>;
    const Texts* TextsOfNames(const std::string& key, const std::vector<std::string>& names);
    const Texts* TextsOfScheme(std::string_view codingScheme);

    double emuPerUnit;
    FontMap fontMap;
    bool mapRead = false;
    GlyphNames glyphNames;                                          // read with the map
    std::unordered_map<std::string, std::unique_ptr<Texts>> texts;  // by font or scheme
    std::unique_ptr<FreeTypeLibrary> library;
    std::unordered_map<std::string, std::unique_ptr<Face>> faces;  // by font and encoding file
    // By font and resolution; null where there is none.
    std::unordered_map<std::string, std::unique_ptr<PkFont>> bitmapFonts;
    std::unordered_map<const TfmFont*, std::unique_ptr<ScaledFont>> fonts;
    std::vector<std::unique_ptr<ScaledFont>> retired;
    const TfmFont* lastFont = nullptr;
    ScaledFont* lastScaled = nullptr;
};
