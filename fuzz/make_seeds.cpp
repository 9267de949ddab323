// Writes the seed corpora of the fuzz targets: DVI files built with the tests' DVI
// assembler that define the built-in fonts and use every command kind, colour
// specials, rules and push/pop (plus documents each refused for one reason), and the
// built-in TFM files. Usage: make_seeds DVI_DIR TFM_DIR
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BuiltinFonts.h"
#include "support/DviBuilder.h"

namespace {

const std::vector<BuiltinFont> fonts = BuiltinFonts();

const BuiltinFont& Font(const std::string& name) {
    for (const BuiltinFont& font : fonts) {
        if (font.name == name) return font;
    }
    std::fprintf(stderr, "no built-in font %s\n", name.c_str());
    std::exit(1);
}

// fnt_def with a font number of n bytes (fnt_def1 .. fnt_def4), defining a built-in
// font at scaled size s; the checksum and design size are the font's own unless given.
void FontDef(DviBuilder& dvi, int n, std::int64_t k, const BuiltinFont& font, std::int32_t s,
             std::int64_t checksum = -1, std::int64_t design = -1) {
    const std::size_t slash = font.name.rfind('/');
    const std::string area = slash == std::string::npos ? "" : font.name.substr(0, slash + 1);
    const std::string name = font.name.substr(area.size());
    dvi.Op(242 + n, k, n);
    dvi.Value(checksum < 0 ? font.checksum : checksum, 4);
    dvi.Value(s, 4).Value(design < 0 ? font.designSize >> 4 : design, 4);
    dvi.Byte(int(area.size())).Byte(int(name.size()));
    dvi.bytes += area + name;
}

struct PostFont {
    int k;
    std::string name;
    std::int32_t s;
};

// The postamble with font definitions before post_post, as TeX writes it.
std::string Finish(DviBuilder& dvi, int stackDepth, int totalPages,
                   const std::vector<PostFont>& defs) {
    const std::int64_t post = static_cast<std::int64_t>(dvi.bytes.size());
    dvi.Op(248, dvi.lastBop, 4).Value(25400000, 4).Value(473628672, 4).Value(1000, 4);
    dvi.Value(0x2A0000, 4).Value(0x1C0000, 4).Value(stackDepth, 2).Value(totalPages, 2);
    for (const PostFont& def : defs) FontDef(dvi, 1, def.k, Font(def.name), def.s);
    dvi.Op(249, post, 4).Byte(2);
    for (int i = 0; i < 4; ++i) dvi.Byte(223);
    return dvi.bytes;
}

// xxx1 .. xxx4: a special with a length of n bytes.
void Special(DviBuilder& dvi, int n, const std::string& text) {
    dvi.Op(238 + n, static_cast<std::int64_t>(text.size()), n);
    dvi.bytes += text;
}

constexpr std::int32_t tenPoint = 10 << 16;

std::string Text(DviBuilder& dvi, const std::string& text) {
    for (const char c : text) dvi.Byte(static_cast<unsigned char>(c) & 0x7F);
    return dvi.bytes;
}

// A page that uses every kind of command once at least.
void EveryCommand(DviBuilder& dvi) {
    FontDef(dvi, 1, 0, Font("cmr10"), tenPoint);
    dvi.Op(171);  // fnt_num_0
    Text(dvi, "Hello");
    for (int c : {0, 9, 10, 32, 127, 17}) dvi.Byte(c);  // control codes, blank, zero width
    dvi.Op(128, 72, 1).Op(129, 73, 2).Op(130, 74, 3).Op(131, 75, 4);  // set1 .. set4
    dvi.Op(133, 76, 1).Op(134, 77, 2).Op(135, 78, 3).Op(136, 79, 4);  // put1 .. put4
    dvi.Rule(132, 0x10000, 0x200000).Rule(137, 0x300000, 0x8000);     // set_rule, put_rule
    dvi.Rule(132, -5, 0x10000).Rule(137, 0x10000, 0);                 // invisible rules
    dvi.Op(138);                                                      // nop
    dvi.Op(141);                                                      // push
    dvi.Op(143, -3, 1).Op(144, 300, 2).Op(145, -70000, 3).Op(146, 0x7FFFFFFF, 4);
    dvi.Op(147).Op(148, 5, 1).Op(149, -6, 2).Op(150, 7, 3).Op(151, -8, 4).Op(147);
    dvi.Op(152).Op(153, 9, 1).Op(154, -10, 2).Op(155, 11, 3).Op(156, -12, 4).Op(152);
    dvi.Op(157, 13, 1).Op(158, -14, 2).Op(159, 15, 3).Op(160, -0x7FFFFFFF, 4);
    dvi.Op(161).Op(162, 16, 1).Op(163, -17, 2).Op(164, 18, 3).Op(165, -19, 4).Op(161);
    dvi.Op(166).Op(167, 20, 1).Op(168, -21, 2).Op(169, 22, 3).Op(170, -23, 4).Op(166);
    Text(dvi, "AB");
    dvi.Op(142);  // pop
    FontDef(dvi, 2, 300, Font("cmmi10"), tenPoint);
    dvi.Op(236, 300, 2);  // fnt2
    Text(dvi, "XYZ");
    FontDef(dvi, 3, 70000, Font("fonts/cmr5"), 5 << 16);
    dvi.Op(237, 70000, 3).Op(128, 255, 1);  // fnt3, set1 255
    FontDef(dvi, 4, 0xFFFFFFFB, Font("cmr10"), 2 * tenPoint);
    dvi.Op(238, 0xFFFFFFFB, 4);  // fnt4
    Text(dvi, "big");
    dvi.Op(235, 0, 1);                    // fnt1
    dvi.Special("color push rgb 1 0 0");  // xxx1
    Text(dvi, "red");
    Special(dvi, 2, "color pop");             // xxx2
    Special(dvi, 3, "color push gray 0.25");  // xxx3
    dvi.Rule(132, 0x8000, 0x8000);
    Special(dvi, 4, "color pop");  // xxx4
    dvi.Special("papersize=210mm,297mm");
    FontDef(dvi, 1, 0, Font("cmr10"), tenPoint);  // repeated: no change
}

void Write(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("Usage: make_seeds DVI_DIR TFM_DIR\n", stderr);
        return 2;
    }
    const std::filesystem::path dviDir = argv[1], tfmDir = argv[2];
    std::filesystem::create_directories(dviDir);
    std::filesystem::create_directories(tfmDir);
    const auto dvi = [&](const std::string& name, const std::string& bytes) {
        Write(dviDir / (name + ".dvi"), bytes);
    };

