// Time of day as the window shows it.
#pragma once

#include <ctime>
#include <string>

namespace common {

// "hh:mm:ss", 24-hour, two digits each. Out-of-range fields are clamped into 00..23 / 00..59.
std::string TimeOfDayText(int hours, int minutes, int seconds);

// The given moment on the local clock, as "hh:mm:ss".
std::string TimeOfDayText(std::time_t moment);

}  // namespace common
