// What the header of a PNG or JPEG file says: its size in pixels and its resolution.
#pragma once

#include <optional>
#include <string>
#include <string_view>

struct ImageInfo {
    std::string extension;  // "png" or "jpeg"
    int width = 0, height = 0;
    double xdpi = 72, ydpi = 72;  // 72 when the file does not say
};

// None for a file of another kind, or a damaged one.
std::optional<ImageInfo> ReadImageInfo(std::string_view bytes);
