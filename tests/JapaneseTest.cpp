// What pTeX's and XeTeX's fonts need beyond TeX's: JFM metrics with their character
// types, CMaps from codes to CIDs, and the texts OpenType's GSUB gives a font's glyphs.
#include <gtest/gtest.h>

#include <sstream>

#include "common/Failure.h"
#include "fonts/CMap.h"
#include "fonts/TfmMetrics.h"
#include "pptx/glyphs/GlyphTexts.h"
#include "support/TfmBuilder.h"

namespace {

// A JFM made from a TFM of the types' dimensions (bc 0): its identification, then the
// char_type words (code's low two bytes, third byte, type) after the header.
std::string Jfm(int id, const std::vector<std::pair<std::uint32_t, int>>& types, TfmBuilder tfm) {
    tfm.bc = 0;
    const std::string plain = tfm.Build();
    std::string out;
    const auto put = [&](std::uint32_t v, int n) {
        for (int i = n - 1; i >= 0; --i) out.push_back(char(v >> (8 * i)));
    };
    put(static_cast<std::uint32_t>(id), 2);
    put(static_cast<std::uint32_t>(types.size()), 2);
    out += plain.substr(0, 24 + 4 * static_cast<std::size_t>(tfm.lh));
    for (const auto& [code, type] : types) {
        put(code & 0xFFFF, 2);
        put(code >> 16, 1);
        put(static_cast<std::uint32_t>(type), 1);
    }
    return out + plain.substr(24 + 4 * static_cast<std::size_t>(tfm.lh));
}

TEST(Jfm, CharacterTypesAndDirection) {
    TfmBuilder types;
    types.chars = {{0x100000, 0x0E0000, 0x020000}, {0x080000, 0x0E0000, 0x020000}};
    const std::string horizontal = Jfm(11, {{0, 0}, {0x2122, 1}, {0x20BB7, 1}}, types);
    TfmMetrics jfm;
    std::istringstream in(horizontal);
    jfm.Read(in, "min10", true);
    EXPECT_TRUE(jfm.jfm);
    EXPECT_FALSE(jfm.vertical);
    EXPECT_EQ(jfm.checksum, types.checksum);
    // A listed code has its type (upTeX's third byte too), any other type 0.
    for (const auto& [code, type] : std::vector<std::pair<std::int32_t, std::int64_t>>{
             {0x2122, 1}, {0x20BB7, 1}, {0x0BB7, 0}, {0x2121, 0}, {-5, 0}})
        EXPECT_EQ(jfm.Index(code), type) << code;
    EXPECT_EQ(jfm.width, (std::vector<std::int32_t>{0x100000, 0x080000}));
    std::istringstream vertical(Jfm(9, {{0, 0}}, types));
    jfm.Read(vertical, "tmin10", true);
    EXPECT_TRUE(jfm.vertical);
    // Read as TeX's TFM (deckgen's reader) a JFM is refused; a type beyond the table is.
    const std::pair<std::string, bool> refused[] = {
        {horizontal, false},
        {Jfm(11, {{0x2122, 2}}, types), true},
        {horizontal.substr(0, 40), true},
    };
    for (const auto& [bytes, japanese] : refused) {
        std::istringstream file(bytes);
        EXPECT_THROW(TfmMetrics().Read(file, "bad", japanese), Failure);
    }
}

TEST(CMap, RangesCharactersAndTheMapsUsed) {
    const auto load = [](const std::string& name) -> std::optional<std::string> {
        if (name == "Base")
            return "%!PS\n/CIDInit /ProcSet findresource begin\n2 begincidrange\n"
                   "<2121> <217e> 633\n<2221> <222e> 727\nendcidrange\n"
                   "1 begincidrange <d840dc00> <d840dcff> 13000 endcidrange end";
        if (name == "Loop") return "/Loop usecmap";
        return std::nullopt;
    };
    const CMap map = CMap::Read(
        "(a string with <2121> 5 in it) /Base usecmap /WMode 1 def\n"
        "% <2122> 9 a comment\n2 begincidchar\n<2122> 7041\n<21 24> 7042\nendcidchar\n"
        "/Loop usecmap /Missing usecmap 1 begincidrange <21> <7e> 1 endcidrange",
        load);
    EXPECT_TRUE(map.Vertical());
    const std::tuple<std::uint32_t, int, std::optional<std::uint32_t>> lookups[] = {
        {0x2121, 2, 633},       {0x2122, 2, 7041}, {0x2123, 2, 635},  {0x217E, 2, 726},
        {0x2221, 2, 727},       {0x217F, 2, {}},   {0x41, 1, 33},     {0x2121, 1, {}},
        {0xD840DC05, 4, 13005}, {0x2120, 2, {}},   {0x2124, 2, 7042},
    };
    for (const auto& [code, length, cid] : lookups) EXPECT_EQ(map.Cid(code, length), cid) << code;
}

// A GSUB table whose feature list holds "c2sc" (lookup 0, capital to small capital, and
// lookup 2, the ligature A B) and "smcp" (lookup 1, an extension: lower case to small
// capital). Glyphs 1 A, 2 B and 3 a have text; 4 is the small capital, 5 the ligature,
// 6 a glyph no lookup makes. Each line is one table, at the offset its comment gives.
std::string Gsub() {
    std::string t;
    const auto put = [&](std::initializer_list<std::uint32_t> values) {
        for (const std::uint32_t v : values) t += {char(v >> 8), char(v)};
    };
    put({1, 0, 0, 10, 38});                                    // 0: header
    put({2}), t += "c2sc", put({14}), t += "smcp", put({22});  // 10: features
    put({0, 2, 0, 2});                                         // 24: c2sc
    put({0, 1, 1});                                            // 32: smcp
    put({3, 8, 28, 58});                                       // 38: lookups
    put({1, 0, 1, 8}), put({1, 6, 3}), put({1, 1, 1});         // 46: single, 1 + 3
    put({7, 0, 1, 8}), put({1, 1, 0, 8});                      // 66: extension to 82
    put({2, 8, 1, 4}), put({1, 1, 3});                         // 82: single, 3 -> 4
    put({4, 0, 1, 8}), put({1, 8, 1, 14}), put({1, 1, 1});     // 96: ligatures of 1
    put({1, 4}), put({5, 2, 2});                               // 118: 5 = 1 2
    return t;
}

TEST(GlyphTexts, SubstitutionsInTheFeatureListsOrder) {
    std::vector<std::string> texts{"", "A", "B", "a", "", "", ""};
    AddSubstitutionTexts(Gsub(), texts);
    // The small capital is c2sc's "A" (the first feature by tag), not smcp's "a".
    EXPECT_EQ(texts, (std::vector<std::string>{"", "A", "B", "a", "A", "AB", ""}));
    // Cut anywhere, the table gives no more than it can, and never out of its bounds.
    const std::string whole = Gsub();
    for (std::size_t length = 0; length < whole.size(); ++length) {
        std::vector<std::string> cut{"", "A", "B", "a", "", "", ""};
        AddSubstitutionTexts(std::string_view(whole).substr(0, length), cut);
        EXPECT_TRUE(cut[6].empty());
    }
}

}  // namespace
