// DVI file structure: opening, the postamble found from the end of the file, the
// preamble, and the walk over the pages in file order.
#include "dvi/DviReader.h"

#include <algorithm>
#include <fstream>
#include <vector>

#include "common/Failure.h"

namespace {

constexpr int bop = 139, pre = 247, post = 248, post_post = 249, nop = 138, fnt_def1 = 243,
              fnt_def4 = 246;
constexpr int trailerByte = 223;
constexpr int dviId = 2;
// pTeX's files whose pages change direction end in 3; XeTeX's XDV files say 6 or 7 (6
// has no glyph runs with text) at both ends.
constexpr int pTeXId = 3, oldXdvId = 6, xdvId = 7;
constexpr int nativeFontDef = 252;

}  // namespace

DviReader::~DviReader() {
    input.reset();
    fonts.Clear();
    stack.Release();
}

void DviReader::Open(const std::string& fileName) {
    auto file = std::make_unique<std::ifstream>(fileName, std::ios::binary);
    Require(!file->fail(), "Failed to open " + fileName + "file");
    Open(std::move(file));
}

void DviReader::Open(std::unique_ptr<std::istream> stream) {
    input = std::move(stream);
    inputState = input.get();
    inputBuffer = input->rdbuf();
    ReadPostamble();
    ReadPreamble();
}

std::int32_t DviReader::ReadUnsigned(int n) {
    std::uint32_t value = static_cast<std::uint32_t>(ReadByte());
    for (int i = 1; i < n; ++i) value = value * 256 + static_cast<std::uint32_t>(ReadByte());
    return static_cast<std::int32_t>(value);
}

std::int32_t DviReader::ReadSigned(int n) {
    int first = ReadByte();
    if (first > 127) first -= 256;
    std::uint32_t value = static_cast<std::uint32_t>(first);
    for (int i = 1; i < n; ++i) value = value * 256 + static_cast<std::uint32_t>(ReadByte());
    return static_cast<std::int32_t>(value);
}

int DviReader::ReadNonNop() {
    int b;
    do b = ReadByte();
    while (b == nop);
    opcode = static_cast<std::uint8_t>(b);
    return b;
}

void DviReader::ReadPostamble() {
    // The file ends in the identification byte followed by at least three bytes 223.
    // Scan back for the last byte that is not 223, a block at a time.
    input->seekg(0, std::ios::end);
    const std::streamoff size = std::max<std::streamoff>(input->tellg(), 0);
    std::streamoff idPos = -1;
    // Blocks start small and grow: most files end in four to seven bytes 223.
    std::vector<char> block(64);
    for (std::streamoff end = size; end > 0 && idPos < 0 && *input;) {
        const std::streamoff start =
            std::max<std::streamoff>(end - std::streamoff(block.size()), 0);
        input->seekg(start);
        input->read(block.data(), end - start);
        for (std::streamoff i = end - start; i-- > 0;) {
            if (static_cast<std::uint8_t>(block[i]) != trailerByte) {
                idPos = start + i;
                break;
            }
        }
        end = start;
        if (block.size() < 64 * 1024) block.resize(block.size() * 4);
    }
    const std::streamoff trailing = idPos < 0 ? size : size - 1 - idPos;
    Require(trailing >= 3, "Not a DVI file");
    Require(idPos >= 0, "Invalid DVI version");
    input->seekg(idPos);
    opcode = static_cast<std::uint8_t>(ReadByte());
    if (extended && (opcode == pTeXId || opcode == oldXdvId || opcode == xdvId))
        format = opcode == pTeXId ? Format::PTeX : Format::Xdv;
    else
        Require(opcode == dviId, "Invalid DVI version");
    identification = opcode;

    input->seekg(-6, std::ios::cur);
    opcode = static_cast<std::uint8_t>(ReadByte());
    Require(opcode == post_post, "Could not find end of postamble");
    const std::int32_t q = ReadSigned(4);
    input->seekg(q);
    opcode = static_cast<std::uint8_t>(ReadByte());
    Require(opcode == post, "Could not find start of postamble");

    ReadSigned(4);  // p, the last page's offset: the pages are walked forwards
    num = static_cast<std::uint32_t>(ReadSigned(4));
    den = static_cast<std::uint32_t>(ReadSigned(4));
    mag = static_cast<std::uint32_t>(ReadSigned(4));
    ReadSigned(4);  // l, tallest page
    ReadSigned(4);  // u, widest page
    const std::int32_t s = ReadUnsigned(2);
    // A 16-bit count reads negative only when the file ends inside it.
    totalPages = static_cast<std::uint32_t>(ReadUnsigned(2)) & 0xFFFF;
    Require(s >= 0, "Stack allocation failure");
    stack.Allocate(static_cast<std::uint32_t>(s));
    PrefetchFonts();
}

