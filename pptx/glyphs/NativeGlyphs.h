// Fonts drawn by glyph id from their own files, with FreeType: XeTeX's fonts, named by
// the XDV file, and the OpenType fonts that draw pTeX's Japanese fonts. A font file is
// found where xdvipdfmx finds it (the path as written, then kpsewhich, then
// fontconfig's list) and opened only when it is a font file of a bounded size. Each
// glyph is converted once per font and size; its Unicode text comes from the font's
// own tables (see GlyphTexts.h).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "fonts/FontStyle.h"
#include "fonts/NativeFont.h"
#include "pptx/glyphs/GlyphOutlines.h"

struct FreeTypeLibrary;

// The path of a font file named `name` (a path or a file name), or empty when none is
// found or the file found is not a font file of at most `largest` bytes.
std::string FindNativeFontFile(const std::string& name, std::size_t largest);

class NativeGlyphs {
  public:
    // `names` gives glyph names their text. Missing fonts are reported on `warnings`.
    NativeGlyphs(double emuPerUnit, GlyphOutlines& names, std::ostream& warnings);
    ~NativeGlyphs();
    NativeGlyphs(const NativeGlyphs&) = delete;
    NativeGlyphs& operator=(const NativeGlyphs&) = delete;

    struct Face;  // an open font file
    struct Font;  // a face at a size, with XeTeX's effects

    // XeTeX's font, or null when its file is missing or refused (said once).
    Font* Prepare(const NativeFont& font);
    // A font file found by name, at `size` DVI units; null when missing or refused (said
    // once, unless `quiet`).
    Font* PrepareFile(const std::string& name, std::uint32_t index, std::int32_t size,
                      bool quiet = false);

    // Glyph `id` on the slide, relative to its origin (empty for an id the font lacks).
    const GlyphOutline& Glyph(Font& font, std::uint32_t id);
    // Its Unicode text (UTF-8), empty when the font's tables give none.
    std::string_view Text(Font& font, std::uint32_t id);
    // The style of the font's family, for the text layer.
    FontStyle Style(const Font& font) const;
    // The glyph of a CID of a CID-keyed font (for other fonts the CID is the glyph id),
    // and the glyph of a Unicode character; 0 for none.
    std::uint32_t GlyphOfCid(Font& font, std::uint32_t cid);
    std::uint32_t GlyphOfCharacter(Font& font, char32_t c);
    // A glyph's advance width and, in vertical writing, the height of its vertical
    // origin above the baseline, in EMU at the font's size.
    std::int64_t Advance(Font& font, std::uint32_t id) { return Metrics(font, id).first; }
    std::int64_t VerticalOrigin(Font& font, std::uint32_t id) { return Metrics(font, id).second; }

  private:
    Font* PrepareByKey(const NativeFont& font);
    const std::pair<std::int64_t, std::int64_t>& Metrics(Font& font, std::uint32_t id);
    Face* OpenFace(const std::string& path, std::uint32_t index);
    void ReadTexts(Face& face);

    double emuPerUnit;
    GlyphOutlines& names;
    std::ostream& warnings;
    std::unique_ptr<FreeTypeLibrary> library;
    std::unordered_map<std::string, std::unique_ptr<Face>> faces;  // by path and index
    std::unordered_map<std::string, std::unique_ptr<Font>> fonts;  // by file, size and effects
    std::unordered_map<std::string, std::string> paths;            // by name; empty: missing
    std::unordered_set<std::string> missing;                       // warned about
    std::optional<NativeFont> last;  // the font of the last Prepare, and its answer
    Font* lastPrepared = nullptr;
};