    dvi("empty-page", DviBuilder().Pre().Bop().Eop().Finish(100, 1));
    dvi("no-pages", DviBuilder().Pre(25400000, 473628672, 1000, "TeX output").Finish(0, 0));

    {
        DviBuilder b;
        b.Pre(25400000, 473628672, 1000, "every command");
        b.Bop(1);
        EveryCommand(b);
        b.Eop();
        dvi("every-command", Finish(b, 10, 1, {{0, "cmr10", tenPoint}, {300, "cmmi10", tenPoint}}));
    }
    {
        // Three pages; the colour stack lives across pages.
        DviBuilder b;
        b.Pre();
        const char* colours[] = {"color push Black",
                                 "color push gray 0.5",
                                 "color push cmyk 0 1 0 0",
                                 "color push rgb 0 0.5 1",
                                 "color push Red",
                                 "color push  Apricot",
                                 "color push cmyk 0.1 0.2 0.3 0.4",
                                 "color push named Blue",
                                 "color push",
                                 "color pop",
                                 "color popx",
                                 "color pop"};
        for (int page = 0; page < 3; ++page) {
            b.Bop(page + 1);
            if (page == 0) FontDef(b, 1, 1, Font("cmmi10"), 12 << 16);
            b.Op(172);
            for (int i = page * 4; i < page * 4 + 4; ++i) {
                b.Special(colours[i]);
                b.Op(128, 65 + i, 1).Op(141).Rule(137, 0x20000, 0x40000).Op(142);
                b.Op(159, 0xC0000, 3);
            }
            b.Eop();
        }
        dvi("colours", Finish(b, 5, 3, {{1, "cmmi10", 12 << 16}}));
    }
    {
        // Nested push and pop to the declared depth.
        DviBuilder b;
        b.Pre().Bop();
        FontDef(b, 1, 2, Font("cmr10"), tenPoint);
        b.Op(173);
        for (int i = 0; i < 40; ++i) b.Op(141).Op(144, 1000, 2).Op(65 + i % 26);
        for (int i = 0; i < 40; ++i) b.Op(142).Op(158, 1000, 2).Op(97 + i % 26);
        b.Eop();
        dvi("push-pop", b.Finish(40, 1));
    }
    {
        // Redefining font 0 under another name reloads it; characters follow the new one.
        DviBuilder b;
        b.Pre().Bop();
        FontDef(b, 1, 0, Font("cmr10"), tenPoint);
        b.Op(171).Op(65);
        FontDef(b, 1, 0, Font("cmmi10"), tenPoint);
        b.Op(66);
        FontDef(b, 1, 0, Font("cmr10"), 3 * tenPoint);
        b.Op(5);
        b.Eop().Bop().Op(67).Eop();
        dvi("redefine", b.Finish(10, 2));
    }
    {
        // Dimensions beyond 32 bits: huge scaled sizes, magnification and units.
        DviBuilder b;
        b.Pre(1, 1, 0x7FFFFFFF);
        b.Bop();
        FontDef(b, 1, 1, Font("cmmi10"), 0x7FFFFFFF);
        b.Op(172).Op(65).Op(66).Op(67).Op(90);
        FontDef(b, 1, 2, Font("cmmi10"), -0x10000);
        b.Op(173).Op(65).Op(67);
        b.Rule(132, 0x7FFFFFFF, 0x7FFFFFFF).Op(146, 0x7FFFFFFF, 4).Rule(137, 1, 0x7FFFFFFF);
        b.Eop();
        dvi("huge-sizes", b.Finish(1, 1));
    }

