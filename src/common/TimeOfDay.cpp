#include "common/TimeOfDay.h"

#include <algorithm>
#include <cstdio>

namespace common {

std::string TimeOfDayText(int hours, int minutes, int seconds) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", std::clamp(hours, 0, 23),
                  std::clamp(minutes, 0, 59), std::clamp(seconds, 0, 59));
    return buffer;
}

std::string TimeOfDayText(std::time_t moment) {
    std::tm local{};
    // A moment the C library cannot place on the local clock shows as midnight.
    if (localtime_r(&moment, &local) == nullptr) return TimeOfDayText(0, 0, 0);
    return TimeOfDayText(local.tm_hour, local.tm_min, local.tm_sec);
}

}  // namespace common
