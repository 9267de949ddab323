// Reading glyph outlines with FreeType.
#include "pptx/glyphs/GlyphOutlines.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <array>
#include <fstream>

#include "fonts/FontFileLookup.h"
#include "pptx/glyphs/BitmapGlyphs.h"
#include "pptx/Emu.h"
#include "pptx/glyphs/FreeTypeLibrary.h"

namespace {

// Glyphs are loaded unhinted at 1024 pixels per em, so their 26.6 coordinates count
// 65536 to the em: far finer than any slide shows.
constexpr FT_F26Dot6 loadSize = 1024 * 64;
constexpr double unitsPerEm = 65536.0;
// Fonts without Type 1 files come from Metafont's bitmaps at this many dots to the inch,
// from PK files of at most this size.
constexpr double bitmapResolution = 600;
constexpr std::size_t largestBitmapFont = std::size_t{16} << 20;

// Receives FreeType's outline steps and writes them in slide units.
struct OutlineSink {
    GlyphOutline& outline;
    double scale, slant, extend;  // EMU per outline unit; the font map's effects
    bool open = false;            // a contour has been started and not closed
    FT_Vector last{};

    void Point(const FT_Vector& p) {
        const double x = double(p.x), y = double(p.y);
        outline.points.push_back(ToEmu((extend * x + slant * y) * scale));
        outline.points.push_back(ToEmu(-y * scale));
    }
    void Close() {
        if (open) outline.steps.push_back(GlyphOutline::Step::Close);
        open = false;
    }

    static int MoveTo(const FT_Vector* to, void* user) {
        auto& sink = *static_cast<OutlineSink*>(user);
        sink.Close();
        sink.outline.steps.push_back(GlyphOutline::Step::Move);
        sink.Point(*to);
        sink.open = true;
        sink.last = *to;
        return 0;
    }
    static int LineTo(const FT_Vector* to, void* user) {
        auto& sink = *static_cast<OutlineSink*>(user);
        sink.outline.steps.push_back(GlyphOutline::Step::Line);
        sink.Point(*to);
        sink.last = *to;
        return 0;
    }
    static int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
        auto& sink = *static_cast<OutlineSink*>(user);
        sink.outline.steps.push_back(GlyphOutline::Step::Cubic);
        sink.Point(*c1);
        sink.Point(*c2);
        sink.Point(*to);
        sink.last = *to;
        return 0;
    }
    // A quadratic segment (TrueType and OpenType fonts in the map) as the cubic that
    // draws the same curve.
    static int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
        auto& sink = *static_cast<OutlineSink*>(user);
        const FT_Vector from = sink.last;
        const FT_Vector c1{from.x + (control->x - from.x) * 2 / 3,
                           from.y + (control->y - from.y) * 2 / 3};
        const FT_Vector c2{to->x + (control->x - to->x) * 2 / 3,
                           to->y + (control->y - to->y) * 2 / 3};
        return CubicTo(&c1, &c2, to, user);
    }
};

}  // namespace

struct GlyphOutlines::Face {
    FT_Face handle = nullptr;
    std::array<FT_UInt, 256> glyphIndex{};  // by character code; 0 for none
    std::vector<std::string> names;         // glyph names by code; none when unnamed
    ~Face() {
        if (handle != nullptr) FT_Done_Face(handle);
    }
};

struct GlyphOutlines::ScaledFont {
    std::uint32_t generation = 0;
    Face* face = nullptr;             // null: the font is drawn from its bitmaps, or as text
    const PkFont* bitmaps = nullptr;  // Metafont's, for a font without a Type 1 file
    double emuPerPixel = 0.0;
    double scale = 0.0;  // EMU per outline unit
    double slant = 0.0, extend = 1.0;
    const Texts* texts = nullptr;  // null: the characters have no known text
    FontStyle style;
    std::vector<std::unique_ptr<GlyphOutline>> glyphs;  // by code, converted on first use
};