void DviReader::PrefetchFonts() {
    // The postamble's font definitions repeat those of the pages: their TFM files are
    // looked up together now, rather than one lookup per definition later. Nothing
    // here fails; a damaged list just ends the prefetch, and the pages' own
    // definitions are read and checked as always.
    if (!*input) return;
    constexpr std::size_t mostFonts = 1024;
    std::vector<std::string> names;
    for (int op = ReadNonNop();
         ((op >= fnt_def1 && op <= fnt_def4) || (extended && op == nativeFontDef)) &&
         names.size() < mostFonts;
         op = ReadNonNop()) {
        if (op == nativeFontDef) {
            // XeTeX's fonts are files, no TFM to look up: k, size, flags, the name, the
            // face index and the effects the flags announce.
            input->seekg(8, std::ios::cur);
            const int flags = ReadUnsigned(2), length = ReadByte();
            if (length < 0) break;
            int effects = 0;
            for (const int flag : {0x200, 0x1000, 0x2000, 0x4000}) effects += (flags & flag) != 0;
            input->seekg(length + 4 + 4 * effects, std::ios::cur);
            continue;
        }
        ReadUnsigned(op - fnt_def1 + 1);           // k
        input->seekg(12, std::ios::cur);           // c, s, d
        const int a = ReadByte(), l = ReadByte();  // -1 at the end of the file
        if (a < 0 || l < 0) break;
        std::string name(static_cast<std::size_t>(a + l), '\0');
        input->read(name.data(), a + l);
        if (!*input) break;
        names.push_back(std::move(name));
    }
    input->clear();
    fonts.Prefetch(names);
}

void DviReader::ReadPreamble() {
    input->seekg(0);
    Require(ReadNonNop() == pre, "Preamble not Found");
    // pTeX's preamble says 2 whichever direction its pages take.
    const int id = ReadByte();
    Require(id == (format == Format::Xdv ? identification : dviId), "Invalid DVI version");
    num = static_cast<std::uint32_t>(ReadSigned(4));
    den = static_cast<std::uint32_t>(ReadSigned(4));
    mag = static_cast<std::uint32_t>(ReadSigned(4));
    const int k = ReadByte();  // the comment is skipped, not read
    input->seekg(k, std::ios::cur);
    firstPagePos = input->tellg();
}

