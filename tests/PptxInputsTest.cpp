// What the presentation writer reads besides the DVI file: font map lines, encoding
// files and papersize specials.
#include <gtest/gtest.h>

#include <sstream>

#include "pptx/FontMap.h"
#include "pptx/PaperSize.h"

namespace {

TEST(FontMap, Entries) {
    std::istringstream map(
        "% a comment\n"
        "cmr10 CMR10 <cmr10.pfb\n"
        "cmr10 Other <other.pfb\n"  // a second entry for a name: the first stays
        "ptmr8r Times-Roman \" TeXBase1Encoding ReEncodeFont \" <8r.enc <utmr8a.pfb\n"
        "ptmro8r Times-Roman \" .167 SlantFont TeXBase1Encoding ReEncodeFont \" <8r.enc "
        "<utmr8a.pfb\n"
        "ptmrr8rn Times-Roman \"0.82 ExtendFont TeXBase1Encoding ReEncodeFont\" <[8r.enc "
        "<<utmr8a.pfb\n"
        "spaced CMR10 < cmr10.pfb\n"
        "resident Helvetica\n"
        "\n"
        "  indented <not-an-entry.pfb\n"
        "bad \"X SlantFont\" <bad.pfb\n");
    FontMap fontMap;
    fontMap.Read(map);

    struct Case {
        std::string name, fontFile, encodingFile;
        double slant, extend;
    } cases[] = {
        {"cmr10", "cmr10.pfb", "", 0.0, 1.0},
        {"ptmr8r", "utmr8a.pfb", "8r.enc", 0.0, 1.0},
        {"ptmro8r", "utmr8a.pfb", "8r.enc", 0.167, 1.0},
        {"ptmrr8rn", "utmr8a.pfb", "8r.enc", 0.0, 0.82},
        {"spaced", "cmr10.pfb", "", 0.0, 1.0},
        {"resident", "", "", 0.0, 1.0},
        {"bad", "bad.pfb", "", 0.0, 1.0},
    };
    for (const Case& c : cases) {
        const FontMapEntry* entry = fontMap.Find(c.name);
        ASSERT_NE(entry, nullptr) << c.name;
        EXPECT_EQ(entry->fontFile, c.fontFile) << c.name;
        EXPECT_EQ(entry->encodingFile, c.encodingFile) << c.name;
        EXPECT_DOUBLE_EQ(entry->slant, c.slant) << c.name;
        EXPECT_DOUBLE_EQ(entry->extend, c.extend) << c.name;
    }
    EXPECT_EQ(fontMap.Find("indented"), nullptr);
    EXPECT_EQ(fontMap.Find("cmr12"), nullptr);
}

TEST(FontMap, EncodingFiles) {
    std::istringstream file(
        "% LIGKERN comments may hold / and [ ] ...\n"
        "/TestEncoding [ % the vector\n"
        "/A/B /C%/D is commented out\n"
        "/.notdef /quoteright\n"
        "] def\n");
    const std::vector<std::string> names = ReadEncoding(file);
    ASSERT_EQ(names.size(), 256u);
    EXPECT_EQ(names[0], "A");
    EXPECT_EQ(names[1], "B");
    EXPECT_EQ(names[2], "C");
    EXPECT_EQ(names[3], ".notdef");
    EXPECT_EQ(names[4], "quoteright");
    EXPECT_EQ(names[5], "");

    std::istringstream noVector("/TestEncoding def\n");
    EXPECT_TRUE(ReadEncoding(noVector).empty());
    std::istringstream unclosed("/TestEncoding [ /A /B\n");
    EXPECT_TRUE(ReadEncoding(unclosed).empty());
}

TEST(PaperSize, Specials) {
    struct Case {
        std::string special;
        double width, height;  // big points; 0 when the special is not read
    } cases[] = {
        {"papersize=8.5in,11in", 612, 792},
        {"papersize=5truein,4truein", 360, 288},
        {"papersize=72.27pt,7227pt", 72, 7200},
        {"papersize=254mm,2.54cm", 720, 72},
        {"papersize=100bp, 200bp", 100, 200},
        {"papersize=1pc,1sp", 12 * 72 / 72.27, 72 / 72.27 / 65536},
        {"papersize=1157dd,1cc", 1238 * 72 / 72.27, 12 * 1238.0 / 1157 * 72 / 72.27},
        {"papersize=", 0, 0},
        {"papersize=10pt", 0, 0},
        {"papersize=10pt,", 0, 0},
        {"papersize=10,20", 0, 0},
        {"papersize=10pt,20pt trailing", 0, 0},
        {"papersize=-10pt,20pt", 0, 0},
        {"papersize=0pt,20pt", 0, 0},
        {"papersize=1e3pt,20pt", 0, 0},
        {"landscape", 0, 0},
    };
    for (const Case& c : cases) {
        const std::optional<PaperSize> size = ParsePaperSize(c.special);
        if (c.width == 0) {
            EXPECT_FALSE(size.has_value()) << c.special;
            continue;
        }
        ASSERT_TRUE(size.has_value()) << c.special;
        EXPECT_NEAR(size->width, c.width, 1e-9 * c.width) << c.special;
        EXPECT_NEAR(size->height, c.height, 1e-9 * c.height) << c.special;
    }
}

}  // namespace
