// The window's labels that monitoring writes.
#pragma once

#include <cstdint>

namespace monitor {

enum class Label {
    kAddress0,
    kAddress1,
    kStatus,
    kError,
    kTripTime,
    kCount,
    kGreenCount,
    kYellowCount,
    kRedCount,
    kGreenTime,
    kYellowTime,
    kRedTime,
};

constexpr Label AddressLabel(int16_t site) {
    return site == 0 ? Label::kAddress0 : Label::kAddress1;
}

}  // namespace monitor