GlyphOutlines::GlyphOutlines(double emuPerUnit)
    : emuPerUnit(emuPerUnit), library(std::make_unique<FreeTypeLibrary>()) {}

GlyphOutlines::~GlyphOutlines() {
    // Faces belong to the library and go first.
    fonts.clear();
    retired.clear();
    faces.clear();
}

void GlyphOutlines::ReleaseRetired() {
    retired.clear();
}

const GlyphOutline* GlyphOutlines::Find(const TfmFont& font, std::int32_t c) {
    ScaledFont& scaled = Prepare(font);
    if (scaled.face == nullptr && scaled.bitmaps == nullptr) return nullptr;
    static const GlyphOutline none;
    if (c < 0 || c > 255) return &none;
    std::unique_ptr<GlyphOutline>& glyph = scaled.glyphs[static_cast<std::size_t>(c)];
    if (!glyph) {
        glyph = std::make_unique<GlyphOutline>();
        if (scaled.face != nullptr) {
            Convert(scaled, c, *glyph);
        } else if (const auto bitmap = scaled.bitmaps->glyphs.find(c);
                   bitmap != scaled.bitmaps->glyphs.end()) {
            TraceGlyph(bitmap->second, scaled.emuPerPixel, *glyph);
        }
    }
    return glyph.get();
}

void GlyphOutlines::Prefetch(const std::vector<std::string>& fontNames) {
    ReadMap();
    std::vector<std::string> files;
    for (const std::string& name : fontNames) {
        if (const FontMapEntry* entry = fontMap.Find(name)) {
            if (!entry->fontFile.empty()) files.push_back(entry->fontFile);
            if (!entry->encodingFile.empty()) files.push_back(entry->encodingFile);
        }
    }
    PrefetchFontFiles(files);
}

void GlyphOutlines::ReadMap() {
    if (mapRead) return;
    mapRead = true;
    const std::string mapPath = FindFontFile("pdftex.map");
    std::ifstream map(mapPath);
    if (!mapPath.empty()) fontMap.Read(map);
    // TeX's own names first: they override the general list for TeX's glyphs.
    for (const char* list : {"texglyphlist.txt", "glyphlist.txt"}) {
        const std::string listPath = FindFontFile(list);
        std::ifstream file(listPath);
        if (!listPath.empty()) glyphNames.Read(file);
    }
}

std::string GlyphOutlines::TextOfGlyphName(std::string_view name) {
    ReadMap();
    return glyphNames.Text(name);
}

GlyphOutlines::ScaledFont& GlyphOutlines::Prepare(const TfmFont& font) {
    if (&font == lastFont && lastScaled->generation == font.generation) return *lastScaled;
    std::unique_ptr<ScaledFont>& scaled = fonts[&font];
    if (!scaled || scaled->generation != font.generation) {
        if (scaled) retired.push_back(std::move(scaled));
        scaled = std::make_unique<ScaledFont>();
        scaled->generation = font.generation;
        ReadMap();
        if (const FontMapEntry* entry = fontMap.Find(font.name)) {
            scaled->face = OpenFace(*entry);
            scaled->slant = entry->slant;
            scaled->extend = entry->extend;
            if (scaled->face != nullptr && !scaled->face->names.empty())
                scaled->texts =
                    TextsOfNames(entry->fontFile + '\n' + entry->encodingFile, scaled->face->names);
        }
        const std::string_view scheme =
            font.metrics ? std::string_view(font.metrics->codingScheme) : std::string_view();
        if (scaled->texts == nullptr) scaled->texts = TextsOfScheme(scheme);
        if (scaled->face == nullptr && font.metrics) OpenBitmaps(font, *scaled);
        // Metafont's fonts without a coding scheme (bbm10) mostly keep ASCII's letters
        // and digits where TeX's text fonts have them.
        if (scaled->texts == nullptr && scaled->bitmaps != nullptr)
            scaled->texts = TextsOfScheme("TEX TEXT");
        scaled->style = StyleOfFont(font.name, scheme);
        scaled->scale = double(font.scaledSize) * emuPerUnit / unitsPerEm;
        scaled->glyphs.resize(256);
    }
    lastFont = &font;
    lastScaled = scaled.get();
    return *scaled;
}

