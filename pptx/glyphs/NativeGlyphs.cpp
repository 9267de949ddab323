// Finding, opening and reading the fonts drawn by glyph id.
#include "pptx/glyphs/NativeGlyphs.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TAGS_H
#include FT_TRUETYPE_TABLES_H
#include FT_CID_H

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <optional>

#include "common/PlainText.h"
#include "fonts/FontFileLookup.h"
#include "fonts/GlyphNames.h"
#include "pptx/Emu.h"
#include "pptx/glyphs/FreeTypeLibrary.h"
#include "pptx/glyphs/GlyphTexts.h"

namespace {

constexpr double unitsPerEm = 65536.0;  // as LoadOutlineSize loads the outlines
constexpr std::size_t largestFont = std::size_t{256} << 20;

// Whether a file is a regular file of at most `largest` bytes that starts as an
// OpenType, TrueType, collection or Type 1 font does.
bool IsFontFile(const std::string& path, std::size_t largest) {
    struct stat status {};
    if (path.empty() || stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode) ||
        status.st_size < 4 || static_cast<std::uintmax_t>(status.st_size) > largest)
        return false;
    std::ifstream file(path, std::ios::binary);
    char start[4] = {};
    if (!file.read(start, 4)) return false;
    const std::string_view magic(start, 4);
    return magic == std::string_view("\0\1\0\0", 4) || magic == "OTTO" || magic == "true" ||
           magic == "ttcf" || (start[0] == '\x80' && start[1] == '\x01') || magic == "%!PS" ||
           magic == "%!Fo";
}

std::string_view BaseName(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Of the characters a glyph is mapped from, the one that names it: a character of its
// own before a radical or compatibility ideograph, and those before the private use
// area; then the first.
int Rank(char32_t c) {
    if ((c >= 0xE000 && c <= 0xF8FF) || c >= 0xF0000) return 2;
    if ((c >= 0x2E80 && c <= 0x2FDF) || (c >= 0xF900 && c <= 0xFAFF) ||
        (c >= 0x2F800 && c <= 0x2FA1F))
        return 1;
    return 0;
}

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

}  // namespace

std::string FindNativeFontFile(const std::string& name, std::size_t largest) {
    if (name.find('/') != std::string::npos && IsFontFile(name, largest)) return name;
    const std::string file(BaseName(name));
    if (file.empty()) return {};
    if (const std::string found = FindFontFile(file); IsFontFile(found, largest)) return found;
    if (const std::string found = FindSystemFontFile(file); IsFontFile(found, largest))
        return found;
    return {};
}

struct NativeGlyphs::Face {
    FT_Face handle = nullptr;
    std::vector<std::string> texts;  // by glyph id, once read
    bool textsRead = false;
    std::vector<std::uint32_t> glyphOfCid;  // for a CID-keyed font, once asked
    bool cidsRead = false;
    FontStyle style;
    ~Face() {
        if (handle != nullptr) FT_Done_Face(handle);
    }
};

struct NativeGlyphs::Font {
    Face* face = nullptr;
    double scale = 0.0;  // EMU per outline unit
    double slant = 0.0, extend = 1.0;
    double size = 0.0;  // EMU
    std::unordered_map<std::uint32_t, GlyphOutline> glyphs;
    // Each glyph's advance width and vertical origin (EMU), read once.
    std::unordered_map<std::uint32_t, std::pair<std::int64_t, std::int64_t>> metrics;
};

NativeGlyphs::NativeGlyphs(double emuPerUnit, GlyphOutlines& names, std::ostream& warnings)
    : emuPerUnit(emuPerUnit),
      names(names),
      warnings(warnings),
      library(std::make_unique<FreeTypeLibrary>()) {}

NativeGlyphs::~NativeGlyphs() {
    fonts.clear();
    faces.clear();  // before their library
}

