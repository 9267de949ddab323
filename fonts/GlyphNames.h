// The Unicode text of PostScript glyph names, as TeX Live's glyph lists give it, and
// the encoding vectors of TeX's standard font encodings by TFM coding scheme.
#pragma once

#include <istream>
#include <string>
#include <string_view>
#include <unordered_map>

class GlyphNames {
  public:
    // Reads a glyph list: lines "name;XXXX[ XXXX...][,alternative...]" of hexadecimal
    // code points, '#' starting a comment line. Of the alternatives the first outside the
    // private use area is kept; a name already known keeps its earlier text.
    void Read(std::istream& file);

    // The text of a glyph name in UTF-8, empty when it has none or names a control
    // character, a surrogate, U+FFFE or U+FFFF (which text cannot hold): a listed name,
    // or by the Adobe rules a name whose part after the first '.' is dropped, whose parts
    // joined by '_' are a ligature, or that is "uniXXXX..." or "uXXXX" to "uXXXXXX".
    std::string Text(std::string_view name) const;

  private:
    std::string Component(std::string_view name) const;
    std::unordered_map<std::string, std::string> texts;
};

// The encoding file (dvips's .enc, from Latin Modern) of a TFM coding scheme that is
// one of TeX's standard encodings: OT1, typewriter OT1, OML, OMS, OMX, T1 and TS1.
// Empty for any other scheme.
std::string_view EncodingOfCodingScheme(std::string_view scheme);

// Appends the UTF-8 form of a Unicode scalar value.
void AppendUtf8(std::string& text, char32_t c);
