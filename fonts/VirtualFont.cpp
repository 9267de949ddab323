// The VF format: a preamble (247, identification 202, a comment, checksum and design
// size), the local fonts' definitions (fnt_def1 to fnt_def4, as in DVI), the character
// packets (long_char 242, or short_char 0 to 241 whose opcode is the packet's length),
// and the postamble (248, then padding).
#include "fonts/VirtualFont.h"

#include "common/Failure.h"

namespace {

class Bytes {
  public:
    Bytes(std::string_view bytes, const std::string& name) : rest(bytes), name(name) {}
    bool Empty() const { return rest.empty(); }
    std::string_view Take(std::size_t count) {
        Require(count <= rest.size(), "Font " + name + " vf file is damaged");
        const std::string_view taken = rest.substr(0, count);
        rest.remove_prefix(count);
        return taken;
    }
    // A big-endian number of `count` bytes, unsigned below four, signed at four.
    std::int32_t Number(int count) {
        std::uint32_t value = 0;
        for (const char byte : Take(static_cast<std::size_t>(count)))
            value = value << 8 | static_cast<unsigned char>(byte);
        return static_cast<std::int32_t>(value);
    }

  private:
    std::string_view rest;
    const std::string& name;
};

}  // namespace

VirtualFont ReadVirtualFont(std::string_view bytes, const std::string& name) {
    Bytes file(bytes, name);
    VirtualFont font;
    Require(file.Number(1) == 247 && file.Number(1) == 202, "Font " + name + " vf file is damaged");
    file.Take(static_cast<std::size_t>(file.Number(1)));  // the comment
    font.checksum = file.Number(4);
    font.designSize = file.Number(4);
    for (;;) {
        const int op = file.Number(1);
        if (op == 248) return font;  // the postamble
        if (op >= 243 && op <= 246) {
            VirtualFont::LocalFont& local = font.fonts.emplace_back();
            local.number = file.Number(op - 242);
            local.checksum = file.Number(4);
            local.scale = file.Number(4);
            local.designSize = file.Number(4);
            const int area = file.Number(1), length = file.Number(1);
            local.name = file.Take(static_cast<std::size_t>(area + length));
            continue;
        }
        std::int32_t length, code;
        if (op == 242) {
            length = file.Number(4);
            code = file.Number(4);
            file.Number(4);  // the TFM width, which the TFM file gives too
        } else {
            Require(op < 242, "Font " + name + " vf file is damaged");
            length = op;
            code = file.Number(1);
            file.Number(3);
        }
        Require(length >= 0, "Font " + name + " vf file is damaged");
        font.packets[code] = file.Take(static_cast<std::size_t>(length));
    }
}
