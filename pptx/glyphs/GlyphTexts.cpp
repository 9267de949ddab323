// OpenType's GSUB table, as far as texts need it: the lookup list, the extension
// lookups (type 7) that wrap others, and the single (1), alternate (3) and ligature (4)
// substitutions with their coverage tables.
#include "pptx/glyphs/GlyphTexts.h"

#include <cstdint>
#include <optional>

namespace {

class Table {
  public:
    explicit Table(std::string_view bytes) : bytes(bytes) {}
    // Big-endian numbers at an offset; none beyond the table.
    std::optional<std::uint32_t> U16(std::size_t at) const {
        if (at + 2 > bytes.size() || at + 2 < at) return std::nullopt;
        return std::uint32_t{std::uint8_t(bytes[at])} << 8 | std::uint8_t(bytes[at + 1]);
    }
    std::optional<std::uint32_t> U32(std::size_t at) const {
        const auto high = U16(at), low = U16(at + 2);
        if (!high || !low) return std::nullopt;
        return *high << 16 | *low;
    }

  private:
    std::string_view bytes;
};

// Work is counted in glyphs visited, so that a hostile table costs time in proportion
// to the font.
class Substitutions {
  public:
    Substitutions(std::string_view gsub, std::vector<std::string>& texts)
        : table(gsub),
          texts(texts),
          base(texts),
          budget(65536 + 64 * static_cast<std::int64_t>(texts.size())) {}

    // The lookups of every feature, in the feature list's order (by tag), as a PDF
    // writer that wants every glyph's text runs them.
    void Run() {
        const auto featureList = table.U16(6), lookupList = table.U16(8);
        if (!featureList || !lookupList) return;
        const auto features = table.U16(*featureList), lookups = table.U16(*lookupList);
        if (!features || !lookups) return;
        for (std::uint32_t f = 0; f < *features && budget > 0; ++f) {
            const auto feature = table.U16(*featureList + 2 + 6 * f + 4);
            if (!feature) return;
            const std::size_t at = *featureList + *feature;
            const auto indices = table.U16(at + 2);
            if (!indices) continue;
            for (std::uint32_t i = 0; i < *indices && budget > 0; ++i, --budget) {
                const auto index = table.U16(at + 4 + 2 * i);
                if (!index || *index >= *lookups) break;
                const auto offset = table.U16(*lookupList + 2 + 2 * *index);
                if (offset) Lookup(*lookupList + *offset);
            }
        }
    }

  private:
    void Lookup(std::size_t at) {
        const auto type = table.U16(at), subtables = table.U16(at + 4);
        if (!type || !subtables) return;
        for (std::uint32_t i = 0; i < *subtables && budget > 0; ++i, --budget) {
            const auto offset = table.U16(at + 6 + 2 * i);
            if (!offset) return;
            std::size_t subtable = at + *offset;
            std::uint32_t kind = *type;
            if (kind == 7) {  // an extension: the real subtable's type and 32-bit offset
                const auto real = table.U16(subtable + 2);
                const auto far = table.U32(subtable + 4);
                if (!real || !far) continue;
                kind = *real;
                subtable += *far;
            }
            Subtable(kind, subtable);
        }
    }

    // The glyphs a coverage table lists, in coverage-index order.
    std::vector<std::uint32_t> Coverage(std::size_t at) {
        std::vector<std::uint32_t> glyphs;
        const auto format = table.U16(at), count = table.U16(at + 2);
        if (!format || !count || (*format != 1 && *format != 2)) return glyphs;
        for (std::uint32_t i = 0; i < *count && budget > 0; ++i, --budget) {
            if (*format == 1) {
                const auto glyph = table.U16(at + 4 + 2 * i);
                if (!glyph) break;
                glyphs.push_back(*glyph);
            } else {
                const std::size_t range = at + 4 + 6 * std::size_t{i};
                const auto first = table.U16(range), last = table.U16(range + 2);
                if (!first || !last) break;
                for (std::uint32_t g = *first; g <= *last && budget > 0; ++g, --budget)
                    glyphs.push_back(g);
            }
        }
        return glyphs;
    }

    void Subtable(std::uint32_t type, std::size_t at) {
        const auto format = table.U16(at), coverageOffset = table.U16(at + 2);
        if (!format || !coverageOffset) return;
        const std::vector<std::uint32_t> covered = Coverage(at + *coverageOffset);
        if (type == 1 && *format == 1) {
            const auto delta = table.U16(at + 4);
            if (!delta) return;
            for (const std::uint32_t glyph : covered) Derive((glyph + *delta) & 0xFFFF, glyph);
        } else if (type == 1 && *format == 2) {
            for (std::size_t i = 0; i < covered.size(); ++i) {
                const auto substitute = table.U16(at + 6 + 2 * i);
                if (!substitute) break;
                Derive(*substitute, covered[i]);
            }
        } else if ((type == 3 || type == 4) && *format == 1) {
            // One set per covered glyph: alternates, or ligatures starting with it.
            for (std::size_t i = 0; i < covered.size() && budget > 0; ++i, --budget) {
                const auto setOffset = table.U16(at + 6 + 2 * i);
                if (!setOffset) break;
                const std::size_t set = at + *setOffset;
                const auto members = table.U16(set);
                if (!members) continue;
                for (std::uint32_t m = 0; m < *members && budget > 0; ++m, --budget) {
                    const auto member = table.U16(set + 2 + 2 * m);
                    if (!member) break;
                    if (type == 3)
                        Derive(*member, covered[i]);
                    else
                        Ligature(set + *member, covered[i]);
                }
            }
        }
    }

    // A ligature: its glyph, its component count, the components after the first.
    void Ligature(std::size_t at, std::uint32_t first) {
        const auto glyph = table.U16(at), components = table.U16(at + 2);
        if (!glyph || !components || *glyph >= texts.size() || !texts[*glyph].empty()) return;
        if (first >= base.size() || base[first].empty()) return;
        std::string text = base[first];
        for (std::uint32_t c = 1; c < *components && budget > 0; ++c, --budget) {
            const auto component = table.U16(at + 4 + 2 * (c - 1));
            if (!component || *component >= base.size() || base[*component].empty()) return;
            text += base[*component];
        }
        texts[*glyph] = std::move(text);
    }

    void Derive(std::uint32_t glyph, std::uint32_t from) {
        if (glyph < texts.size() && from < base.size() && texts[glyph].empty())
            texts[glyph] = base[from];
    }

    Table table;
    std::vector<std::string>& texts;
    const std::vector<std::string> base;  // the texts of the character map, sources only
    std::int64_t budget;                  // glyphs visited, in proportion to the font's
};

}  // namespace

void AddSubstitutionTexts(std::string_view gsub, std::vector<std::string>& texts) {
    Substitutions(gsub, texts).Run();
}
