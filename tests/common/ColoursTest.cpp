#include <gtest/gtest.h>

#include <utility>

#include "common/Colours.h"
#include "common/QtColours.h"
#include "common/Twips.h"

namespace common {
namespace {

TEST(ResolveColour, KeepsPlainColoursAndMapsSystemIndexes) {
    const std::pair<ColourValue, ColourValue> cases[] = {
        {0x0000FF, 0x0000FF},
        {0x123456, 0x123456},
        {0x7F123456, 0x123456},
        {SystemColour(kSysWindowText), 0x000000},
        {SystemColour(kSysCaptionText), 0xFFFFFF},
        {SystemColour(kSysInactiveBorder), 0xC0C0C0},
        {SystemColour(kSysButtonFace), 0xC0C0C0},
        {SystemColour(0), 0x000000},
        {SystemColour(5), 0x000000},
        {SystemColour(255), 0x000000},
        {0xFF00000B, 0xC0C0C0},
    };
    for (const auto& [design, plain] : cases) EXPECT_EQ(ResolveColour(design), plain) << std::hex << design;
}

TEST(QtColours, ConvertsBothWays) {
    const std::pair<ColourValue, QColor> cases[] = {
        {0x0000FF, QColor(255, 0, 0)},     {0x00FF00, QColor(0, 255, 0)},
        {0xFF0000, QColor(0, 0, 255)},     {0x123456, QColor(0x56, 0x34, 0x12)},
        {0xFFFFFF, QColor(255, 255, 255)}, {0x000000, QColor(0, 0, 0)},
    };
    for (const auto& [value, colour] : cases) {
        EXPECT_EQ(ToQColor(value), colour) << std::hex << value;
        EXPECT_EQ(FromQColor(colour), value) << std::hex << value;
    }
}

TEST(QtColours, ResolvesSystemColoursAndDropsAlpha) {
    EXPECT_EQ(ToQColor(SystemColour(kSysInactiveBorder)), QColor(192, 192, 192));
    EXPECT_EQ(ToQColor(SystemColour(kSysCaptionText)), QColor(255, 255, 255));
    EXPECT_EQ(ToQColor(SystemColour(kSysWindowText)), QColor(0, 0, 0));
    EXPECT_EQ(ToQColor(0x7F0000FF), QColor(255, 0, 0));
    EXPECT_EQ(FromQColor(QColor(1, 2, 3, 4)), RgbValue(1, 2, 3));
    EXPECT_EQ(FromQColor(QColor::fromHsv(0, 255, 255)), 0x0000FFu);
    EXPECT_EQ(FromQColor(QColor()), 0u);
}

static_assert(TwipsToPixels(15) == 1.0);
static_assert(TwipsToPixels(8010) == 534.0);
static_assert(PixelsToTwips(534) == 8010.0f);

}  // namespace
}  // namespace common