    // Documents refused for one reason each.
    const auto page = [](auto body, int stackDepth = 10) {
        DviBuilder b;
        b.Pre().Bop();
        body(b);
        b.Eop();
        return b.Finish(stackDepth, 1);
    };
    const auto withFont = [&](auto body) {
        return page([&](DviBuilder& b) {
            FontDef(b, 1, 0, Font("cmr10"), tenPoint);
            b.Op(171);
            body(b);
        });
    };
    dvi("stack-overflow", page([](DviBuilder& b) { b.Op(141).Op(141).Op(141); }, 2));
    dvi("stack-underflow", page([](DviBuilder& b) { b.Op(141).Op(142).Op(142); }));
    dvi("no-font", page([](DviBuilder& b) { b.Op(65); }));
    dvi("char-outside-font", withFont([](DviBuilder& b) { b.Op(128, 200, 1); }));
    dvi("char-negative", withFont([](DviBuilder& b) { b.Op(131, 0xFFFFFFFF, 4); }));
    dvi("font-not-defined", withFont([](DviBuilder& b) { b.Op(235, 9, 1); }));
    dvi("checksum-mismatch",
        page([](DviBuilder& b) { FontDef(b, 1, 0, Font("cmr10"), tenPoint, 1); }));
    dvi("design-size-mismatch",
        page([](DviBuilder& b) { FontDef(b, 1, 0, Font("cmr10"), tenPoint, -1, 1); }));
    dvi("font-unknown", page([](DviBuilder& b) { b.FontDef(1, 0, tenPoint, tenPoint, "cmtt10"); }));
    dvi("font-empty-name", page([](DviBuilder& b) { b.FontDef(1, 0, tenPoint, tenPoint, ""); }));
    dvi("font-truncated-tfm",
        page([](DviBuilder& b) { FontDef(b, 1, 0, Font("cmbad"), tenPoint); }));
    dvi("font-missing-tfm",
        page([](DviBuilder& b) { FontDef(b, 1, 0, Font("cmgone"), tenPoint); }));
    dvi("undefined-opcode", page([](DviBuilder& b) { b.Op(250); }));
    dvi("bop-in-page", page([](DviBuilder& b) { b.Op(139); }));
    dvi("special-past-end",
        page([](DviBuilder& b) { b.Op(242, 0xFFFFFFFF, 4).bytes += "color push"; }));
    dvi("many-pages-declared", DviBuilder().Pre().Bop().Eop().Finish(0, 300));
    dvi("short-trailer", DviBuilder().Pre().Bop().Eop().Finish(100, 1, 2));

    for (const BuiltinFont& font : fonts) {
        if (font.tfm.empty()) continue;
        std::string name = font.name;
        for (char& c : name) {
            if (c == '/') c = '-';
        }
        Write(tfmDir / (name + ".tfm"), font.tfm);
    }
    return 0;
}
