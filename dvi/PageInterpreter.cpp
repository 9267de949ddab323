// The DVI page interpreter: executes one page's commands as they are read, keeping
// the registers, the register stack and the page box, and calling the callbacks.
#include <limits>

#include "common/Failure.h"
#include "dvi/DviReader.h"

namespace {

// DVI register arithmetic is 32-bit two's complement and wraps silently.
std::int32_t Add(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
std::int32_t Sub(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

// The failures of setting a character, out of the way of the characters that are set.
[[noreturn, gnu::noinline]] void FailWithoutFont(std::int32_t c) {
    throw Failure("Character " + std::to_string(c) + " set while no font is selected");
}
[[noreturn, gnu::noinline]] void FailNotInFont(std::int32_t c, const TfmFont& font) {
    throw Failure("Character " + std::to_string(c) + " is not in font " + font.name);
}

}  // namespace

void DviReader::GrowBox(std::int32_t px, std::int32_t py) {
    if (px < minH) minH = px;
    if (px > maxH) maxH = px;
    if (py < minV) minV = py;
    if (py > maxV) maxV = py;
}

void DviReader::InterpretPage() {
    h = v = w = x = y = z = 0;
    direction = 0;
    stack.level = 0;
    minH = minV = std::numeric_limits<std::int32_t>::max();
    maxH = maxV = 0;

    for (;;) {
        opcode = static_cast<std::uint8_t>(ReadByte());
        const int op = opcode;
        if (op <= 127) {  // set_char_0 .. set_char_127
            Right(SetChar(op));
        } else if (op <= 131) {  // set1 .. set4
            Right(SetChar(ReadUnsigned(op - 127)));
        } else if (op >= 133 && op <= 136) {  // put1 .. put4
            SetChar(ReadUnsigned(op - 132));
        } else if (op >= 143 && op <= 146) {  // right1 .. right4
            Right(ReadSigned(op - 142));
        } else if (op >= 148 && op <= 151) {  // w1 .. w4
            w = ReadSigned(op - 147);
            Right(w);
        } else if (op >= 153 && op <= 156) {  // x1 .. x4
            x = ReadSigned(op - 152);
            Right(x);
        } else if (op >= 157 && op <= 160) {  // down1 .. down4
            Down(ReadSigned(op - 156));
        } else if (op >= 162 && op <= 165) {  // y1 .. y4
            y = ReadSigned(op - 161);
            Down(y);
        } else if (op >= 167 && op <= 170) {  // z1 .. z4
            z = ReadSigned(op - 166);
            Down(z);
        } else if (op >= 171 && op <= 234) {  // fnt_num_0 .. fnt_num_63
            SelectFont(op - 171);
        } else if (op >= 235 && op <= 238) {  // fnt1 .. fnt4
            SelectFont(ReadUnsigned(op - 234));
        } else if (op >= 239 && op <= 242) {  // xxx1 .. xxx4
            ReadSpecial(static_cast<std::uint32_t>(ReadUnsigned(op - 238)));
        } else if (op >= 243 && op <= 246) {  // fnt_def1 .. fnt_def4
            ReadFontDef(ReadUnsigned(op - 242));
        } else {
            switch (op) {
                case 132:
                    Right(SetRule());
                    break;  // set_rule
                case 137:
                    SetRule();
                    break;  // put_rule
                case 138:
                    break;  // nop
                case 139:
                    throw Failure("unexpected BOP");
                case 140:
                    return;  // eop
                case 141:
                    Push();
                    break;
                case 142:
                    Pop();
                    break;
                case 147:
                    Right(w);
                    break;  // w0
                case 152:
                    Right(x);
                    break;  // x0
                case 161:
                    Down(y);
                    break;  // y0
                case 166:
                    Down(z);
                    break;  // z0
                case 247:
                    throw Failure("unexpected PRE");
                case 248:
                    throw Failure("unexpected POST");
                case 249:
                    throw Failure("unexpected POST_POST");
                default:
                    // 250 .. 255 beyond the extensions, and the end of the file
                    if (!extended || !InterpretExtension(op)) throw Failure("undefined opcode");
            }
        }
    }
}

void DviReader::Push() {
    Require(stack.level < stack.capacity, "Stack overflow");
    const Registers registers{h, v, w, x, y, z, direction};
    if (stack.level < stack.saved.size()) {
        stack.saved[stack.level] = registers;
    } else {
        stack.saved.push_back(registers);
    }
    ++stack.level;
}

void DviReader::Pop() {
    Require(stack.level > 0, "Stack underflow");
    const Registers& registers = stack.saved[--stack.level];
    h = registers.h;
    v = registers.v;
    w = registers.w;
    x = registers.x;
    y = registers.y;
    z = registers.z;
    direction = registers.d;
}

std::int32_t DviReader::SetChar(std::int32_t c) {
    const TfmFont* font = fonts.CurrentFont();
    if (!font) FailWithoutFont(c);
    const std::int64_t i = CharIndex(*font, c);
    if (i < 0 || i >= std::int64_t(font->scaled.size())) FailNotInFont(c, *font);
    const auto [width, height, depth] = font->scaled[static_cast<std::size_t>(i)];
    // A negative depth raises the top edge by its amount instead of lifting the bottom.
    const std::int32_t negated = Sub(0, depth);
    GrowBox(h, Sub(Sub(v, height), negated > 0 ? negated : 0));
    GrowBox(Add(h, width), Add(v, depth > 0 ? depth : 0));
    OnChar(c);
    return width;
}

std::int32_t DviReader::SetRule() {
    const std::int32_t a = ReadSigned(4);
    const std::int32_t b = ReadSigned(4);
    if (a > 0 && b > 0) Rule(a, b);
    return b;
}

void DviReader::Rule(std::int32_t a, std::int32_t b) {
    if (direction != 0) {
        // In vertical text a rule runs down the page from v, a wide across it: right of
        // h in direction 1, left of it in direction 3. It is reported as the upright
        // rule that covers the same area.
        const std::int32_t savedH = h, savedV = v;
        if (direction == 1)
            v = Add(v, b);
        else
            h = Sub(h, a);
        GrowBox(h, Sub(v, b));
        GrowBox(Add(h, a), v);
        OnRule(b, a);
        h = savedH, v = savedV;
        return;
    }
    // A rule stands on v and rises: it covers h .. h + b and v - a .. v.
    GrowBox(h, Sub(v, a));
    GrowBox(Add(h, b), v);
    OnRule(a, b);
}

void DviReader::ReadSpecial(std::uint32_t len) {
    // The payload is taken in slices as it arrives, so a length that the file does not
    // back costs no memory beyond the bytes really there.
    constexpr std::uint32_t slice = 64 * 1024;
    std::string text;
    for (std::uint32_t left = len; left > 0;) {
        const std::uint32_t wanted = left < slice ? left : slice;
        const std::size_t old = text.size();
        text.resize(old + wanted);
        input->read(text.data() + old, wanted);
        Require(input->gcount() == std::streamsize(wanted), "unexpected end of file in special");
        left -= wanted;
    }
    OnSpecial(std::move(text));
}

void DviReader::ReadFontDef(std::int32_t k) {
    const std::int32_t c = ReadSigned(4);
    const std::int32_t s = ReadSigned(4);
    const std::int32_t d = ReadSigned(4);
    const int a = ReadByte();
    const int l = ReadByte();
    std::string name;
    for (int i = 0; i < a + l; ++i) name.push_back(static_cast<char>(ReadByte()));
    const std::int32_t checksum = fonts.DefineFont(k, s, d, name);
    Require(c == checksum, "Font checksum does not match tfm file");
}

void DviReader::Right(std::int32_t by) {
    if (direction == 0) [[likely]]
        h = Add(h, by);
    else
        TurnedRight(by);
}

void DviReader::Down(std::int32_t by) {
    if (direction == 0) [[likely]]
        v = Add(v, by);
    else
        TurnedDown(by);
}

void DviReader::TurnedRight(std::int32_t by) {
    v = direction == 1 ? Add(v, by) : Sub(v, by);
}

void DviReader::TurnedDown(std::int32_t by) {
    h = direction == 1 ? Sub(h, by) : Add(h, by);
}

void DviReader::SelectFont(std::int32_t k) {
    if (!nativeFonts.empty()) {
        if (const auto found = nativeFonts.find(k); found != nativeFonts.end()) {
            nativeFont = &found->second;
            fonts.Deselect();
            return;
        }
        nativeFont = nullptr;
    }
    fonts.SelectFont(k);
}

void DviReader::OnGlyphs(const NativeFont&, const std::vector<PlacedGlyph>&, std::int32_t,
                         std::u16string_view) {}

bool DviReader::InterpretExtension(int op) {
    if (op == 255 && format == Format::PTeX) {
        const int d = ReadByte();
        Require(d == 0 || d == 1 || d == 3, "Invalid direction");
        direction = d;
        return true;
    }
    if (format != Format::Xdv) return false;
    if (op == 252) {
        ReadNativeFontDef(ReadSigned(4));
    } else if (op == 253 || op == 254) {
        ReadGlyphs(op == 254);
    } else {
        return false;  // TeX--XeT's reflection, which XeTeX does not write
    }
    return true;
}

void DviReader::ReadNativeFontDef(std::int32_t k) {
    NativeFont font;
    font.number = k;
    font.size = ReadSigned(4);
    const int flags = ReadUnsigned(2);
    const int length = ReadByte();
    Require(length >= 0, "unexpected end of file in font definition");
    font.file.resize(static_cast<std::size_t>(length));
    input->read(font.file.data(), length);
    font.index = static_cast<std::uint32_t>(ReadSigned(4));
    font.vertical = (flags & 0x100) != 0;
    if (flags & 0x200) font.rgba = static_cast<std::uint32_t>(ReadSigned(4));
    if (flags & 0x1000) font.extend = ReadSigned(4);
    if (flags & 0x2000) font.slant = ReadSigned(4);
    if (flags & 0x4000) font.embolden = ReadSigned(4);
    Require(!inputState->fail(), "unexpected end of file in font definition");
    // A redefinition replaces the entry in place, so the current font sees it.
    nativeFonts[k] = std::move(font);
}

void DviReader::ReadGlyphs(bool withText) {
    std::u16string text;
    if (withText) {
        const int length = ReadUnsigned(2);
        text.resize(static_cast<std::size_t>(length));
        for (char16_t& unit : text) unit = static_cast<char16_t>(ReadUnsigned(2));
    }
    const std::int32_t width = ReadSigned(4);
    const int count = ReadUnsigned(2);
    Require(!inputState->fail(), "unexpected end of file in glyph run");
    glyphRun.resize(static_cast<std::size_t>(count));
    for (PlacedGlyph& glyph : glyphRun) {
        glyph.h = ReadSigned(4);
        glyph.v = ReadSigned(4);
    }
    for (PlacedGlyph& glyph : glyphRun) glyph.id = static_cast<std::uint16_t>(ReadUnsigned(2));
    Require(!inputState->fail(), "unexpected end of file in glyph run");
    Require(nativeFont != nullptr, "Glyphs set while no font is selected");
    // The positions are offsets from the current point, down the page for the second.
    for (PlacedGlyph& glyph : glyphRun) {
        glyph.h = Add(h, glyph.h);
        glyph.v = Add(v, glyph.v);
    }
    if (!glyphRun.empty()) {
        GrowBox(h, Sub(v, nativeFont->size));
        GrowBox(Add(h, width), v);
        OnGlyphs(*nativeFont, glyphRun, width, text);
    }
    Right(width);
}
