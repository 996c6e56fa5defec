#include "common/TimeOfDay.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

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

// Sets the local time zone for the life of a test and puts the previous one back afterwards.
class LocalZone {
  public:
    explicit LocalZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) previous_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~LocalZone() {
        if (previous_) {
            setenv("TZ", previous_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

  private:
    std::optional<std::string> previous_;
};

TEST(TimeOfDayText, ShowsAMomentOnTheLocalClock) {
    {
        LocalZone utc("UTC0");
        EXPECT_EQ(TimeOfDayText(std::time_t{0}), "00:00:00");
        EXPECT_EQ(TimeOfDayText(std::time_t{14 * 3600 + 5 * 60 + 9}), "14:05:09");
        EXPECT_EQ(TimeOfDayText(std::time_t{86400 * 365 + 86399}), "23:59:59");
    }
    {
        LocalZone ahead("XYZ-2");  // two hours ahead of UTC
        EXPECT_EQ(TimeOfDayText(std::time_t{23 * 3600}), "01:00:00");
    }
}

TEST(CurrentTimeOfDay, HasTheClockLayout) {
    const std::string text = CurrentTimeOfDay();
    ASSERT_EQ(text.size(), 8u) << text;
    EXPECT_EQ(text[2], ':') << text;
    EXPECT_EQ(text[5], ':') << text;
    const auto field = [&](size_t at) {
        EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(text[at])) &&
                    std::isdigit(static_cast<unsigned char>(text[at + 1])))
            << text;
        return (text[at] - '0') * 10 + (text[at + 1] - '0');
    };
    EXPECT_LE(field(0), 23) << text;
    EXPECT_LE(field(3), 59) << text;
    EXPECT_LE(field(6), 59) << text;
}

}  // namespace
}  // namespace common
