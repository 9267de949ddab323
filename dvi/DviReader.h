// The DVI reader: owns the DVI input, checks the file's postamble and preamble, walks
// the pages in file order and interprets their commands, reporting characters, rules,
// specials and page boundaries to a subclass through five callbacks. Every position
// and size it handles is in DVI units, signed 32-bit with wrapping arithmetic.
//
// An extended reader also reads the DVI files of TeX's descendants: pTeX's (the `dir`
// command, vertical typesetting, JFM metrics) and XeTeX's XDV (fonts named by their
// files, glyph runs), reporting the glyph runs through a sixth callback.
#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "dvi/RegisterStack.h"
#include "fonts/FontTable.h"
#include "fonts/NativeFont.h"

class DviReader {
  public:
    explicit DviReader(bool extended = false) : extended(extended) { fonts.japanese = extended; }
    DviReader(const DviReader&) = delete;
    DviReader& operator=(const DviReader&) = delete;
    virtual ~DviReader();

    // Opens the DVI file and reads its postamble, then its preamble.
    void Open(const std::string& fileName);
    // The same for a stream already open (tests feed DVI bytes from memory).
    void Open(std::unique_ptr<std::istream> stream);
    // Walks all pages: OnBeginPage, the page's commands, OnEndPage.
    void ReadPages();

  protected:
    // The callbacks, in the order the reader calls them for a page. Position, page box
    // and current font are read from the fields below, not passed.
    virtual void OnSpecial(std::string text) = 0;
    virtual void OnChar(std::int32_t c) = 0;
    virtual void OnRule(std::int32_t height, std::int32_t width) = 0;
    virtual void OnBeginPage(std::int32_t n) = 0;
    virtual void OnEndPage(std::int32_t n) = 0;
    // XeTeX's glyph run in `font`, which moves h by `width` (afterwards), with the
    // text it stands for when XeTeX gives it (UTF-16). Only an extended reader reports
    // one.
    virtual void OnGlyphs(const NativeFont& font, const std::vector<PlacedGlyph>& glyphs,
                          std::int32_t width, std::u16string_view text);

    // The specials of all pages whose text starts with one of `prefixes`, in file
    // order, found without interpreting the pages (as dvips finds its headers before
    // the first page). The reading position is kept; an opcode that cannot be skipped
    // ends the scan.
    std::vector<std::string> ScanSpecials(const std::vector<std::string_view>& prefixes);

    // A rule of height a and width b at (h, v), in the current direction: reported
    // through OnRule as the upright rule that covers its area. (Also for the rules of
    // a virtual font's packets.)
    void Rule(std::int32_t a, std::int32_t b);

    // Reading primitives. ReadByte gives -1 at the end of the file and ever after;
    // multi-byte values are big-endian and accumulate in 32-bit arithmetic.
    int ReadByte() {
        if (inputState->fail()) return -1;  // after the end of the file, or a failed seek
        const int byte = inputBuffer->sbumpc();
        if (byte == std::char_traits<char>::eof())
            inputState->setstate(std::ios::eofbit | std::ios::failbit);
        return byte;
    }
    std::int32_t ReadUnsigned(int n);
    std::int32_t ReadSigned(int n);
    int ReadNonNop();

    std::unique_ptr<std::istream> input;
    // The input's state and buffer, reached once rather than through the stream's
    // virtual base for every byte.
    std::ios* inputState = nullptr;
    std::streambuf* inputBuffer = nullptr;
    RegisterStack stack;
    std::streamoff firstPagePos = 0;
    std::int32_t w = 0, x = 0, y = 0, z = 0;
    std::int32_t pageNumber = 0;
    std::uint8_t opcode = 0;
    std::int32_t h = 0, v = 0;
    std::int32_t minH = 0, maxH = 0, minV = 0, maxV = 0;
    FontTable fonts;
    // XeTeX's fonts, and the current one when it is one of them.
    std::unordered_map<std::int32_t, NativeFont> nativeFonts;
    const NativeFont* nativeFont = nullptr;
    // pTeX's direction: 0 horizontal; 1 vertical (tate), where moving right goes down
    // the page and moving down goes left; 3 vertical, turned the other way.
    std::int32_t direction = 0;
    enum class Format { Dvi, PTeX, Xdv };
    Format format = Format::Dvi;
    std::uint32_t num = 0, den = 0, mag = 0;
    std::uint32_t totalPages = 0;

  private:
    void ReadPostamble();
    void PrefetchFonts();
    void ReadPreamble();

    // The page interpreter.
    void InterpretPage();
    std::int32_t SetChar(std::int32_t c);
    std::int32_t SetRule();
    void ReadSpecial(std::uint32_t len);
    void ReadFontDef(std::int32_t k);
    // The extensions' commands, opcodes 250 to 255; false for one that is not.
    bool InterpretExtension(int op);
    void ReadNativeFontDef(std::int32_t k);
    void ReadGlyphs(bool withText);
    void SelectFont(std::int32_t k);
    // Moves along the line (right in horizontal text) and across it (down).
    void Right(std::int32_t by);
    void Down(std::int32_t by);
    void TurnedRight(std::int32_t by);
    void TurnedDown(std::int32_t by);

    const bool extended;
    int identification = 2;  // the postamble's identification byte
    std::vector<PlacedGlyph> glyphRun;
    void Push();
    void Pop();
    void GrowBox(std::int32_t px, std::int32_t py);
};
