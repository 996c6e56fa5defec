#include "common/TimeOfDay.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace common {
namespace {

TEST(TimeOfDayText, WritesTwoDigitFieldsClampedIntoRange) {
    struct Case {
        int h, m, s;
        const char* text;
    };
    const Case cases[] = {
        {14, 5, 9, "14:05:09"},   {0, 0, 0, "00:00:00"},    {23, 59, 59, "23:59:59"},
        {24, 60, 61, "23:59:59"}, {-1, -5, -9, "00:00:00"}, {7, 100, -3, "07:59:00"},
    };
    for (const Case& c : cases) EXPECT_EQ(TimeOfDayText(c.h, c.m, c.s), c.text) << c.text;
}

TEST(TimeOfDayText, ShowsAMomentOnTheLocalClock) {
    setenv("TZ", "XYZ-2", 1);  // two hours ahead of UTC; nothing else in this program reads the zone
    tzset();
    EXPECT_EQ(TimeOfDayText(std::time_t{12 * 3600 + 5 * 60 + 9}), "14:05:09");
    EXPECT_EQ(TimeOfDayText(std::time_t{86400 * 365 + 23 * 3600}), "01:00:00");
    unsetenv("TZ");
    tzset();
}

}  // namespace
}  // namespace common
