// The tray icon's pictures: one for each lamp of the traffic light, and grey while nothing is probed.
#pragma once

namespace common {

enum class StateIcon {
    kGreen,   // the site answers; sign: a tick
    kYellow,  // answers are slow or some are lost; sign: a bar
    kRed,     // no answer; sign: a cross
    kGrey,    // not probing; sign: three dots
};

}  // namespace common
