// The typefaces of the text layer and what slide programs make of them: for each TeX
// font a face of the same style, its advance widths and kerning pairs read with
// FreeType from the same fonts the slide programs draw with. Transparent text is set
// in Latin Modern at the design size nearest the TeX font's, whose letters are as wide
// as Computer Modern's (or at another design size of the family, whose letters are as
// wide as another TeX font's, mathematical italic's say); text the layer draws (of fonts without
// outlines) in the common families Times New Roman, Arial and Courier New, measured by URW's metric
// twins. Mathematical symbols, and what the others lack, are set in Latin Modern Math;
// Chinese, Japanese and Korean in Noto CJK.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "fonts/FontStyle.h"

struct FreeTypeLibrary;

class LayerFonts {
  public:
    LayerFonts();
    ~LayerFonts();
    LayerFonts(const LayerFonts&) = delete;
    LayerFonts& operator=(const LayerFonts&) = delete;

    // The face for a TeX font of `style` at `points`, transparent or drawn (`inked`).
    int Face(FontStyle style, bool inked, double points);
    // The face, of the same kind, for the symbols that `face` lacks.
    int SymbolFace(int face);
    // The face for Chinese, Japanese and Korean text: Noto CJK, serif or sans serif as
    // `face` is, Japanese or (`chinese`, with full-width punctuation) Simplified Chinese.
    int CjkFace(int face, bool chinese = false);
    // The faces of the same kind as `face` in each design size of its family.
    const std::vector<int>& DesignSizes(int face);

    std::string_view Typeface(int face) const;
    FontStyle Style(int face) const;

    // The advance width of code point c, as a share of the font size; none when the
    // face lacks it.
    std::optional<double> Width(int face, char32_t c);
    // The kerning between code points a and b, as a share of the font size.
    double Kerning(int face, char32_t a, char32_t b);

  private:
    struct Entry;
    // Opens the face's metrics font, and with `kerning` its kerning pairs (an AFM file
    // to read, for faces whose text has pairs).
    Entry& Open(int face, bool kerning);

    std::unique_ptr<FreeTypeLibrary> library;
    std::vector<std::unique_ptr<Entry>> entries;
    std::unordered_map<std::string, int> byTypeface;  // typeface and style -> face
    // The face chosen for each kind of style (FontStyle::Face, small capitals,
    // mathematical italic), transparent or inked, and whole number of points up to the
    // largest design size; -1 until chosen.
    static constexpr int kinds = 16 * 2 * 2, largestPoints = 17;
    std::array<int, kinds * 2 * (largestPoints + 1)> chosen;
    std::array<int, 8> cjk{-1, -1, -1, -1, -1, -1, -1, -1};  // by kind, sans serif and inked
    std::unordered_map<std::uint64_t, std::optional<double>> widths;
    std::unordered_map<std::uint64_t, double> kerning;
};
