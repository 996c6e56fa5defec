#include "common/QtColours.h"

namespace common {

QColor ToQColor(ColourValue value) {
    const ColourValue plain = ResolveColour(value);
    return QColor(RedOf(plain), GreenOf(plain), BlueOf(plain));
}

ColourValue FromQColor(const QColor& colour) {
    if (!colour.isValid()) return RgbValue(0, 0, 0);
    // Colours held as HSV, HSL or CMYK convert to their RGB components.
    const QColor rgb = colour.toRgb();
    return RgbValue(static_cast<uint8_t>(rgb.red()), static_cast<uint8_t>(rgb.green()),
                    static_cast<uint8_t>(rgb.blue()));
}

}  // namespace common
