#include "common/Colours.h"

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

}  // namespace common
