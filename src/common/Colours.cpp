#include "common/Colours.h"

#include <algorithm>
#include <cmath>

namespace common {

ColourValue ResolveColour(ColourValue designValue) {
    if (!IsSystemColour(designValue)) return designValue & 0xFFFFFFu;
    switch (designValue & 0xFFu) {
        case kSysWindowText:
            return RgbValue(0x00, 0x00, 0x00);
        case kSysCaptionText:
            return RgbValue(0xFF, 0xFF, 0xFF);
        case kSysInactiveBorder:
        case kSysButtonFace:
            return RgbValue(0xC0, 0xC0, 0xC0);
        default:
            return RgbValue(0x00, 0x00, 0x00);
    }
}

namespace {

// Relative luminance of an sRGB colour, 0 for black to 1 for white.
double Luminance(ColourValue c) {
    const auto linear = [](uint8_t channel) {
        const double v = channel / 255.0;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    const ColourValue plain = ResolveColour(c);
    return 0.2126 * linear(RedOf(plain)) + 0.7152 * linear(GreenOf(plain)) + 0.0722 * linear(BlueOf(plain));
}

}  // namespace

double ContrastRatio(ColourValue a, ColourValue b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

ColourValue ReadableTextOn(ColourValue background) {
    constexpr ColourValue kBlack = 0x000000;
    constexpr ColourValue kWhite = 0xFFFFFF;
    return ContrastRatio(kBlack, background) >= ContrastRatio(kWhite, background) ? kBlack : kWhite;
}

}  // namespace common
