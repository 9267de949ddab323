// The text of glyphs (glyph lists and naming rules), the style of TeX fonts in the text
// layer, hyperref's link specials and the slide relationships their addresses go into.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "fonts/FontStyle.h"
#include "fonts/GlyphNames.h"
#include "pptx/LinkSpecials.h"
#include "pptx/package/PackageParts.h"
#include "pptx/text/TextLayer.h"

TEST(GlyphNames, ListsAndNamingRules) {
    GlyphNames names;
    std::istringstream lists(
        "# comment;0041\nA;0041\nf;0066\ni;0069\ndotlessj;F6BE,0237\nDelta;2206,0394\n"
        "bad;XYZ\nsummation;2211\nA;0042\ncontrolBS;0008\n");
    names.Read(lists);
    for (const auto& [name, text] : std::initializer_list<std::pair<const char*, const char*>>{
             {"A", "A"},              // the first entry of a name holds
             {"dotlessj", "\u0237"},  // the first alternative outside private use
             {"Delta", "\u2206"},
             {"f_f_i", "ffi"},                // a ligature of listed names
             {"A.sc", "A"},                   // a suffix is dropped
             {"summationdisplay", "\u2211"},  // TeX's size names
             {"uni00E900E8", "\u00E9\u00E8"},
             {"u1D44E", "\U0001D44E"},  // every bit of the last byte counts
             {"uni00e9", ""},           // lowercase digits are no code
             {"uniD800", ""},           // nor is a surrogate
             {"controlBS", ""},         // nor what XML cannot hold
             {"uniFFFE", ""},
             {"u110000", ""},
             {"bad", ""},
             {"unknown", ""}}) {
        EXPECT_EQ(names.Text(name), text) << name;
    }
    EXPECT_EQ(EncodingOfCodingScheme("TeX math italic"), "lm-mathit.enc");
    EXPECT_EQ(EncodingOfCodingScheme("EXTENDED TEX FONT ENCODING - LATIN"), "lm-ec.enc");
    EXPECT_EQ(EncodingOfCodingScheme("TEX TEXT COMPANION SYMBOLS 1---TS1"), "lm-ts1.enc");
    EXPECT_EQ(EncodingOfCodingScheme("UNSPECIFIED"), "");
}

TEST(FontStyle, StyleOfTexFonts) {
    // family, bold, italic, small capitals, mathematical italic
    for (const auto& [font, scheme, style] :
         std::initializer_list<std::tuple<const char*, const char*, FontStyle>>{
             {"cmr10", "TEX TEXT", {}},
             {"cmbx12", "TEX TEXT", {0, true}},
             {"cmti10", "TEX TEXT", {0, false, true}},
             {"cmmi10", "TEX MATH ITALIC", {0, false, true, false, true}},
             {"cmcsc10", "TEX TEXT WITHOUT F-LIGATURES", {0, false, false, true}},
             {"ec-lmcsc10", "", {0, false, false, true}},
             {"cmex10", "TEX MATH EXTENSION", {3}},
             {"cmbsy10", "", {3, true}},
             {"cmss10", "TEX TEXT", {1}},
             {"cmtt10", "TEX TYPEWRITER TEXT", {2}},
             {"ec-lmbx10", "", {0, true}},
             {"ec-lmtt10", "", {2}},
             {"ptmri8r", "", {0, false, true}},
             {"phvb8r", "", {1, true}}}) {
        EXPECT_EQ(StyleOfFont(font, scheme), style) << font;
    }
}

