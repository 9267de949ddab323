#include "fonts/TfmMetrics.h"

#include <algorithm>
#include <fstream>

#include "common/Failure.h"
#include "fonts/TfmLookup.h"

namespace {

// The file is read only as far as its counts say it reaches, in slices, so that
// huge counts in a short file cost no more memory than the bytes really present.
std::string ReadUpTo(std::istream& file, std::size_t wanted) {
    constexpr std::size_t slice = 64 * 1024;
    std::string bytes;
    while (bytes.size() < wanted && file) {
        const std::size_t old = bytes.size();
        bytes.resize(old + std::min(slice, wanted - old));
        file.read(bytes.data() + old, static_cast<std::streamsize>(bytes.size() - old));
        bytes.resize(old + static_cast<std::size_t>(file.gcount()));
    }
    return bytes;
}

// Big-endian reads from bytes whose length has been checked beforehand.
std::uint32_t Word(const std::string& bytes, std::size_t at) {
    const auto b = [&](std::size_t i) {
        return static_cast<std::uint32_t>(std::uint8_t(bytes[i]));
    };
    return b(at) << 24 | b(at + 1) << 16 | b(at + 2) << 8 | b(at + 3);
}

std::int32_t Half(const std::string& bytes, std::size_t at) {
    return std::uint8_t(bytes[at]) * 256 + std::uint8_t(bytes[at + 1]);
}

}  // namespace

void TfmMetrics::LoadTfm(const std::string& name, bool japanese) {
    lf = 0;  // a failed lookup leaves no metrics behind
    LoadTfmFile(name, FindTfmFile(name), japanese);
}

void TfmMetrics::LoadTfmFile(const std::string& name, const std::string& path, bool japanese) {
    lf = 0;
    std::ifstream file(path, std::ios::binary);
    Require(!file.fail(), "Failed to open " + name + ".tfm file");
    Read(file, name, japanese);
}

void TfmMetrics::Read(std::istream& file, const std::string& name, bool japanese) {
    const std::string damaged = "Font " + name + " tfm file ";
    lf = 0;
    ReleaseArrays();

    std::string bytes = ReadUpTo(file, 24);
    Require(bytes.size() == 24, damaged + "is truncated");
    // A JFM starts with its identification, 11 (horizontal) or 9 (vertical), and the
    // length of its char_type table: two halfwords before the usual twelve counts.
    const std::int32_t id = Half(bytes, 0);
    jfm = japanese && (id == 11 || id == 9);
    vertical = jfm && id == 9;
    std::size_t types = 0, start = 0;
    if (jfm) {
        types = static_cast<std::size_t>(Half(bytes, 2));
        bytes += ReadUpTo(file, 4);
        Require(bytes.size() == 28, damaged + "is truncated");
        start = 4;
    }
    std::int32_t* const counts[] = {&lf, &lh, &bc, &ec, &nw, &nh, &nd, &ni, &nl, &nk, &ne, &np};
    for (std::size_t i = 0; i < 12; ++i) *counts[i] = Half(bytes, start + 2 * i);
    Require(ec >= bc - 1 && (!jfm || bc == 0), damaged + "has an invalid character range");
    const std::size_t count = static_cast<std::size_t>(ec - bc + 1);

    // Byte offsets of what is read: checksum and design size always, the rest of the
    // header when lh > 2, a JFM's char_type table, the char_info words, then the eight
    // tables in file order.
    const std::size_t header = 24 + start;
    const std::size_t typeTable = header + 8 + 4 * static_cast<std::size_t>(std::max(lh - 2, 0));
    const std::size_t charInfo = typeTable + 4 * types;
    const std::size_t widthTable = charInfo + 4 * count;
    const std::size_t heightTable = widthTable + 4 * static_cast<std::size_t>(nw);
    const std::size_t depthTable = heightTable + 4 * static_cast<std::size_t>(nh);
    const std::size_t italicTable = depthTable + 4 * static_cast<std::size_t>(nd);
    const std::size_t end = italicTable + 4 * static_cast<std::size_t>(ni + nl + nk + ne + np);
    bytes += ReadUpTo(file, end - bytes.size());
    Require(bytes.size() == end, damaged + "is truncated");

    checksum = static_cast<std::int32_t>(Word(bytes, header));
    designSize = static_cast<std::int32_t>(Word(bytes, header + 4));
    // Header words 2 to 11, when present: the coding scheme as a BCPL string, a length
    // byte and up to 39 characters.
    codingScheme.clear();
    if (lh >= 12) {
        const std::size_t length = std::min<std::size_t>(std::uint8_t(bytes[header + 8]), 39);
        codingScheme = bytes.substr(header + 9, length);
    }
    // Each char_type word: the code's low two bytes, its third byte (upTeX), the type.
    charTypes.clear();
    for (std::size_t i = 0; i < types; ++i) {
        const std::size_t at = typeTable + 4 * i;
        const std::uint32_t code = static_cast<std::uint32_t>(Half(bytes, at)) |
                                   std::uint32_t{std::uint8_t(bytes[at + 2])} << 16;
        const std::uint8_t type = bytes[at + 3];
        Require(type < count, damaged + "has a character type outside its table");
        if (type != 0) charTypes[code] = type;
    }

    width.resize(count);
    height.resize(count);
    depth.resize(count);
    italic.resize(count);
    tag.resize(count);
    remainder.resize(count);
    const auto fixWord = [&](std::size_t table, std::int32_t size, std::int32_t index) {
        if (index >= size) throw Failure(damaged + "has a character index outside its tables");
        return static_cast<std::int32_t>(Word(bytes, table + 4 * static_cast<std::size_t>(index)));
    };
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = charInfo + 4 * i;
        const std::uint8_t b0 = bytes[at], b1 = bytes[at + 1], b2 = bytes[at + 2],
                           b3 = bytes[at + 3];
        width[i] = fixWord(widthTable, nw, b0);
        height[i] = fixWord(heightTable, nh, b1 >> 4);
        depth[i] = fixWord(depthTable, nd, b1 & 15);
        italic[i] = fixWord(italicTable, ni, b2 >> 2);
        tag[i] = b2 & 3;
        remainder[i] = b3;
    }
}

void TfmMetrics::ReleaseArrays() {
    for (auto* array : {&width, &height, &depth, &italic, &tag, &remainder}) {
        array->clear();
        array->shrink_to_fit();
    }
    charTypes.clear();
}
