// The traffic light, one row per lamp: its colours, the tray's tip and picture for it, the window's
// labels that count it and stamp its last lighting, and the names a screen reader reads. Below it, the
// shades of green that grade a reply, one row per level field.
#pragma once

#include <array>
#include <cstddef>

#include "common/Colours.h"
#include "common/StateIcon.h"
#include "monitor/Fields.h"
#include "monitor/Labels.h"

namespace monitor {

enum class Lamp { kGreen, kYellow, kRed };

struct LampRow {
    Lamp lamp;
    common::ColourValue unlit;  // also the lamp's design colour
    common::ColourValue lit;    // for green, level C's shade: a reply is graded (kGrades)
    const char* tipSuffix;      // after the time the lamp was lit, in the tray's tip
    common::StateIcon picture;  // on the tray icon and as the window's icon
    Label count;
    Label lastLit;
    const char* name;  // accessible names: the lamp's, its count's and its time's
    const char* countName;
    const char* lastLitName;
};

constexpr std::array<LampRow, 3> kLamps{{
    {Lamp::kGreen, 0x004000, common::kLitGreen, " - TN OK", common::StateIcon::kGreen, Label::kGreenCount,
     Label::kGreenTime, "Green lamp", "Green lamp count", "Green lamp last lit"},
    {Lamp::kYellow, 0x008080, common::kLitYellow, " - TN Problem", common::StateIcon::kYellow,
     Label::kYellowCount, Label::kYellowTime, "Yellow lamp", "Yellow lamp count", "Yellow lamp last lit"},
    {Lamp::kRed, 0x000080, common::kLitRed, " - TN Error", common::StateIcon::kRed, Label::kRedCount,
     Label::kRedTime, "Red lamp", "Red lamp count", "Red lamp last lit"},
}};

// Every lamp has exactly one row.
constexpr bool OneRowPerLamp() {
    for (const Lamp lamp : {Lamp::kGreen, Lamp::kYellow, Lamp::kRed}) {
        int rows = 0;
        for (const LampRow& row : kLamps) rows += row.lamp == lamp ? 1 : 0;
        if (rows != 1) return false;
    }
    return true;
}
static_assert(OneRowPerLamp());

constexpr const LampRow& RowOf(Lamp lamp) {
    for (const LampRow& row : kLamps) {
        if (row.lamp == lamp) return row;
    }
    return kLamps.back();  // not reached: every lamp has a row
}

// A reply's shade is that of the first row whose level the round trip is at or below (levels A, B
// and C) or above (level D); a round trip between levels C and D takes kBetweenCAndD. The grade is the
// shade's rank as the round history stores it, 0 the quickest to 4 the slowest.
struct GradeRow {
    Field level;
    bool above;
    uint8_t grade;
    common::ColourValue shade;
};

constexpr std::array<GradeRow, 4> kGrades{{
    {Field::kLevel0, false, 0, 0xC0FFC0},
    {Field::kLevel1, false, 1, 0x80FF80},
    {Field::kLevel2, false, 2, common::kLitGreen},
    {Field::kLevel3, true, 4, 0x00C000},
}};
constexpr common::ColourValue kBetweenCAndD = 0x008000;
constexpr uint8_t kBetweenCAndDGrade = 3;

// The level's row; asking for a field without one does not compile.
consteval const GradeRow& GradeOf(Field level) {
    for (const GradeRow& g : kGrades) {
        if (g.level == level) return g;
    }
    throw "the field is no level";
}

}  // namespace monitor