TEST(LinkSpecials, LinksAndDestinations) {
    LinkSpecials links(10.0);  // ten EMU to the point
    links.Read("ps:SDict begin [/View [/XYZ H.V]/Dest (sec.2) cvn /DEST pdfmark end", 0, 0, 3);
    links.Read("ps:SDict begin H.S end", 100, 500, 1);
    links.Read("ps:SDict begin H.R end", 300, 400, 1);
    links.Read(
        "ps:SDict begin [/H /I/Action <</Subtype/URI/URI(http://a.org/x\\(1\\)\\167)>>"
        "/Subtype /Link H.B /ANN pdfmark end",
        0, 0, 1);
    links.Read("ps:SDict begin H.S end", 100, 500, 1);
    links.Read("ps:SDict begin 12 H.L end", 200, 500, 1);
    links.Read("ps:SDict begin [/Subtype /Link/Dest (sec.2) cvn H.B /ANN pdfmark end", 0, 0, 1);
    links.Read("ps:SDict begin [/A << /S /GoTo /D <73656332> >> H.B /LNK pdfmark end", 0, 0, 1);
    links.Read("ps:SDict begin [/Action /Named /N /NextPage H.B /ANN pdfmark end", 0, 0, 1);
    links.Read("ps:SDict begin [/URI (unterminated H.B /ANN pdfmark end", 0, 0, 1);
    const std::vector<PageLink> page = links.TakePage();
    ASSERT_EQ(page.size(), 3u);
    // H.S to H.R, a point of border around; H.L reaches the baseline skip less 2 points up.
    EXPECT_EQ(std::tie(page[0].left, page[0].top, page[0].right, page[0].bottom, page[0].uri),
              std::make_tuple(90, 390, 310, 510, std::string("http://a.org/x(1)w")));
    EXPECT_EQ(std::tie(page[1].left, page[1].top, page[1].right, page[1].bottom),
              std::make_tuple(90, 400, 200, 510));
    EXPECT_EQ(page[1].destination, "sec.2");
    EXPECT_EQ(page[2].destination, "sec2");
    EXPECT_EQ(links.SlideOf("sec.2"), 3u);
    EXPECT_FALSE(links.SlideOf("sec2").has_value());
    EXPECT_TRUE(links.TakePage().empty());
}

TEST(LinkSpecials, DvipdfmxLinksCoverWhatIsSetOnePiecePerLine) {
    // pdf:bann ... pdf:eann: a link over the boxes of what is set between them; a box on
    // another line, or back to the left, starts its next piece; a link still open at the
    // page's end is broken there and goes on on the next page.
    LinkSpecials links(10.0);
    links.ReadPdf("pdf:dest (sec.1) [@thispage /XYZ @xpos @ypos null]", 2);
    links.ReadPdf("pdf:bann<</Type/Annot/Subtype/Link/A<</S/URI/URI(https://a.org)>>>>", 1);
    links.Extend(100, 80, 110, 102);
    links.Extend(110, 85, 125, 100);  // the same line: the piece widens
    links.Extend(20, 120, 40, 142);   // the next line
    links.ReadPdf("pdf:eann", 1);
    links.Extend(200, 80, 210, 100);  // after the link: nothing
    links.ReadPdf("pdf: bann <</A<</S/GoTo/D(sec.1)>>>>", 1);
    links.ReadPdf("pdf:bann <</A<</S/Launch/F(x)>>>>", 1);  // not a link a slide follows
    links.Extend(50, 300, 60, 320);
    std::vector<PageLink> page = links.TakePage();
    ASSERT_EQ(page.size(), 3u);
    EXPECT_EQ(std::tie(page[0].left, page[0].top, page[0].right, page[0].bottom, page[0].uri),
              std::make_tuple(100, 80, 125, 102, std::string("https://a.org")));
    EXPECT_EQ(std::tie(page[1].left, page[1].top, page[1].right, page[1].bottom),
              std::make_tuple(20, 120, 40, 142));
    EXPECT_EQ(std::tie(page[2].left, page[2].top, page[2].destination),
              std::make_tuple(50, 300, std::string("sec.1")));
    links.Extend(10, 10, 20, 20);
    links.ReadPdf("pdf:eann", 2);
    page = links.TakePage();
    ASSERT_EQ(page.size(), 1u);
    EXPECT_EQ(page[0].destination, "sec.1");
    EXPECT_EQ(links.SlideOf("sec.1"), 2u);
}

