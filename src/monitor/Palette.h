// The traffic light's colours: each lamp unlit and lit, and the shades of green that grade a reply.
#pragma once

#include <array>
#include <cstddef>

#include "common/Colours.h"

namespace monitor {

enum class Lamp { kGreen, kYellow, kRed };
constexpr size_t Index(Lamp lamp) {
    return static_cast<size_t>(lamp);
}
// The tables below are indexed by lamp.
constexpr size_t kLamps = 3;
static_assert(Index(Lamp::kRed) + 1 == kLamps, "the red lamp is the last");

// By lamp: the unlit colour (also the lamp's design colour) and the lit colour (for green, the shade of
// level C; a reply is graded, see below).
constexpr std::array kUnlit{common::ColourValue{0x004000}, common::ColourValue{0x008080},
                            common::ColourValue{0x000080}};
constexpr std::array kLit{common::kLitGreen, common::kLitYellow, common::kLitRed};
static_assert(kUnlit.size() == kLamps && kLit.size() == kLamps);

// The shades of green, lightest first: at or below level A, B, C; above level D; in between.
constexpr std::array<common::ColourValue, 5> kGrade{0xC0FFC0, 0x80FF80, common::kLitGreen, 0x00C000,
                                                    0x008000};

}  // namespace monitor