void GlyphOutlines::OpenBitmaps(const TfmFont& font, ScaledFont& scaled) {
    // As dvips asks for them: at the resolution that sets the font at its size, here
    // 600 dots to the inch of the slide. A design size is a fix_word in points.
    const double designEmu = font.metrics->designSize / 1048576.0 * 914400 / 72.27;
    if (designEmu <= 0 || font.scaledSize <= 0) return;
    const long dpi = std::lround(bitmapResolution * font.scaledSize * emuPerUnit / designEmu);
    if (dpi < 1 || dpi > 100000) return;
    const std::string key = font.name + '\n' + std::to_string(dpi);
    auto [entry, added] = bitmapFonts.try_emplace(key);
    if (added) {
        const std::string path = FindBitmapFont(font.name, int(dpi));
        std::ifstream file(path, std::ios::binary);
        std::string bytes;
        char buffer[1 << 14];
        while (!path.empty() && (file.read(buffer, sizeof buffer) || file.gcount() > 0)) {
            bytes.append(buffer, static_cast<std::size_t>(file.gcount()));
            if (bytes.size() > largestBitmapFont) break;
        }
        if (!bytes.empty() && bytes.size() <= largestBitmapFont)
            entry->second = std::make_unique<PkFont>(ReadPkFont(bytes, font.name));
    }
    if (!entry->second || entry->second->pixelsPerPoint <= 0) return;
    scaled.bitmaps = entry->second.get();
    // The file's resolution holds the font's magnification: its pixels are those of a
    // 600 dpi device, as dvips takes them.
    scaled.emuPerPixel = 914400 / bitmapResolution;
}

GlyphOutlines::Face* GlyphOutlines::OpenFace(const FontMapEntry& entry) {
    if (entry.fontFile.empty() || library->handle == nullptr) return nullptr;
    std::unique_ptr<Face>& face = faces[entry.fontFile + '\n' + entry.encodingFile];
    if (face) return face->handle != nullptr ? face.get() : nullptr;
    face = std::make_unique<Face>();

    const std::string fontPath = FindFontFile(entry.fontFile);
    if (fontPath.empty() || FT_New_Face(library->handle, fontPath.c_str(), 0, &face->handle) != 0 ||
        !LoadOutlineSize(face->handle)) {
        face->handle = nullptr;
        return nullptr;
    }

    if (!entry.encodingFile.empty()) {
        // The encoding file names the glyph of every code.
        const std::string encodingPath = FindFontFile(entry.encodingFile);
        std::ifstream file(encodingPath);
        std::vector<std::string> names =
            encodingPath.empty() ? std::vector<std::string>{} : ReadEncoding(file);
        if (names.empty() || !FT_HAS_GLYPH_NAMES(face->handle)) {
            FT_Done_Face(face->handle);
            face->handle = nullptr;
            return nullptr;
        }
        for (std::size_t code = 0; code < 256; ++code) {
            if (!names[code].empty())
                face->glyphIndex[code] = FT_Get_Name_Index(face->handle, names[code].data());
        }
        face->names = std::move(names);
    } else {
        // The font's own encoding, which FreeType offers as an Adobe character map for
        // Type 1 fonts (a Unicode one for others).
        for (int i = 0; i < face->handle->num_charmaps; ++i) {
            if (face->handle->charmaps[i]->platform_id == 7) {
                FT_Set_Charmap(face->handle, face->handle->charmaps[i]);
                break;
            }
        }
        for (FT_ULong code = 0; code < 256; ++code)
            face->glyphIndex[code] = FT_Get_Char_Index(face->handle, code);
        if (FT_HAS_GLYPH_NAMES(face->handle)) {
            face->names.resize(256);
            char name[64];
            for (std::size_t code = 0; code < 256; ++code) {
                if (face->glyphIndex[code] != 0 &&
                    FT_Get_Glyph_Name(face->handle, face->glyphIndex[code], name, sizeof name) == 0)
                    face->names[code] = name;
            }
        }
    }
    return face.get();
}