TEST(PackageParts, SlideRelationshipsEscapeAddresses) {
    const std::string xml =
        parts::SlideRelationships({{4, ""}, {0, "http://a.org/?a=1&b=\"2\"<x> \xC3\xA9"}});
    EXPECT_NE(xml.find("Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                       "relationships/slide\" Target=\"slide4.xml\"/>"),
              std::string::npos);
    EXPECT_NE(xml.find("Target=\"http://a.org/?a=1&amp;b=%222%22%3Cx%3E%20%C3%A9\" "
                       "TargetMode=\"External\"/>"),
              std::string::npos);
}

// What pdftotext makes of the transparent text depends on sizes and gaps alone: it
// joins characters of one size into one word less than a tenth of it apart. Each case:
// characters as TeX set them, one word in TeX's PDF; each pair of neighbours on the
// slide must keep to those rules.
TEST(TextLayer, TeXsWordsStayWordsForReaders) {
    struct Case {
        const char* what;
        FontStyle style;
        double points;
        struct Char {
            const char* text;
            double advance, kern;  // in ems
        };
        std::vector<Char> chars;
    };
    FontStyle roman, mathItalic;
    mathItalic.italic = mathItalic.mathItalic = true;
    const Case cases[] = {
        // ccicons' "cba": glyph names as text, the glyphs far wider than the letters.
        {"icon letters", roman, 20, {{"c", 1.2, 0}, {"b", 1.2, 0}, {"a", 1.2, 0}}},
        // \partial V in cmmi7: the symbol in the mathematical face, the letter in
        // another, with the symbol's italic correction between them.
        {"a symbol and a letter", mathItalic, 7, {{"\u2202", 0.61, 0.0615}, {"V", 0.675, 0}}},
    };
    constexpr double emuPerPoint = 12700;
    const std::regex run(
        R"re(<a:off x="(-?\d+)"[^>]*/><a:ext cx="(\d+)"|<a:rPr sz="(\d+)"(?: i="1")?(?: spc="(-?\d+)")?)re");
    for (const Case& c : cases) {
        TextLayer layer;
        std::int64_t x = 0;
        const auto size = std::llround(c.points * emuPerPoint);
        for (const auto& [text, ems, kern] : c.chars) {
            const auto advance = std::llround(ems * c.points * emuPerPoint);
            layer.Add(text, x, 0, advance, size, c.style, std::nullopt);
            x += advance + std::llround(kern * c.points * emuPerPoint);
        }
        SlideShapes shapes;
        layer.Finish(shapes);
        const std::string slide = shapes.Finish(nullptr);
        // Each run, with the extent of its text box, in the order of the slide.
        std::vector<std::tuple<double, double, int>> boxes;  // left, right, size (EMU)
        double left = 0, right = 0;
        for (auto m = std::sregex_iterator(slide.begin(), slide.end(), run);
             m != std::sregex_iterator(); ++m) {
            if ((*m)[1].matched) {
                left = std::stod((*m)[1]), right = left + std::stod((*m)[2]);
                continue;
            }
            const int hundredths = std::stoi((*m)[3]);
            const double spacing = (*m)[4].matched ? std::stod((*m)[4]) : 0;
            EXPECT_LE(spacing, hundredths * 0.1) << c.what << ": letters spaced apart";
            boxes.emplace_back(left, right, hundredths);
        }
        ASSERT_FALSE(boxes.empty()) << c.what;
        for (std::size_t i = 1; i < boxes.size(); ++i) {
            const auto [left0, right0, size0] = boxes[i - 1];
            const auto [left1, right1, size1] = boxes[i];
            // (Characters of two sizes are two words, which it joins when less than 0.03
            // of the first's size apart.)
            EXPECT_LE(left1 - right0, size0 * 127 * (size0 == size1 ? 0.1 : 0.03))
                << c.what << ": a gap in one word, sizes " << size0 << " and " << size1;
        }
    }
}
