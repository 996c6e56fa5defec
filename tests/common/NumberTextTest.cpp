#include "common/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>

namespace common {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct ReadCase {
    std::string text;
    double expected;
};

TEST(ReadNumber, ReadsTheNumberAtTheStartOfTheText) {
    // clang-format off
    const ReadCase cases[] = {
        {"1000", 1000},     {"0.5", 0.5},       {"1.6", 1.6},        {"+3", 3},          {"-5", -5},
        {"1e3", 1000},      {"1E3", 1000},      {"1d3", 1000},       {"1D-2", 0.01},     {"-.5D-2", -0.005},
        {".5", 0.5},        {"5.", 5},          {"12ms", 12},        {"1.2.3", 1.2},     {"12,5", 12},
        {"1e", 1},          {"1e+", 1},         {"1ex", 1},          {"1e-x", 1},        {"0x1F", 0},
        {"abc", 0},         {"", 0},            {".", 0},            {"-", 0},           {"-.e3", 0},
        {" 1 2 ", 12},      {"- 5", -5},        {"1 e 3", 1000},     {"\t7\n", 7},       {"\r5", 0},
        {"&H1F", 31},       {"&h1f", 31},       {"& H 1F", 31},      {"&o17", 15},       {"&O17", 15},
        {"&H", 0},          {"&HFFFFFFFF", 4294967295.0},            {"&O37777777777", 4294967295.0},
        {"&H1G", 1},        {"&o78", 7},        {"&X1", 0},          {"&", 0},           {"-&H1F", 0},
        {"1e400", kInf},    {"-1e400", -kInf},  {"1e-400", 0},       {"4.9e-324", 4.9e-324},
        {"1e9999999999999999999999", kInf}, {"1e-9999999999999999999999", 0},
    };
    // clang-format on
    for (const ReadCase& c : cases) {
        EXPECT_EQ(ReadNumber(c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(ReadNumber, KeepsTheSignOfZeroAndOfUnderflow) {
    EXPECT_TRUE(std::signbit(ReadNumber("-0")));
    EXPECT_TRUE(std::signbit(ReadNumber("-1e-400")));
    EXPECT_FALSE(std::signbit(ReadNumber("1e-400")));
    EXPECT_FALSE(std::signbit(ReadNumber("-")));
}

TEST(ReadNumber, HandlesVeryLongTexts) {
    const std::string zeros(100000, '0');
    EXPECT_EQ(ReadNumber("1" + zeros), kInf);
    EXPECT_EQ(ReadNumber("-1" + zeros), -kInf);
    EXPECT_EQ(ReadNumber("1" + zeros + "e-100000"), 1.0);
    EXPECT_EQ(ReadNumber("0." + zeros + "1e100005"), 1e4);
    EXPECT_EQ(ReadNumber(zeros + "42"), 42.0);
    EXPECT_EQ(ReadNumber("1e" + zeros + "3"), 1000.0);
    EXPECT_EQ(ReadNumber(std::string(100000, '9')), kInf);
    EXPECT_EQ(ReadNumber("&H1" + zeros), kInf);
    EXPECT_EQ(ReadNumber("&O" + zeros + "17"), 15.0);
    EXPECT_EQ(ReadNumber(std::string(100000, ' ') + "7"), 7.0);
}

TEST(ReadNumber, RoundsLongHexadecimalValuesToNearest) {
    const double two64 = std::ldexp(1.0, 64);
    // 2^64 + 2048 lies exactly halfway and goes to the even neighbour; one unit more rounds up.
    EXPECT_EQ(ReadNumber("&H10000000000000800"), two64);
    EXPECT_EQ(ReadNumber("&H10000000000000801"), two64 + 4096);
    // The same halfway case with the deciding digit well past the first sixteen.
    EXPECT_EQ(ReadNumber("&H10000000000000800000000000000000"), std::ldexp(1.0, 124));
    EXPECT_EQ(ReadNumber("&H10000000000000800000000000000001"), std::ldexp(1.0, 124) + std::ldexp(1.0, 72));
    EXPECT_EQ(ReadNumber("&H20000000000001"), std::ldexp(1.0, 53));
    EXPECT_EQ(ReadNumber("&HFFFFFFFFFFFFFFFF"), two64);
}

TEST(ReadNumberZeroPrefixed, IgnoresSignsAndPrefixes) {
    const ReadCase cases[] = {
        {"-5", 0}, {"&H1F", 0}, {" 5", 5}, {"7", 7}, {".5", 0.5}, {"", 0}, {"1e3", 1000}, {"12ms", 12},
    };
    for (const ReadCase& c : cases) {
        EXPECT_EQ(ReadNumberZeroPrefixed(c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(RoundToInteger, RoundsHalfToEvenAndClampsToEachWidth) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double value;
        uint8_t u8;
        int16_t i16;
        int32_t i32;
    };
    // clang-format off
    const Case cases[] = {
        {2.5, 2, 2, 2},          {3.5, 4, 4, 4},         {-2.5, 0, -2, -2},       {0.5, 0, 0, 0},
        {1.5, 2, 2, 2},          {1.6, 2, 2, 2},         {-0.5, 0, 0, 0},         {1000, 255, 1000, 1000},
        {254.5, 254, 254, 254},  {255.5, 255, 256, 256}, {255.6, 255, 256, 256},  {-1, 0, -1, -1},
        {32767.5, 255, INT16_MAX, 32768},          {-32768.5, 0, INT16_MIN, -32768},
        {-32769, 0, INT16_MIN, -32769},            {2147483646.5, 255, INT16_MAX, 2147483646},
        {2147483647.5, 255, INT16_MAX, INT32_MAX}, {-2147483648.5, 0, INT16_MIN, INT32_MIN},
        {1e10, 255, INT16_MAX, INT32_MAX},         {-1e10, 0, INT16_MIN, INT32_MIN},
        {kInf, 255, INT16_MAX, INT32_MAX},         {-kInf, 0, INT16_MIN, INT32_MIN},
        {kNaN, 0, 0, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        EXPECT_EQ(RoundToUInt8(c.value), c.u8) << c.value;
        EXPECT_EQ(RoundToInt16(c.value), c.i16) << c.value;
        EXPECT_EQ(RoundToInt32(c.value), c.i32) << c.value;
    }
}

TEST(DecimalText, WritesTheShortestText) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    // clang-format off
    const std::pair<double, const char*> cases[] = {
        {1, "1"},       {15, "15"},       {2.5, "2.5"},       {0.1, "0.1"},     {1234567, "1234567"},
        {-0.125, "-0.125"},               {0.0, "0"},         {-0.0, "0"},      {1e20, "1E+20"},
        {1e-7, "1E-07"},                  {kInf, "inf"},      {-kInf, "-inf"},  {kNaN, "nan"},
        {-kNaN, "nan"},
    };
    // clang-format on
    for (const auto& [value, text] : cases) EXPECT_EQ(DecimalText(value), text) << value;

    const std::pair<float, const char*> floats[] = {
        {1234.5f, "1234.5"}, {0.1f, "0.1"}, {8010.0f, "8010"}, {-0.0f, "0"}, {1e20f, "1E+20"},
    };
    for (const auto& [value, text] : floats) EXPECT_EQ(DecimalText(value), text) << value;
}

TEST(DecimalText, ReadsBackAsTheSameNumber) {
    using Limits = std::numeric_limits<double>;
    const double values[] = {
        1.0 / 3, -2.0 / 3, 0.1 + 0.2,     1e20,          1e-7,         123456789012345678.0,
        5e-324,  -1e-310,  Limits::max(), Limits::min(), 4294967295.0, -7.25e300};
    for (double value : values) {
        const std::string text = DecimalText(value);
        EXPECT_EQ(ReadNumber(text), value) << text;
    }
}

}  // namespace
}  // namespace common
