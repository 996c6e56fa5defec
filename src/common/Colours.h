// 24-bit colour values (red in the low byte, then green, then blue) and the window's design
// colours, where a value with its top bit set names a system colour by the index in its low byte.
#pragma once

#include <cstdint>

namespace common {

using ColourValue = uint32_t;

constexpr ColourValue RgbValue(uint8_t red, uint8_t green, uint8_t blue) {
    return static_cast<ColourValue>(red) | (static_cast<ColourValue>(green) << 8) |
           (static_cast<ColourValue>(blue) << 16);
}
constexpr uint8_t RedOf(ColourValue c) {
    return static_cast<uint8_t>(c & 0xFF);
}
constexpr uint8_t GreenOf(ColourValue c) {
    return static_cast<uint8_t>((c >> 8) & 0xFF);
}
constexpr uint8_t BlueOf(ColourValue c) {
    return static_cast<uint8_t>((c >> 16) & 0xFF);
}

// The traffic light's lit colours: the lamps of the window and the fills of the tray's state pictures.
constexpr ColourValue kLitGreen = RgbValue(0, 255, 0);
constexpr ColourValue kLitYellow = RgbValue(255, 255, 0);
constexpr ColourValue kLitRed = RgbValue(255, 0, 0);

// System colour indexes used by the window design.
constexpr uint8_t kSysWindowText = 8;       // black in the standard scheme
constexpr uint8_t kSysCaptionText = 9;      // white in the standard scheme
constexpr uint8_t kSysInactiveBorder = 11;  // a light grey
constexpr uint8_t kSysButtonFace = 15;      // the face of controls: light grey

constexpr ColourValue kSystemColourFlag = 0x80000000u;
constexpr ColourValue SystemColour(uint8_t index) {
    return kSystemColourFlag | index;
}
constexpr bool IsSystemColour(ColourValue c) {
    return (c & kSystemColourFlag) != 0;
}

// The plain 24-bit colour of a design value: itself when it is no system colour, else the colour
// of the standard scheme for that index (8 black, 9 white, 11 and 15 light grey; any other index black).
ColourValue ResolveColour(ColourValue designValue);

// The contrast of two colours as WCAG 2 measures it: from 1 (alike) to 21 (black against white).
double ContrastRatio(ColourValue a, ColourValue b);
// The text colour that stands out more on a background: black, or white where black would not.
ColourValue ReadableTextOn(ColourValue background);

}  // namespace common
