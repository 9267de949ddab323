// Fuzz target: reading one TFM file from arbitrary bytes. Besides the sanitizers it
// checks what every successful read must give: arrays as long as the character range,
// a range that the bytes present really hold, and the same result whether the metrics
// object is fresh or was loaded with another font before (no state left from a load).
// The same bytes are read as a VF file, whose packets must lie within them, as a PK
// file, whose bitmaps must be as large as they say, as pTeX's JFM, whose character types
// must be entries of its tables, as a CMap, whose CIDs must be found within its ranges,
// and as an OpenType GSUB table, which may give texts only to glyphs that exist.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "BuiltinFonts.h"
#include "common/Failure.h"
#include "fonts/CMap.h"
#include "fonts/PkFont.h"
#include "fonts/TfmMetrics.h"
#include "fonts/VirtualFont.h"
#include "pptx/glyphs/GlyphTexts.h"

namespace {

struct Outcome {
    bool ok = false;
    std::string message;
    TfmMetrics metrics;
};

void Load(Outcome& outcome, const std::string& bytes) {
    std::istringstream in(bytes);
    try {
        outcome.metrics.Read(in, "fuzz");
        outcome.ok = true;
    } catch (const Failure& failure) {
        outcome.message = failure.Message();
    }
}

bool Same(const TfmMetrics& a, const TfmMetrics& b) {
    return a.lf == b.lf && a.lh == b.lh && a.bc == b.bc && a.ec == b.ec && a.nw == b.nw &&
           a.nh == b.nh && a.nd == b.nd && a.ni == b.ni && a.nl == b.nl && a.nk == b.nk &&
           a.ne == b.ne && a.np == b.np && a.width == b.width && a.height == b.height &&
           a.depth == b.depth && a.italic == b.italic && a.tag == b.tag &&
           a.remainder == b.remainder && a.checksum == b.checksum && a.designSize == b.designSize;
}

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    try {
        const VirtualFont font = ReadVirtualFont(bytes, "fuzz");
        std::size_t held = 0;
        for (const auto& [code, packet] : font.packets) held += packet.size();
        for (const VirtualFont::LocalFont& local : font.fonts) held += local.name.size();
        Check(held <= size);
    } catch (const Failure&) {
    }
    try {
        for (const auto& [code, glyph] : ReadPkFont(bytes, "fuzz").glyphs) {
            Check(glyph.pixels.size() ==
                  static_cast<std::size_t>(glyph.width) * static_cast<std::size_t>(glyph.height));
        }
    } catch (const Failure&) {
    }

    try {
        std::istringstream in(bytes);
        TfmMetrics japanese;
        japanese.Read(in, "fuzz", true);
        const std::size_t entries = static_cast<std::size_t>(japanese.ec - japanese.bc + 1);
        Check(japanese.width.size() == entries);
        for (const auto& [code, type] : japanese.charTypes) Check(type < entries);
        for (const std::int32_t c : {0, 0x2121, 0x3042, 0x10000})
            Check(!japanese.jfm ||
                  (japanese.Index(c) >= 0 && japanese.Index(c) < std::int64_t(entries)));
    } catch (const Failure&) {
    }
    {
        const CMap map = CMap::Read(
            bytes, [&](const std::string&) { return std::optional(bytes); }, 2);
        for (std::uint32_t code = 0; code < 0x10000; code += 0x0FFF) map.Cid(code, 2);
        std::vector<std::string> texts(64);
        texts[1] = "a";
        texts[2] = "f";
        AddSubstitutionTexts(bytes, texts);
        Check(texts.size() == 64);
    }

    Outcome fresh;
    Load(fresh, bytes);

    static const std::string previous = BuiltinFonts().front().tfm;
    Outcome reused;
    Load(reused, previous);
    Check(reused.ok);
    reused.ok = false;
    Load(reused, bytes);

    Check(fresh.ok == reused.ok);
    Check(fresh.message == reused.message);
    if (!fresh.ok) return 0;
    Check(Same(fresh.metrics, reused.metrics));

    const TfmMetrics& m = fresh.metrics;
    const std::size_t count = static_cast<std::size_t>(m.ec - m.bc + 1);
    for (const auto* array : {&m.width, &m.height, &m.depth, &m.italic, &m.tag, &m.remainder}) {
        Check(array->size() == count);
    }
    // Header words 0 and 1 plus one char_info word per character are really there.
    Check(size >= 32 + 4 * count);
    return 0;
}
