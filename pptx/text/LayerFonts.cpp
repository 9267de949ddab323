// Choosing and measuring the text layer's faces.
#include "pptx/text/LayerFonts.h"

#include <algorithm>
#include <cmath>

#include "fonts/FontFileLookup.h"
#include "pptx/glyphs/FreeTypeLibrary.h"

namespace {

// A face's family in one style: its typeface, its font files ("%d" standing for the
// design size) and the design sizes it comes in (0 for one size only). The widths come
// from `metrics`, the kerning pairs from the Type 1 font `kerning` with its AFM file.
struct Variant {
    const char* typeface;
    const char* metrics;
    const char* kerning;  // empty: none
    std::array<int, 8> sizes;
};

// By FontStyle::Face.
constexpr Variant transparentVariants[16] = {
    {"LM Roman %d", "lmroman%d-regular.otf", "lmr%d", {5, 6, 7, 8, 9, 10, 12, 17}},
    {"LM Roman %d", "lmroman%d-italic.otf", "lmri%d", {7, 8, 9, 10, 12}},
    {"LM Roman %d", "lmroman%d-bold.otf", "lmbx%d", {5, 6, 7, 8, 9, 10, 12}},
    {"LM Roman %d", "lmroman%d-bolditalic.otf", "lmbxi%d", {10}},
    {"LM Sans %d", "lmsans%d-regular.otf", "lmss%d", {8, 9, 10, 12, 17}},
    {"LM Sans %d", "lmsans%d-oblique.otf", "lmsso%d", {8, 9, 10, 12, 17}},
    {"LM Sans %d", "lmsans%d-bold.otf", "lmssbx%d", {10}},
    {"LM Sans %d", "lmsans%d-boldoblique.otf", "lmssbo%d", {10}},
    {"LM Mono %d", "lmmono%d-regular.otf", "", {8, 9, 10, 12}},
    {"LM Mono %d", "lmmono%d-italic.otf", "", {10}},
    {"LM Mono %d", "lmmono%d-regular.otf", "", {8, 9, 10, 12}},  // bold: made darker
    {"LM Mono %d", "lmmono%d-italic.otf", "", {10}},
    {"Latin Modern Math", "latinmodern-math.otf", "", {0}},
    {"Latin Modern Math", "latinmodern-math.otf", "", {0}},
    {"Latin Modern Math", "latinmodern-math.otf", "", {0}},
    {"Latin Modern Math", "latinmodern-math.otf", "", {0}},
};
constexpr Variant inkedVariants[16] = {
    {"Times New Roman", "utmr8a.pfb", "utmr8a", {0}},
    {"Times New Roman", "utmri8a.pfb", "utmri8a", {0}},
    {"Times New Roman", "utmb8a.pfb", "utmb8a", {0}},
    {"Times New Roman", "utmbi8a.pfb", "utmbi8a", {0}},
    {"Arial", "uhvr8a.pfb", "uhvr8a", {0}},
    {"Arial", "uhvro8a.pfb", "uhvro8a", {0}},
    {"Arial", "uhvb8a.pfb", "uhvb8a", {0}},
    {"Arial", "uhvbo8a.pfb", "uhvbo8a", {0}},
    {"Courier New", "ucrr8a.pfb", "", {0}},
    {"Courier New", "ucrro8a.pfb", "", {0}},
    {"Courier New", "ucrb8a.pfb", "", {0}},
    {"Courier New", "ucrbo8a.pfb", "", {0}},
    {"Latin Modern Math", "latinmodern-math.otf", "", {0}},
    {"Latin Modern Math", "latinmodern-math.otf", "", {0}},
    {"Latin Modern Math", "latinmodern-math.otf", "", {0}},
    {"Latin Modern Math", "latinmodern-math.otf", "", {0}},
};
// Small capitals, upright and slanted: their lowercase letters are the small capitals.
constexpr Variant smallCapsVariants[2] = {
    {"LM Roman Caps %d", "lmromancaps%d-regular.otf", "lmcsc%d", {10}},
    {"LM Roman Caps %d", "lmromancaps%d-oblique.otf", "lmcsco%d", {10}},
};
constexpr int symbols = 3;  // the FontStyle family of mathematical symbols

// A name with the design size put in for "%d".
std::string Sized(const char* pattern, int size) {
    std::string name = pattern;
    if (const std::size_t at = name.find("%d"); at != std::string::npos)
        name.replace(at, 2, std::to_string(size));
    return name;
}

}  // namespace

