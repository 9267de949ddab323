// Reading dvipdfmx's font maps for JFM fonts, and their CMaps.
#include "pptx/glyphs/JapaneseFonts.h"

#include <sstream>

#include "common/PlainText.h"
#include "fonts/FontFileLookup.h"
#include "fonts/GlyphNames.h"
#include "ps/DocumentFiles.h"

namespace {

// A map's or CMap's bytes, read as the document's files are (at most 64 MiB).
std::optional<std::string> ReadFile(const std::string& path) {
    if (path.empty()) return std::nullopt;
    return Contents(path);
}

// A name that is a plain file name (no directories), as map files and CMaps are named.
bool PlainName(const std::string& name) {
    return !name.empty() && name.size() < 256 && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos && name[0] != '.';
}

// dvipdfmx's map lines: "tfm cmap font [options]", the font "!name" when not embedded
// and ":n:file" for a collection's face n.
void ReadMap(const std::string& text,
             std::unordered_map<std::string, std::pair<std::string, std::string>>& lines) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '%' || line[0] == '#') continue;
        std::istringstream words(line);
        std::string tfm, cmap, font;
        if (!(words >> tfm >> cmap >> font)) continue;
        lines.try_emplace(tfm, cmap, font);  // the first entry of a name holds
    }
}

// UTF-16 (big-endian code units as one number) of a code point, with its length.
std::pair<std::uint32_t, int> Utf16(std::uint32_t c) {
    if (c < 0x10000) return {c, 2};
    c -= 0x10000;
    return {(0xD800 + (c >> 10)) << 16 | (0xDC00 + (c & 0x3FF)), 4};
}

}  // namespace

struct JapaneseFonts::Loaded {
    NativeGlyphs::Font* font = nullptr;
    const CMap* cmap = nullptr;
    const CMap* horizontal = nullptr;  // the horizontal CMap beside a vertical one, for text
    bool identity = false, unicode = false;
};

JapaneseFonts::JapaneseFonts(NativeGlyphs& glyphs, std::ostream& warnings)
    : glyphs(glyphs), warnings(warnings) {}

JapaneseFonts::~JapaneseFonts() = default;

void JapaneseFonts::ReadMaps() {
    mapsRead = true;
    const auto read = [](std::initializer_list<const char*> names,
                         std::unordered_map<std::string, Entry>& into) {
        std::unordered_map<std::string, std::pair<std::string, std::string>> lines;
        for (const char* name : names) {
            if (const auto text = ReadFile(FindConfigFile(name, "dvipdfmx", "map")))
                ReadMap(*text, lines);
        }
        for (auto& [tfm, line] : lines) {
            Entry entry;
            entry.cmap = line.first;
            std::string font = line.second;
            if (!font.empty() && font[0] == '!') font.erase(0, 1);
            if (font.size() > 2 && font[0] == ':') {  // ":n:file"
                const std::size_t colon = font.find(':', 1);
                if (colon == std::string::npos) continue;
                entry.index = static_cast<std::uint32_t>(
                    std::strtoul(font.substr(1, colon - 1).c_str(), nullptr, 10));
                font.erase(0, colon + 1);
            }
            entry.file = font;
            into.emplace(tfm, std::move(entry));
        }
    };
    read({"kanjix.map", "ckx.map"}, entries);
    read({"ptex-haranoaji.map", "uptex-haranoaji.map", "otf-haranoaji.map"}, fallbacks);
}

const CMap* JapaneseFonts::FindCMap(const std::string& name) {
    if (const auto found = cmaps.find(name); found != cmaps.end()) return found->second.get();
    std::unique_ptr<CMap> map;
    const auto load = [](const std::string& used) -> std::optional<std::string> {
        if (!PlainName(used)) return std::nullopt;
        return ReadFile(FindConfigFile(used, "dvipdfmx", "cmap"));
    };
    if (name.starts_with("Identity")) {
        map = std::make_unique<CMap>();
    } else if (const auto text = load(name)) {
        map = std::make_unique<CMap>(CMap::Read(*text, load));
    }
    return cmaps.emplace(name, std::move(map)).first->second.get();
}

JapaneseFonts::Loaded* JapaneseFonts::Load(const TfmFont& font) {
    auto& [generation, slot] = loaded[&font];
    if (slot && generation == font.generation) return slot->font ? slot.get() : nullptr;
    generation = font.generation;
    slot = std::make_unique<Loaded>();
    if (!mapsRead) ReadMaps();
    // The system's entry, unless its font is no file here; then TeX Live's Harano Aji.
    const Entry* entry = nullptr;
    for (const auto* map : {&entries, &fallbacks}) {
        const auto found = map->find(font.name);
        if (found == map->end()) continue;
        slot->font =
            glyphs.PrepareFile(found->second.file, found->second.index, font.scaledSize, true);
        if (slot->font != nullptr) {
            entry = &found->second;
            break;
        }
    }
    if (entry != nullptr) {
        slot->identity = entry->cmap.starts_with("Identity");
        slot->unicode = entry->cmap.find("UTF") != std::string::npos;
        slot->cmap = PlainName(entry->cmap) ? FindCMap(entry->cmap) : nullptr;
        std::string horizontal = entry->cmap;
        if (horizontal == "V" || horizontal.ends_with("-V")) horizontal.back() = 'H';
        slot->horizontal = PlainName(horizontal) ? FindCMap(horizontal) : nullptr;
    }
    if (slot->font == nullptr || slot->cmap == nullptr) {
        if (warned.insert(font.name).second) {
            warnings << "Japanese font " << Printable(font.name)
                     << (entry == nullptr ? " has no font file in dvipdfmx's maps"
                                          : " has no CMap " + entry->cmap)
                     << ": its characters are set as text\n";
        }
        slot->font = nullptr;
        return nullptr;
    }
    return slot.get();
}

std::optional<JapaneseFonts::Glyph> JapaneseFonts::Find(const TfmFont& font, std::int32_t c) {
    Loaded* fontLoaded = Load(font);
    if (fontLoaded == nullptr || c < 0) return std::nullopt;
    const auto code = static_cast<std::uint32_t>(c);
    const auto cidOf = [&](const CMap* map) -> std::optional<std::uint32_t> {
        if (fontLoaded->identity) return code;
        if (map == nullptr) return std::nullopt;
        const auto [bytes, length] =
            fontLoaded->unicode ? Utf16(code) : std::pair{code, code > 0xFFFF ? 3 : 2};
        return map->Cid(bytes, length);
    };
    const auto cid = cidOf(fontLoaded->cmap);
    if (!cid) return std::nullopt;
    Glyph glyph;
    glyph.font = fontLoaded->font;
    glyph.id = glyphs.GlyphOfCid(*fontLoaded->font, *cid);
    glyph.vertical = fontLoaded->cmap->Vertical();
    // upTeX's codes are Unicode; pTeX's JIS codes have the text of the horizontal form.
    if (fontLoaded->unicode) {
        if (code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) AppendUtf8(glyph.text, code);
    } else if (const auto plain = cidOf(fontLoaded->horizontal)) {
        glyph.text = glyphs.Text(*fontLoaded->font, glyphs.GlyphOfCid(*fontLoaded->font, *plain));
    }
    return glyph;
}
