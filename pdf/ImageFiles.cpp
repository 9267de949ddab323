// Reading PNG and JPEG headers.
#include "pdf/ImageFiles.h"

#include <cstdint>

namespace {

std::uint32_t BigEndian(std::string_view bytes, std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

std::optional<ImageInfo> Png(std::string_view bytes) {
    // The signature, then chunks: length, type, data, CRC; IHDR first.
    if (bytes.size() < 33 || bytes.substr(12, 4) != "IHDR") return std::nullopt;
    ImageInfo info{"png", static_cast<int>(BigEndian(bytes, 16, 4)),
                   static_cast<int>(BigEndian(bytes, 20, 4))};
    for (std::size_t at = 8; at + 12 <= bytes.size();) {
        const std::uint32_t length = BigEndian(bytes, at, 4);
        const std::string_view type = bytes.substr(at + 4, 4);
        if (length > bytes.size() - at - 12) break;
        if (type == "IDAT" || type == "IEND") break;
        // pHYs: pixels per unit across and down, and the unit (1: the metre).
        if (type == "pHYs" && length == 9 && bytes[at + 16] == 1) {
            const double across = BigEndian(bytes, at + 8, 4), down = BigEndian(bytes, at + 12, 4);
            if (across > 0 && down > 0) {
                info.xdpi = across * 0.0254;
                info.ydpi = down * 0.0254;
            }
        }
        at += length + 12;
    }
    return info;
}

std::optional<ImageInfo> Jpeg(std::string_view bytes) {
    ImageInfo info{"jpeg", 0, 0};
    for (std::size_t at = 2; at + 4 <= bytes.size();) {
        if (static_cast<unsigned char>(bytes[at]) != 0xFF) return std::nullopt;
        const int marker = static_cast<unsigned char>(bytes[at + 1]);
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) break;
        const std::size_t length = BigEndian(bytes, at + 2, 2);
        if (length < 2 || length > bytes.size() - at - 2) return std::nullopt;
        const std::string_view segment = bytes.substr(at + 4, length - 2);
        // JFIF's density: its unit (1: inches, 2: centimetres), across and down.
        if (marker == 0xE0 && segment.size() >= 12 &&
            segment.starts_with(std::string_view("JFIF\0", 5))) {
            const int unit = static_cast<unsigned char>(segment[7]);
            const double across = BigEndian(segment, 8, 2), down = BigEndian(segment, 10, 2);
            if ((unit == 1 || unit == 2) && across > 0 && down > 0) {
                info.xdpi = unit == 1 ? across : across * 2.54;
                info.ydpi = unit == 1 ? down : down * 2.54;
            }
        }
        // A start of frame: precision, height, width.
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
            marker != 0xCC && segment.size() >= 5) {
            info.height = static_cast<int>(BigEndian(segment, 1, 2));
            info.width = static_cast<int>(BigEndian(segment, 3, 2));
            return info;
        }
        at += 2 + length;
    }
    return std::nullopt;
}

}  // namespace

std::optional<ImageInfo> ReadImageInfo(std::string_view bytes) {
    std::optional<ImageInfo> info;
    if (bytes.starts_with("\x89PNG\r\n\x1A\n"))
        info = Png(bytes);
    else if (bytes.starts_with("\xFF\xD8"))
        info = Jpeg(bytes);
    if (info && (info->width <= 0 || info->height <= 0)) return std::nullopt;
    return info;
}