struct LayerFonts::Entry {
    std::string typeface, metrics, kerning;
    int faceIndex = 0;             // in a collection
    FontStyle style, asked;        // as drawn, and as asked for
    std::array<int, 8> sizes;      // the family's design sizes
    std::vector<int> designSizes;  // its faces in each of them, once asked for
    bool inked = false;
    bool opened = false, kerningOpened = false;
    FT_Face metricsFace = nullptr, kerningFace = nullptr;
    ~Entry() {
        if (metricsFace != nullptr) FT_Done_Face(metricsFace);
        if (kerningFace != nullptr) FT_Done_Face(kerningFace);
    }
};

LayerFonts::LayerFonts() : library(std::make_unique<FreeTypeLibrary>()) {
    chosen.fill(-1);
    // The faces' files, looked up together: a face is opened when its first character
    // comes, and most documents use several.
    std::vector<std::string> files;
    const auto add = [&](const Variant& variant) {
        // The design sizes, up to the first 0 (a family of one size has only that).
        for (std::size_t i = 0; i < variant.sizes.size() && (i == 0 || variant.sizes[i] != 0);
             ++i) {
            files.push_back(Sized(variant.metrics, variant.sizes[i]));
            if (*variant.kerning != '\0') {
                files.push_back(Sized(variant.kerning, variant.sizes[i]) + ".afm");
                files.push_back(Sized(variant.kerning, variant.sizes[i]) + ".pfb");
            }
        }
    };
    for (const Variant& variant : transparentVariants) add(variant);
    for (const Variant& variant : inkedVariants) add(variant);
    for (const Variant& variant : smallCapsVariants) add(variant);
    files.insert(files.end(), {"NotoSerifCJK-Regular.ttc", "NotoSansCJK-Regular.ttc"});
    PrefetchFontFiles(files);
}

LayerFonts::~LayerFonts() {
    entries.clear();  // the faces before their library
}

int LayerFonts::Face(const FontStyle asked, bool inked, double points) {
    FontStyle style = asked;
    const int rounded = std::clamp(static_cast<int>(std::lround(points)), 0, largestPoints);
    const int kind = style.Face() + (style.smallCaps ? 16 : 0) + (style.mathItalic ? 32 : 0);
    int& id = chosen[static_cast<std::size_t>((kind * 2 + (inked ? 1 : 0)) * (largestPoints + 1) +
                                              rounded)];
    if (id >= 0) return id;
    // The transparent text takes the face whose letters are as wide as the TeX font's:
    // those of mathematical italic are nearer upright roman's than italic's.
    if (!inked && style.mathItalic) style.italic = false;
    const bool caps = !inked && style.smallCaps && style.family == 0 && !style.bold;
    const Variant& variant = inked  ? inkedVariants[style.Face()]
                             : caps ? smallCapsVariants[style.italic ? 1 : 0]
                                    : transparentVariants[style.Face()];
    int design = variant.sizes[0];
    for (const int size : variant.sizes) {
        if (size != 0 && std::abs(size - rounded) < std::abs(design - rounded)) design = size;
    }
    const std::string typeface = Sized(variant.typeface, design);
    const std::string key = typeface + '\n' + std::to_string(kind) + (inked ? "i" : "t");
    if (const auto found = byTypeface.find(key); found != byTypeface.end())
        return id = found->second;
    auto entry = std::make_unique<Entry>();
    entry->typeface = typeface;
    entry->metrics = Sized(variant.metrics, design);
    entry->kerning = Sized(variant.kerning, design);
    entry->style = style;
    entry->asked = asked;
    entry->sizes = variant.sizes;
    entry->inked = inked;
    entries.push_back(std::move(entry));
    id = static_cast<int>(entries.size()) - 1;
    byTypeface.emplace(key, id);
    return id;
}

int LayerFonts::SymbolFace(int face) {
    const Entry& entry = *entries[static_cast<std::size_t>(face)];
    FontStyle style = entry.style;
    style.family = symbols;
    return Face(style, entry.inked, 0.0);
}

