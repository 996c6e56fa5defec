// Window positions and sizes in twips: 1440 per inch, 15 per device-independent pixel. Qt's own
// scaling carries device-independent pixels to the screen's density.
#pragma once

namespace common {

constexpr double kTwipsPerPixel = 15.0;
constexpr double TwipsToPixels(double twips) {
    return twips / kTwipsPerPixel;
}
constexpr float PixelsToTwips(double pixels) {
    return static_cast<float>(pixels * kTwipsPerPixel);
}

}  // namespace common
