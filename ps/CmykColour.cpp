// One transform, made on first use and kept for the process.
#include "ps/CmykColour.h"

#include <lcms2.h>

#include <algorithm>
#include <cmath>

namespace {

// Where Debian's ghostscript package puts the profile Ghostscript draws CMYK with.
constexpr char cmykProfile[] = "/usr/share/color/icc/ghostscript/default_cmyk.icc";

cmsHTRANSFORM Transform() {
    static const cmsHTRANSFORM transform = [] {
        cmsHPROFILE cmyk = cmsOpenProfileFromFile(cmykProfile, "r");
        if (cmyk == nullptr) return cmsHTRANSFORM{};
        cmsHPROFILE srgb = cmsCreate_sRGBProfile();
        cmsHTRANSFORM made =
            cmsCreateTransform(cmyk, TYPE_CMYK_DBL, srgb, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC,
                               cmsFLAGS_BLACKPOINTCOMPENSATION);
        cmsCloseProfile(cmyk);
        cmsCloseProfile(srgb);
        return made;
    }();
    return transform;
}

}  // namespace

RgbColour CmykToRgb(double c, double m, double y, double k) {
    if (cmsHTRANSFORM transform = Transform()) {
        const double cmyk[4] = {c * 100, m * 100, y * 100, k * 100};  // lcms counts percent
        std::uint8_t rgb[3];
        cmsDoTransform(transform, cmyk, rgb, 1);
        return RgbColour{rgb[0], rgb[1], rgb[2]};
    }
    const auto level = [&](double v) {
        return static_cast<std::uint8_t>(std::lround(std::clamp(1 - v - k, 0.0, 1.0) * 255));
    };
    return RgbColour{level(c), level(m), level(y)};
}