int LayerFonts::CjkFace(int face, bool chinese) {
    const Entry& entry = *entries[static_cast<std::size_t>(face)];
    const bool sans = entry.style.family == 1;
    int& id =
        cjk[static_cast<std::size_t>((chinese ? 4 : 0) + (sans ? 2 : 0) + (entry.inked ? 1 : 0))];
    if (id >= 0) return id;
    auto cjkEntry = std::make_unique<Entry>();
    cjkEntry->typeface =
        std::string(sans ? "Noto Sans CJK " : "Noto Serif CJK ") + (chinese ? "SC" : "JP");
    cjkEntry->metrics = sans ? "NotoSansCJK-Regular.ttc" : "NotoSerifCJK-Regular.ttc";
    cjkEntry->faceIndex = chinese ? 2 : 0;  // the collection's faces: JP, KR, SC, TC, HK
    cjkEntry->style = cjkEntry->asked = FontStyle{.family = sans ? 1 : 0, .cjk = chinese ? 2 : 1};
    cjkEntry->sizes = {0};
    cjkEntry->inked = entry.inked;
    entries.push_back(std::move(cjkEntry));
    return id = static_cast<int>(entries.size()) - 1;
}

const std::vector<int>& LayerFonts::DesignSizes(int face) {
    Entry& entry = *entries[static_cast<std::size_t>(face)];
    if (entry.designSizes.empty()) {
        // (Face adds entries, each kept where it is.)
        std::vector<int> faces;
        for (const int size : entry.sizes) {
            if (size != 0) faces.push_back(Face(entry.asked, entry.inked, size));
        }
        if (faces.empty()) faces.push_back(face);
        entry.designSizes = std::move(faces);
    }
    return entry.designSizes;
}

std::string_view LayerFonts::Typeface(int face) const {
    return entries[static_cast<std::size_t>(face)]->typeface;
}

FontStyle LayerFonts::Style(int face) const {
    return entries[static_cast<std::size_t>(face)]->style;
}

LayerFonts::Entry& LayerFonts::Open(int face, bool kerning) {
    Entry& entry = *entries[static_cast<std::size_t>(face)];
    const auto load = [&](const std::string& name) -> FT_Face {
        const std::string path = FindFontFile(name);
        FT_Face handle = nullptr;
        if (library->handle == nullptr || path.empty() ||
            FT_New_Face(library->handle, path.c_str(), entry.faceIndex, &handle) != 0)
            return nullptr;
        return handle;
    };
    if (!entry.opened) {
        entry.opened = true;
        entry.metricsFace = load(entry.metrics);
    }
    if (kerning && !entry.kerningOpened) {
        entry.kerningOpened = true;
        if (!entry.kerning.empty() && (entry.kerningFace = load(entry.kerning + ".pfb"))) {
            const std::string afm = FindFontFile(entry.kerning + ".afm");
            if (afm.empty() || FT_Attach_File(entry.kerningFace, afm.c_str()) != 0 ||
                !FT_HAS_KERNING(entry.kerningFace)) {
                FT_Done_Face(entry.kerningFace);
                entry.kerningFace = nullptr;
            }
        }
    }
    return entry;
}

std::optional<double> LayerFonts::Width(int face, char32_t c) {
    const std::uint64_t key = std::uint64_t(face) << 32 | c;
    if (const auto found = widths.find(key); found != widths.end()) return found->second;
    std::optional<double> width;
    if (FT_Face handle = Open(face, false).metricsFace) {
        const FT_UInt index = FT_Get_Char_Index(handle, c);
        if (index != 0 && FT_Load_Glyph(handle, index, FT_LOAD_NO_SCALE) == 0)
            width = double(handle->glyph->metrics.horiAdvance) / handle->units_per_EM;
    }
    widths.emplace(key, width);
    return width;
}

double LayerFonts::Kerning(int face, char32_t a, char32_t b) {
    const std::uint64_t key = std::uint64_t(face) << 42 | std::uint64_t(a) << 21 | b;
    if (const auto found = kerning.find(key); found != kerning.end()) return found->second;
    double amount = 0.0;
    FT_Vector vector{};
    if (FT_Face handle = Open(face, true).kerningFace;
        handle != nullptr &&
        FT_Get_Kerning(handle, FT_Get_Char_Index(handle, a), FT_Get_Char_Index(handle, b),
                       FT_KERNING_UNSCALED, &vector) == 0)
        amount = double(vector.x) / handle->units_per_EM;
    kerning.emplace(key, amount);
    return amount;
}
