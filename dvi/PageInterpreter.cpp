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
    stack.level = 0;
    minH = minV = std::numeric_limits<std::int32_t>::max();
    maxH = maxV = 0;

    for (;;) {
        opcode = static_cast<std::uint8_t>(ReadByte());
        const int op = opcode;
        if (op <= 127) {  // set_char_0 .. set_char_127
            h = Add(h, SetChar(op));
        } else if (op <= 131) {  // set1 .. set4
            h = Add(h, SetChar(ReadUnsigned(op - 127)));
        } else if (op >= 133 && op <= 136) {  // put1 .. put4
            SetChar(ReadUnsigned(op - 132));
        } else if (op >= 143 && op <= 146) {  // right1 .. right4
            h = Add(h, ReadSigned(op - 142));
        } else if (op >= 148 && op <= 151) {  // w1 .. w4
            w = ReadSigned(op - 147);
            h = Add(h, w);
        } else if (op >= 153 && op <= 156) {  // x1 .. x4
            x = ReadSigned(op - 152);
            h = Add(h, x);
        } else if (op >= 157 && op <= 160) {  // down1 .. down4
            v = Add(v, ReadSigned(op - 156));
        } else if (op >= 162 && op <= 165) {  // y1 .. y4
            y = ReadSigned(op - 161);
            v = Add(v, y);
        } else if (op >= 167 && op <= 170) {  // z1 .. z4
            z = ReadSigned(op - 166);
            v = Add(v, z);
        } else if (op >= 171 && op <= 234) {  // fnt_num_0 .. fnt_num_63
            fonts.SelectFont(op - 171);
        } else if (op >= 235 && op <= 238) {  // fnt1 .. fnt4
            fonts.SelectFont(ReadUnsigned(op - 234));
        } else if (op >= 239 && op <= 242) {  // xxx1 .. xxx4
            ReadSpecial(static_cast<std::uint32_t>(ReadUnsigned(op - 238)));
        } else if (op >= 243 && op <= 246) {  // fnt_def1 .. fnt_def4
            ReadFontDef(ReadUnsigned(op - 242));
        } else {
            switch (op) {
                case 132:
                    h = Add(h, SetRule());
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
                    h = Add(h, w);
                    break;  // w0
                case 152:
                    h = Add(h, x);
                    break;  // x0
                case 161:
                    v = Add(v, y);
                    break;  // y0
                case 166:
                    v = Add(v, z);
                    break;  // z0
                case 247:
                    throw Failure("unexpected PRE");
                case 248:
                    throw Failure("unexpected POST");
                case 249:
                    throw Failure("unexpected POST_POST");
                default:
                    throw Failure("undefined opcode");  // 250 .. 255, and the end of the file
            }
        }
    }
}

void DviReader::Push() {
    Require(stack.level < stack.capacity, "Stack overflow");
    const Registers registers{h, v, w, x, y, z};
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
}

std::int32_t DviReader::SetChar(std::int32_t c) {
    const TfmFont* font = fonts.CurrentFont();
    if (!font) FailWithoutFont(c);
    const std::int64_t i = std::int64_t{c} - font->metrics->bc;
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
    if (a <= 0 || b <= 0) return b;
    // A rule stands on v and rises: it covers h .. h + b and v - a .. v.
    GrowBox(h, Sub(v, a));
    GrowBox(Add(h, b), v);
    OnRule(a, b);
    return b;
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