std::vector<std::string> DviReader::ScanSpecials(const std::vector<std::string_view>& prefixes) {
    std::vector<std::string> found;
    // As much of each special is read as the longest prefix needs.
    std::uint32_t peek = 1;
    for (const std::string_view prefix : prefixes)
        peek =
            std::max(peek, static_cast<std::uint32_t>(std::min<std::size_t>(prefix.size(), 256)));
    const std::streampos kept = input->tellg();
    const std::ios::iostate state = inputState->rdstate();
    input->seekg(firstPagePos);
    // Skipped bytes are read past in the buffer; only a long special's are sought over.
    const auto skip = [&](std::int64_t count) {
        if (count < 4096)
            input->ignore(count);
        else
            input->seekg(count, std::ios::cur);
    };
    for (int op = ReadByte(); op >= 0 && op != post && !inputState->fail(); op = ReadByte()) {
        if (op <= 127 || op == 138 || op == 140 || op == 141 || op == 142 || op == 147 ||
            op == 152 || op == 161 || op == 166 || (op >= 171 && op <= 234)) {
            continue;  // no parameters
        } else if (op <= 131) {
            skip(op - 127);  // set1 .. set4
        } else if (op == 132 || op == 137) {
            skip(8);  // a rule
        } else if (op <= 136) {
            skip(op - 132);  // put1 .. put4
        } else if (op == bop) {
            skip(44);
        } else if (op <= 170) {
            // right, w, x, down, y, z: 1 .. 4 bytes after each group's 0-byte form
            static constexpr int groupStart[] = {143, 148, 153, 157, 162, 167};
            int start = 143;
            for (const int g : groupStart)
                if (op >= g) start = g;
            skip(op - start + 1);
        } else if (op <= 238) {
            skip(op - 234);  // fnt1 .. fnt4
        } else if (op <= 242) {
            const auto length = static_cast<std::uint32_t>(ReadUnsigned(op - 238));
            std::string text(std::min(length, peek), '\0');
            input->read(text.data(), static_cast<std::streamsize>(text.size()));
            const bool wanted = std::any_of(
                prefixes.begin(), prefixes.end(),
                [&](std::string_view p) { return std::string_view(text).starts_with(p); });
            if (!wanted) {
                skip(std::int64_t{length} - static_cast<std::int64_t>(text.size()));
                continue;
            }
            // Read as ReadSpecial does: in slices, as far as the file goes.
            for (std::uint32_t left = length - static_cast<std::uint32_t>(text.size()); left > 0;) {
                const std::uint32_t slice = std::min<std::uint32_t>(left, 64 * 1024);
                const std::size_t old = text.size();
                text.resize(old + slice);
                input->read(text.data() + old, slice);
                if (input->gcount() != std::streamsize(slice)) break;
                left -= slice;
            }
            if (!inputState->fail()) found.push_back(std::move(text));
        } else if (op <= 246) {
            skip(op - 242 + 12);  // fnt_def1 .. fnt_def4: k, c, s, d
            const int a = ReadByte(), l = ReadByte();
            skip(a + l);
        } else if (extended && op == nativeFontDef) {
            skip(8);
            const int flags = ReadUnsigned(2), length = ReadByte();
            int effects = 0;
            for (const int flag : {0x200, 0x1000, 0x2000, 0x4000}) effects += (flags & flag) != 0;
            skip(length + 4 + 4 * effects);
        } else if (extended && (op == 253 || op == 254)) {
            // A glyph run: (the text,) its width, and a position and an id per glyph.
            if (op == 254) skip(2 * std::int64_t{ReadUnsigned(2)});
            skip(4);
            skip(10 * std::int64_t{ReadUnsigned(2)});
        } else if (extended && op == 255) {
            skip(1);  // pTeX's direction
        } else {
            break;
        }
    }
    inputState->clear(state);
    input->seekg(kept);
    return found;
}

void DviReader::ReadPages() {
    pageNumber = 0;
    input->seekg(firstPagePos);
    for (int b = ReadNonNop(); b != post; b = ReadNonNop()) {
        Require(b == bop, "Could not find beginning of page");
        pageNumber = static_cast<std::int32_t>(static_cast<std::uint32_t>(pageNumber) +
                                               1);  // wraps, as DVI arithmetic does
        ReadSigned(4);                              // c0: pages are numbered in file order instead
        input->seekg(36, std::ios::cur);            // c1 to c9
        ReadSigned(4);                              // the previous page's offset
        OnBeginPage(pageNumber);
        InterpretPage();
        OnEndPage(pageNumber);
    }
}
