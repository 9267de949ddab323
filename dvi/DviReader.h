// The DVI reader: owns the DVI input, checks the file's postamble and preamble, walks
// the pages in file order and interprets their commands, reporting characters, rules,
// specials and page boundaries to a subclass through five callbacks. Every position
// and size it handles is in DVI units, signed 32-bit with wrapping arithmetic.
#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dvi/RegisterStack.h"
#include "fonts/FontTable.h"

class DviReader {
  public:
    DviReader() = default;
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

    // The specials of all pages whose text starts with one of `prefixes`, in file
    // order, found without interpreting the pages (as dvips finds its headers before
    // the first page). The reading position is kept; an opcode that cannot be skipped
    // ends the scan.
    std::vector<std::string> ScanSpecials(const std::vector<std::string_view>& prefixes);

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
    void Push();
    void Pop();
    void GrowBox(std::int32_t px, std::int32_t py);
};
