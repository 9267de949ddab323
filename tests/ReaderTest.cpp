// The DVI reader seen through its callbacks: file structure, every command, font
// definitions and every failure. Font "tst" at scaled size 2^20 makes DVI dimensions
// equal the fix_words: B is 5 wide, 7 high, -2 deep; C 3, 4 and 2; D 1, 1 and -1. And
// the specials given to the handlers of their prefixes.
#include <gtest/gtest.h>

#include "common/Failure.h"
#include "dvi/DviReader.h"
#include "dvi/SpecialDispatch.h"
#include "support/TestFont.h"

namespace {

// A reader that writes a line per callback, and "failure: " and the message if one is raised.
struct TraceReader : DviReader {
    explicit TraceReader(bool extended = false) : DviReader(extended) {}
    using DviReader::num, DviReader::den, DviReader::mag, DviReader::totalPages;
    std::string Run(const std::string& dvi) {
        try {
            Open(std::make_unique<std::istringstream>(dvi));
            ReadPages();
        } catch (const Failure& failure) {
            trace << "failure: " << failure.Message();
        }
        return trace.str();
    }
    void OnSpecial(std::string text) override { trace << "special '" << text << "'\n"; }
    void OnChar(std::int32_t c) override { trace << "char " << c << At(); }
    void OnRule(std::int32_t a, std::int32_t b) override {
        trace << "rule " << a << "x" << b << At();
    }
    void OnBeginPage(std::int32_t n) override { trace << "begin " << n << "\n"; }
    void OnGlyphs(const NativeFont& font, const std::vector<PlacedGlyph>& glyphs,
                  std::int32_t width, std::u16string_view text) override {
        trace << "glyphs " << font.file << "#" << font.index << " " << font.size << " "
              << (font.vertical ? "vertical " : "") << std::hex << font.rgba.value_or(0) << std::dec
              << " " << font.extend << " " << font.slant << " " << font.embolden << " width "
              << width << " text " << text.size() << ":";
        for (const PlacedGlyph& glyph : glyphs)
            trace << " " << glyph.id << "@" << glyph.h << "," << glyph.v;
        trace << At();
    }
    void OnEndPage(std::int32_t n) override {
        trace << "end " << n << " box " << minH << "," << maxH << "," << minV << "," << maxV
              << At();
    }
    std::string At() const { return " at " + std::to_string(h) + "," + std::to_string(v) + "\n"; }
    std::ostringstream trace;
};

class Reader : public ::testing::Test {
  protected:
    void SetUp() override {
        TfmBuilder font = TestFont();
        font.chars.insert(font.chars.end(), {{3, 4, 2}, {1, 1, -1}});
        kpsewhich.AddFont("tst", font.Build());
    }
    // A file of one page that defines tst as font 0 and selects it, then runs `commands`.
    static std::string Page(const std::string& commands, int stackDepth = 100) {
        DviBuilder dvi;
        DefineTst(dvi.Pre().Bop()).Op(171).Text(commands).Eop();
        return dvi.Finish(stackDepth);
    }
    static std::string Trace(const std::string& dvi) { return TraceReader().Run(dvi); }
    FakeKpsewhich kpsewhich;
};

TEST_F(Reader, EveryCommand) {
    // Both ends of each opcode range; one-byte parameters are negative where signed.
    DviBuilder d;
    d.Op(246, 63, 4).Value(tstChecksum, 4).Value(1 << 21, 4).Value(tstDesignSize, 4);
    d.Byte(0).Byte(3).Text("tst");  // fnt_def4: font 63 is tst at twice the size
    d.Op(66).Op(128, 66, 1).Op(131, 67, 4).Op(133, 66, 1).Op(136, 67, 4);  // set, put
    d.Op(143, 0xFF, 1).Op(146, 1000, 4);                                   // right
    d.Op(148, 0xFE, 1).Op(147).Op(151, 100, 4).Op(147);                    // w
    d.Op(153, 0xFD, 1).Op(152).Op(156, 10000, 4).Op(152);                  // x
    d.Op(157, 0xFC, 1).Op(160, 300, 4);                                    // down
    d.Op(162, 0xFB, 1).Op(161).Op(165, 40, 4).Op(161);                     // y
    d.Op(167, 0xFA, 1).Op(166).Op(170, 50, 4).Op(166).Op(138);             // z, nop
    d.Op(141).Op(148, 1, 1).Op(153, 1, 1).Op(162, 1, 1).Op(167, 1, 1).Op(66).Op(142);
    d.Op(147).Op(152).Op(161).Op(166);                            // w, x, y, z from before push
    d.Op(234).Op(66).Op(235, 0, 1).Op(66).Op(238, 63, 4).Op(67);  // fonts 63, 0, 63
    d.Rule(132, 1, 1).Rule(137, 3000, 4).Rule(132, 0, 1000).Rule(137, 5, 0).Rule(132, 5, -3);
    d.Special(std::string("a\0b", 3)).Special("").Op(242, 1, 4).Text("z");
    d.Op(239, 200, 1).Text(std::string(200, 'x'));
    d.Op(241, 70000, 3).Text(std::string(70000, 'y'));  // more than one slice
    EXPECT_EQ(Trace(Page(d.bytes)),
              "begin 1\nchar 66 at 0,0\nchar 66 at 5,0\nchar 67 at 10,0\nchar 66 at 13,0\n"
              "char 67 at 13,0\nchar 66 at 21204,456\nchar 66 at 31302,544\nchar 66 at 31312,544\n"
              "char 67 at 31317,544\nrule 1x1 at 31323,544\nrule 3000x4 at 31324,544\nspecial 'a" +
                  std::string(1, '\0') + "b'\nspecial ''\nspecial 'z'\nspecial '" +
                  std::string(200, 'x') + "'\nspecial '" + std::string(70000, 'y') +
                  "'\nend 1 box 0,31328,-2456,548 at 32321,544\n");
}

TEST_F(Reader, PagesAndFonts) {
    // Pages count in file order, nop around them; registers wrap, and start afresh with
    // the stack on each page; the font stays. Units come from the preamble. The postamble's
    // fonts are looked up at once, matched by name. A repeated definition changes nothing;
    // another number has its own size; a new name under a number reloads the current font.
    TfmBuilder wide = TestFont();
    wide.chars[1].width = 50;
    kpsewhich.AddFont("wide", wide.Build());
    kpsewhich.AddFont("fonts/tst", TestFont().Build());
    DviBuilder dvi, list;
    DefineTst(dvi.Byte(138).Pre(1, 2, 3, "comment").Bop(7), 3).Op(174).Op(151, INT32_MAX, 4);
    dvi.Op(147).Op(133, 68, 1).Op(141).Eop();  // w0 wraps to -2; the push is never popped
    dvi.Byte(138).Bop(-3).Op(141).Op(147).Op(66);
    DefineTst(DefineTst(dvi, 3, 1 << 21).Op(66), 1, 1 << 22).Op(172).Op(66).Op(174);
    dvi.FontDef(3, tstChecksum, 1 << 21, tstDesignSize, "wide").Op(66);
    dvi.FontDef(4, tstChecksum, 1 << 20, tstDesignSize, "tst", "fonts/").Op(175).Op(66).Eop();
    dvi.Bop(7).FontDef(2, tstChecksum, 1 << 20, tstDesignSize, "gone").Eop().Byte(138);
    dvi.postambleFonts =
        DefineTst(list.FontDef(2, 0, 0, 0, "gone"), 3).FontDef(4, 0, 0, 0, "tst", "fonts/").bytes;
    TraceReader reader;
    EXPECT_EQ(reader.Run(dvi.Finish(1, 9)),
              "begin 1\nchar 68 at -2,0\nend 1 box -2,0,-2,0 at -2,0\nbegin 2\nchar 66 at 0,0\n"
              "char 66 at 5,0\nchar 66 at 10,0\nchar 66 at 30,0\nchar 66 at 130,0\n"
              "end 2 box 0,135,-36,0 at 135,0\nbegin 3\nfailure: Failed to find gone.tfm file");
    // A font the postamble's lookup did not find is not asked for again.
    EXPECT_EQ(kpsewhich.Calls(), "gone.tfm tst.tfm\nwide.tfm\nfonts/tst.tfm\n");
    EXPECT_EQ(std::vector({reader.num, reader.den, reader.mag, reader.totalPages}),
              std::vector({1u, 2u, 3u, 9u}));
}

TEST_F(Reader, Failures) {
    const std::string good = DviBuilder().Pre().Bop().Eop().Finish();
    const std::size_t size = good.size();
    const auto with = [&](std::size_t i, char c) { return std::string(good).replace(i, 1, 1, c); };
    const auto def = [](std::int32_t c, std::int32_t d, const char* name) {
        return DviBuilder().FontDef(1, c, 1 << 20, d, name).bytes;
    };
    DviBuilder cut, noFont, between;  // cut: the file ends inside the postamble
    cut.Pre().Op(248, 0, 4).Value(1, 4).Op(249, 15, 4).Byte(2).Text("\xDF\xDF\xDF\xDF");
    noFont.Pre().Bop().Op(65).Eop();
    between.Pre().Bop().Eop().FontDef(0, 0, 1, 1, "x").Bop().Eop();
    kpsewhich.Answer("lost.tfm", "/nonexistent/lost.tfm\n");
    const std::pair<std::string, std::string> cases[] = {
        {DviBuilder().Pre().Finish(100, 0, 3), ""},
        {DviBuilder().Pre().Finish(100, 0, 100000), ""},  // more than one block read back
        {"", "Not a DVI file"},
        {DviBuilder().Pre().Finish(100, 0, 2), "Not a DVI file"},
        {"\x02\xDF\xDF", "Not a DVI file"},  // an identification byte and two 223
        {std::string(10, '\xDF'), "Invalid DVI version"},
        {with(size - 5, 3), "Invalid DVI version"},
        {with(size - 10, 0), "Could not find end of postamble"},
        {with(size - 6, 0), "Could not find start of postamble"},
        {with(size - 9, '\xFF'), "Could not find start of postamble"},
        {cut.bytes, "Stack allocation failure"},
        {with(0, '\x8B'), "Preamble not Found"},
        {with(1, 3), "Invalid DVI version"},
        {with(14, '\xFF'), "Could not find beginning of page"},  // the comment passes the end
        {between.Finish(), "Could not find beginning of page"},
        {Page(DviBuilder().Op(242, 0xFFFFFFFF, 4).bytes), "unexpected end of file in special"},
        {Page("\x8B"), "unexpected BOP"},
        {Page("\xF7"), "unexpected PRE"},
        {Page("\xF8"), "unexpected POST"},
        {Page("\xF9"), "unexpected POST_POST"},
        {Page("\xFA"), "undefined opcode"},
        {Page("\x8D\x8D", 1), "Stack overflow"},
        {Page("\x8D", 0), "Stack overflow"},
        {Page("\x8D\x8E\x8E"), "Stack underflow"},
        {Page("\xB0"), "Font number not found"},
        {noFont.Finish(), "Character 65 set while no font is selected"},
        {Page("\x7F"), "Character 127 is not in font tst"},
        {Page(DviBuilder().Op(129, 300, 2).bytes), "Character 300 is not in font tst"},
        {Page(DviBuilder().Op(134, 64, 2).bytes), "Character 64 is not in font tst"},
        {Page(def(0, tstDesignSize, "tst")), "Font checksum does not match tfm file"},
        {Page(def(tstChecksum, tstDesignSize + 1, "tst")),
         "Font tst design size does not match tfm file"},
        {Page(def(0, 0, "tst")), "Font tst design size does not match tfm file"},
        {Page(def(tstChecksum, tstDesignSize, "none")), "Failed to find none.tfm file"},
        {Page(def(tstChecksum, tstDesignSize, "lost")), "Failed to open lost.tfm file"},
        {Page(def(tstChecksum, tstDesignSize, "")), "Font 1 is defined with an empty name"},
    };
    for (const auto& [dvi, message] : cases) {
        const std::string trace = Trace(dvi);
        const std::size_t at = trace.find("failure: ");
        EXPECT_EQ(at == std::string::npos ? "" : trace.substr(at + 9), message) << trace;
    }
}

TEST_F(Reader, XeTeXAndPTeX) {
    // XeTeX's XDV (7 at both ends): a font file with every effect, a glyph run placed from
    // the current point that then moves right by its width, one with its text, and TFM
    // fonts beside them. pTeX's DVI (3 in the postamble): in direction 1 moving right goes
    // down and moving down goes left, a rule lies along the line, and pop restores the
    // direction. Knuth's reader refuses both.
    DviBuilder xdv;
    xdv.preId = xdv.postId = 7;
    DefineTst(xdv.Pre().Bop());
    xdv.Op(252, 5, 4).Value(655360, 4).Value(0x7300, 2).Byte(8).Text("/f/a.otf").Value(2, 4);
    xdv.Value(0xFF000080, 4).Value(0x18000, 4).Value(0x3333, 4).Value(0x2666, 4);
    xdv.Op(176).Op(143, 10, 1).Op(253, 100, 4).Value(2, 2).Value(1, 4).Value(2, 4).Value(3, 4);
    xdv.Value(-4, 4).Value(7, 2).Value(8, 2);
    xdv.Op(254, 1, 2).Value('x', 2).Value(50, 4).Value(1, 2).Value(0, 4).Value(0, 4).Value(9, 2);
    xdv.Op(171).Op(66).Op(176).Op(253, 0, 4).Value(0, 2).Eop();
    xdv.postambleFonts = DviBuilder()
                             .Op(252, 5, 4)
                             .Value(655360, 4)
                             .Value(0x100, 2)
                             .Byte(1)
                             .Text("g")
                             .Value(0, 4)
                             .bytes;
    DviBuilder ptex;
    ptex.postId = 3;
    DefineTst(ptex.Pre().Bop()).Op(171).Op(255, 1, 1).Op(141).Op(66).Op(143, 10, 1);
    ptex.Op(157, 20, 1).Rule(132, 2, 30).Op(142).Op(66).Op(255, 0, 1).Op(66).Eop();
    const std::string glyphs = "glyphs /f/a.otf#2 655360 vertical ff000080 98304 13107 9830 width ";
    const std::pair<std::string, std::string> cases[] = {
        {xdv.Finish(), "begin 1\n" + glyphs + "100 text 0: 7@11,2 8@13,-4 at 10,0\n" + glyphs +
                           "50 text 1: 9@110,0 at 110,0\nchar 66 at 160,0\nend 1 box "
                           "10,165,-655360,0 at 165,0\n"},
        {ptex.Finish(),
         "begin 1\nchar 66 at 0,0\nrule 30x2 at -20,45\nchar 66 at 0,0\nchar 66 at 0,5\n"
         "end 1 box -20,5,-9,45 at 5,5\n"},
    };
    for (const auto& [dvi, trace] : cases) {
        EXPECT_EQ(TraceReader(true).Run(dvi), trace);
        EXPECT_EQ(Trace(dvi), "failure: Invalid DVI version");
    }
    // The extensions' opcodes are pTeX's or XeTeX's only.
    EXPECT_EQ(TraceReader(true).Run(Page("\xFF\x01")), "begin 1\nfailure: undefined opcode");
    DviBuilder badDirection;
    badDirection.postId = 3;
    EXPECT_EQ(TraceReader(true).Run(badDirection.Pre().Bop().Op(255, 2, 1).Eop().Finish()),
              "begin 1\nfailure: Invalid direction");
}

}  // namespace

TEST(SpecialDispatch, EachSpecialGoesToTheHandlersOfItsPrefixes) {
    SpecialDispatch dispatch;
    std::string seen;
    const auto handler = [&](char tag) {
        return [&seen, tag](const std::string&) { seen += tag; };
    };
    dispatch.On("ps:", handler('p'));
    dispatch.On("pdf:", handler('d'));
    dispatch.On("pdf:docinfo", handler('i'));
    dispatch.On("psfile=", handler('f'), SpecialDispatch::Case::Any);
    struct Case {
        const char* special;
        const char* handlers;  // in the order they are given it; none: not taken
    };
    for (const Case& c : std::initializer_list<Case>{
             {"ps:SDict begin", "p"},
             {"pdf:docinfo << >>", "di"},
             {"PSfile=\"a.eps\" llx=0", "f"},
             {"psfile=a.eps", "f"},
             {"PS:x", ""},
             {"pd", ""},
             {"color push rgb 1 0 0", ""},
         }) {
        seen.clear();
        EXPECT_EQ(dispatch.Dispatch(c.special), *c.handlers != '\0') << c.special;
        EXPECT_EQ(seen, c.handlers) << c.special;
    }
}
