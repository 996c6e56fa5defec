#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>
#include <tuple>

#include "common/NumberText.h"
#include "common/TimeOfDay.h"

namespace common {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(ReadNumber, ReadsTheNumberAtTheStartOfTheText) {
    const std::string zeros(100000, '0');
    // clang-format off
    const std::tuple<std::string, double, double> cases[] = {
        {"1000", 1000, 1000},   {"+3", 3, 0},         {"-5", -5, 0},           {" 1 2 ", 12, 12},
        {"- 5", -5, 0},         {"\t7\n", 7, 7},      {"\r5", 0, 0},           {"12ms", 12, 12},
        {".5", 0.5, 0.5},       {"1.2.3", 1.2, 1.2},  {"1.6", 1.6, 1.6},       {"", 0, 0},
        {"1e3", 1000, 1000},    {"1D-2", 0.01, 0.01}, {"-.5d-2", -0.005, 0},   {"1 e 3", 1000, 1000},
        {"1e", 1, 1},           {"1e+", 1, 1},        {"1e-x", 1, 1},          {"-.e3", 0, 0},
        {"&H1F", 31, 0},        {"&h1f", 31, 0},      {"& H 1F", 31, 0},       {"&O17", 15, 0},
        {"&HFFFFFFFF", 4294967295.0, 0},              {"&o78", 7, 0},          {"&H1G", 1, 0},
        {"&X1", 0, 0},          {"-&H1F", 0, 0},      {"1e400", kInf, kInf},   {"-1e400", -kInf, 0},
        {"1e-400", 0, 0},       {"4.9e-324", 4.9e-324, 4.9e-324},              {"1" + zeros, kInf, kInf},
        {"1e9999999999999999999999", kInf, kInf},     {"1" + zeros + "e-100000", 1, 1},
        {"0." + zeros + "1e100005", 1e4, 1e4},        {"&H1" + zeros, kInf, 0},
        {"&HFFFFFFFFFFFFFFFF", std::ldexp(1.0, 64), 0},
        // Halfway between two doubles goes to the even one; any later non-zero digit rounds up.
        {"&H10000000000000800", std::ldexp(1.0, 64), 0},
        {"&H10000000000000801", std::ldexp(1.0, 64) + 4096, 0},
        {"&H10000000000000800000000000000001", std::ldexp(1.0, 124) + std::ldexp(1.0, 72), 0},
    };
    // clang-format on
    for (const auto& [text, plain, zeroPrefixed] : cases)
        EXPECT_EQ(std::pair(ReadNumber(text), ReadNumberZeroPrefixed(text)), std::pair(plain, zeroPrefixed))
            << '"' << text.substr(0, 40) << '"';
}

TEST(RoundToInteger, RoundsHalfToEvenAndClampsToEachWidth) {
    // clang-format off
    const std::tuple<double, int, int, int> cases[] = {
        {2.5, 2, 2, 2},          {3.5, 4, 4, 4},          {-2.5, 0, -2, -2},       {0.5, 0, 0, 0},
        {1.6, 2, 2, 2},          {-1.5, 0, -2, -2},       {254.5, 254, 254, 254},  {255.5, 255, 256, 256},
        {-1, 0, -1, -1},         {32766.5, 255, 32766, 32766},                     {32767.5, 255, INT16_MAX, 32768},
        {-32768.5, 0, INT16_MIN, -32768},                 {2147483646.5, 255, INT16_MAX, 2147483646},
        {2147483647.5, 255, INT16_MAX, INT32_MAX},        {-2147483648.5, 0, INT16_MIN, INT32_MIN},
        {kInf, 255, INT16_MAX, INT32_MAX},                {-kInf, 0, INT16_MIN, INT32_MIN},
        {kNaN, 0, 0, 0}};
    // clang-format on
    for (const auto& [value, u8, i16, i32] : cases)
        EXPECT_EQ(std::tuple(+RoundToUInt8(value), +RoundToInt16(value), RoundToInt32(value)),
                  std::tuple(u8, i16, i32))
            << value;
}

TEST(DecimalText, WritesTheShortestTextThatReadsBack) {
    // clang-format off
    const std::pair<double, const char*> cases[] = {
        {1, "1"},          {2.5, "2.5"},     {0.1, "0.1"},     {-0.125, "-0.125"},  {1234567, "1234567"},
        {-0.0, "0"},       {1e20, "1E+20"},  {1e-7, "1E-07"},  {kInf, "inf"},       {-kInf, "-inf"},
        {kNaN, "nan"},     {1.0 / 3, "0.3333333333333333"},   {5e-324, "5E-324"}};
    // clang-format on
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(DecimalText(value), text) << value;
        EXPECT_TRUE(!std::isfinite(value) || ReadNumber(text) == value) << text;
    }
    EXPECT_EQ(DecimalText(1234.5f) + " " + DecimalText(0.1f), "1234.5 0.1");
}

TEST(TimeOfDayText, WritesTwoDigitFieldsClampedIntoRangeOnTheLocalClock) {
    const std::tuple<int, int, int, const char*> cases[] = {
        {14, 5, 9, "14:05:09"},   {0, 0, 0, "00:00:00"},    {23, 59, 59, "23:59:59"},
        {24, 60, 61, "23:59:59"}, {-1, -5, -9, "00:00:00"}, {7, 100, -3, "07:59:00"}};
    for (const auto& [h, m, s, text] : cases) EXPECT_EQ(TimeOfDayText(h, m, s), text) << text;
    setenv("TZ", "XYZ-2", 1);  // two hours ahead of UTC; nothing else in this program reads the zone
    tzset();
    EXPECT_EQ(TimeOfDayText(std::time_t{12 * 3600 + 5 * 60 + 9}), "14:05:09");
    EXPECT_EQ(TimeOfDayText(std::time_t{86400 * 365 + 23 * 3600}), "01:00:00");
    unsetenv("TZ");
    tzset();
}

}  // namespace
}  // namespace common