GlyphOutlines::CharacterText GlyphOutlines::Text(const TfmFont& font, std::int32_t c) {
    const ScaledFont& scaled = Prepare(font);
    if (scaled.texts == nullptr || c < 0 || c > 255) return {{}, scaled.style};
    return {(*scaled.texts)[static_cast<std::size_t>(c)], scaled.style};
}

const GlyphOutlines::Texts* GlyphOutlines::TextsOfNames(const std::string& key,
                                                        const std::vector<std::string>& names) {
    std::unique_ptr<Texts>& cached = texts[key];
    if (!cached) {
        cached = std::make_unique<Texts>();
        for (std::size_t code = 0; code < names.size() && code < 256; ++code)
            (*cached)[code] = glyphNames.Text(names[code]);
    }
    return cached.get();
}

const GlyphOutlines::Texts* GlyphOutlines::TextsOfScheme(std::string_view codingScheme) {
    const std::string_view encoding = EncodingOfCodingScheme(codingScheme);
    if (encoding.empty()) return nullptr;
    const std::string key = "scheme\n" + std::string(encoding);
    // Looked up once: an encoding file that is not there stays a null entry.
    if (const auto found = texts.find(key); found != texts.end()) return found->second.get();
    const std::string path = FindFontFile(std::string(encoding));
    std::ifstream file(path);
    const std::vector<std::string> names =
        path.empty() ? std::vector<std::string>{} : ReadEncoding(file);
    if (names.empty()) {
        texts[key] = nullptr;
        return nullptr;
    }
    return TextsOfNames(key, names);
}

void GlyphOutlines::Convert(const ScaledFont& font, std::int32_t c, GlyphOutline& outline) const {
    const FT_UInt index = font.face->glyphIndex[static_cast<std::size_t>(c)];
    if (index != 0) ConvertGlyph(font.face->handle, index, font.scale, font.slant, font.extend, outline);
}

bool LoadOutlineSize(FT_FaceRec_* face) {
    return FT_Set_Char_Size(face, 0, loadSize, 72, 72) == 0;
}

bool ConvertGlyph(FT_FaceRec_* face, unsigned index, double scale, double slant, double extend,
                  GlyphOutline& outline) {
    if (FT_Load_Glyph(face, index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0 ||
        face->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
        return false;
    OutlineSink sink{outline, scale, slant, extend};
    FT_Outline_Funcs steps{};
    steps.move_to = &OutlineSink::MoveTo;
    steps.line_to = &OutlineSink::LineTo;
    steps.conic_to = &OutlineSink::ConicTo;
    steps.cubic_to = &OutlineSink::CubicTo;
    if (FT_Outline_Decompose(&face->glyph->outline, &steps, &sink) != 0) {
        outline = GlyphOutline{};
        return false;
    }
    sink.Close();
    SetBox(outline);
    return true;
}

void SetBox(GlyphOutline& outline) {
    if (outline.points.empty()) return;
    outline.minX = outline.maxX = outline.points[0];
    outline.minY = outline.maxY = outline.points[1];
    for (std::size_t i = 0; i < outline.points.size(); i += 2) {
        outline.minX = std::min(outline.minX, outline.points[i]);
        outline.maxX = std::max(outline.maxX, outline.points[i]);
        outline.minY = std::min(outline.minY, outline.points[i + 1]);
        outline.maxY = std::max(outline.maxY, outline.points[i + 1]);
    }
}