NativeGlyphs::Face* NativeGlyphs::OpenFace(const std::string& path, std::uint32_t index) {
    const std::string key = path + '\n' + std::to_string(index);
    if (const auto found = faces.find(key); found != faces.end()) return found->second.get();
    auto face = std::make_unique<Face>();
    if (library->handle == nullptr || index > 0xFFFF ||
        FT_New_Face(library->handle, path.c_str(), static_cast<FT_Long>(index), &face->handle) !=
            0 ||
        !LoadOutlineSize(face->handle)) {
        if (face->handle != nullptr) FT_Done_Face(face->handle);
        face->handle = nullptr;
    }
    if (face->handle != nullptr) {
        const std::string_view family = face->handle->family_name ? face->handle->family_name : "";
        face->style.bold = (face->handle->style_flags & FT_STYLE_FLAG_BOLD) != 0;
        face->style.italic = (face->handle->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
        if (FT_IS_FIXED_WIDTH(face->handle) || Contains(family, "Mono") || Contains(family, "Code"))
            face->style.family = 2;
        else if (Contains(family, "Math"))
            face->style.family = 3;
        else if (Contains(family, "Sans") || Contains(family, "Gothic") ||
                 Contains(family, "Helvet") || Contains(family, "Arial") || Contains(family, "Hei"))
            face->style.family = 1;
        // Ideographs or kana: a font for Chinese, Japanese or Korean.
        // Full-width quotation marks are Chinese conventions.
        if (FT_Select_Charmap(face->handle, FT_ENCODING_UNICODE) == 0 &&
            (FT_Get_Char_Index(face->handle, 0x4E00) != 0 ||
             FT_Get_Char_Index(face->handle, 0x3042) != 0)) {
            const FT_UInt quote = FT_Get_Char_Index(face->handle, 0x201C);
            const bool wide =
                quote != 0 && FT_Load_Glyph(face->handle, quote, FT_LOAD_NO_SCALE) == 0 &&
                face->handle->glyph->metrics.horiAdvance * 10 >= face->handle->units_per_EM * 9;
            face->style.cjk = wide ? 2 : 1;
        }
    }
    Face* opened = face->handle == nullptr ? nullptr : face.get();
    faces.emplace(key, opened ? std::move(face) : nullptr);
    return opened;
}

NativeGlyphs::Font* NativeGlyphs::Prepare(const NativeFont& font) {
    // Runs in one font follow each other: the last one's answer, without a key.
    if (last && *last == font) return lastPrepared;
    last = font;
    return lastPrepared = PrepareByKey(font);
}

NativeGlyphs::Font* NativeGlyphs::PrepareByKey(const NativeFont& font) {
    const std::string key = font.file + '\n' + std::to_string(font.index) + '\n' +
                            std::to_string(font.size) + '\n' + std::to_string(font.extend) + '\n' +
                            std::to_string(font.slant);
    if (const auto found = fonts.find(key); found != fonts.end()) return found->second.get();
    Font* prepared = PrepareFile(font.file, font.index, font.size);
    if (prepared == nullptr) {
        fonts.emplace(key, nullptr);
        return nullptr;
    }
    auto scaled = std::make_unique<Font>(*prepared);
    scaled->glyphs.clear();
    scaled->extend = font.extend / 65536.0;
    scaled->slant = font.slant / 65536.0;
    return fonts.emplace(key, std::move(scaled)).first->second.get();
}

NativeGlyphs::Font* NativeGlyphs::PrepareFile(const std::string& name, std::uint32_t index,
                                              std::int32_t size, bool quiet) {
    const std::string key = name + '\n' + std::to_string(index) + '\n' + std::to_string(size);
    if (const auto found = fonts.find(key); found != fonts.end()) return found->second.get();
    auto path = paths.find(name);
    if (path == paths.end())
        path = paths.emplace(name, FindNativeFontFile(name, largestFont)).first;
    Face* face = path->second.empty() ? nullptr : OpenFace(path->second, index);
    if (face == nullptr) {
        if (!quiet && missing.insert(name).second) {
            warnings << "Font file " << Printable(name)
                     << (path->second.empty() ? " not found" : " is not a font FreeType reads")
                     << ": its glyphs are set as text\n";
        }
        fonts.emplace(key, nullptr);
        return nullptr;
    }
    auto font = std::make_unique<Font>();
    font->face = face;
    font->size = double(size) * emuPerUnit;
    font->scale = font->size / unitsPerEm;
    return fonts.emplace(key, std::move(font)).first->second.get();
}

const GlyphOutline& NativeGlyphs::Glyph(Font& font, std::uint32_t id) {
    auto [entry, added] = font.glyphs.try_emplace(id);
    if (added && id < static_cast<std::uint32_t>(font.face->handle->num_glyphs))
        ConvertGlyph(font.face->handle, id, font.scale, font.slant, font.extend, entry->second);
    return entry->second;
}

void NativeGlyphs::ReadTexts(Face& face) {
    face.textsRead = true;
    FT_Face handle = face.handle;
    const auto count = static_cast<std::size_t>(std::max<FT_Long>(handle->num_glyphs, 0));
    std::vector<std::string>& texts = face.texts;
    texts.assign(count, {});
    // The character map backwards: each glyph the first character that maps to it,
    // one outside the private use area before one in it.
    std::vector<std::string> privateUse(count);  // a last resort
    if (FT_Select_Charmap(handle, FT_ENCODING_UNICODE) == 0) {
        std::vector<int> rank(count, 3);
        FT_UInt glyph = 0;
        for (FT_ULong c = FT_Get_First_Char(handle, &glyph); glyph != 0;
             c = FT_Get_Next_Char(handle, c, &glyph)) {
            if (glyph >= count || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) continue;
            const int r = Rank(static_cast<char32_t>(c));
            if (r >= rank[glyph]) continue;
            rank[glyph] = r;
            std::string& text = r == 2 ? privateUse[glyph] : texts[glyph];
            text.clear();
            AppendUtf8(text, static_cast<char32_t>(c));
        }
    }
    FT_ULong length = 0;
    if (FT_Load_Sfnt_Table(handle, TTAG_GSUB, 0, nullptr, &length) == 0 && length > 0 &&
        length <= largestFont) {
        std::string gsub(length, '\0');
        if (FT_Load_Sfnt_Table(handle, TTAG_GSUB, 0, reinterpret_cast<FT_Byte*>(gsub.data()),
                               &length) == 0)
            AddSubstitutionTexts(gsub, texts);
    }
    // The glyph names: "f_i", "uni2032", "one.oldstyle".
    if (FT_HAS_GLYPH_NAMES(handle)) {
        char name[128];
        for (std::size_t g = 1; g < count; ++g) {
            if (texts[g].empty() &&
                FT_Get_Glyph_Name(handle, static_cast<FT_UInt>(g), name, sizeof name) == 0)
                texts[g] = names.TextOfGlyphName(name);
        }
    }
    for (std::size_t g = 0; g < count; ++g)
        if (texts[g].empty()) texts[g] = std::move(privateUse[g]);
}

std::string_view NativeGlyphs::Text(Font& font, std::uint32_t id) {
    if (!font.face->textsRead) ReadTexts(*font.face);
    return id < font.face->texts.size() ? std::string_view(font.face->texts[id])
                                        : std::string_view();
}

FontStyle NativeGlyphs::Style(const Font& font) const {
    return font.face->style;
}

std::uint32_t NativeGlyphs::GlyphOfCid(Font& font, std::uint32_t cid) {
    Face& face = *font.face;
    if (!face.cidsRead) {
        face.cidsRead = true;
        FT_Bool isCid = 0;
        if (FT_Get_CID_Is_Internally_CID_Keyed(face.handle, &isCid) == 0 && isCid) {
            for (FT_Long g = 0; g < face.handle->num_glyphs; ++g) {
                FT_UInt c = 0;
                if (FT_Get_CID_From_Glyph_Index(face.handle, static_cast<FT_UInt>(g), &c) != 0)
                    continue;
                if (c >= face.glyphOfCid.size()) face.glyphOfCid.resize(c + 1);
                face.glyphOfCid[c] = static_cast<std::uint32_t>(g);
            }
        }
    }
    if (face.glyphOfCid.empty())
        return cid < static_cast<std::uint32_t>(face.handle->num_glyphs) ? cid : 0;
    return cid < face.glyphOfCid.size() ? face.glyphOfCid[cid] : 0;
}

std::uint32_t NativeGlyphs::GlyphOfCharacter(Font& font, char32_t c) {
    if (FT_Select_Charmap(font.face->handle, FT_ENCODING_UNICODE) != 0) return 0;
    return FT_Get_Char_Index(font.face->handle, c);
}

const std::pair<std::int64_t, std::int64_t>& NativeGlyphs::Metrics(Font& font, std::uint32_t id) {
    auto [entry, added] = font.metrics.try_emplace(id);
    if (!added) return entry->second;
    FT_Face handle = font.face->handle;
    if (handle->units_per_EM == 0) return entry->second;
    const double emPerUnit = font.size / handle->units_per_EM;
    auto& [advance, origin] = entry->second;
    if (FT_Load_Glyph(handle, id, FT_LOAD_NO_SCALE) == 0)
        advance = ToEmu(double(handle->glyph->metrics.horiAdvance) * emPerUnit * font.extend);
    // The vertical metrics' top side bearing above the glyph's top; without them
    // (FreeType then makes them up from the ascender), 880 to the 1000 as PDF has it.
    origin = ToEmu(0.88 * font.size);
    if (FT_HAS_VERTICAL(handle) &&
        FT_Load_Glyph(handle, id, FT_LOAD_NO_SCALE | FT_LOAD_VERTICAL_LAYOUT) == 0) {
        const FT_Glyph_Metrics& vertical = handle->glyph->metrics;
        origin = ToEmu(double(vertical.horiBearingY + vertical.vertBearingY) * emPerUnit);
    }
    return entry->second;
}
