// The entry fields that monitoring reads, with the bounds the start's check enforces and its messages.
// Values typed during a run are held within the same bounds.
#pragma once

#include <array>
#include <cstddef>

#include "platform/EchoRequest.h"

namespace monitor {

enum class Field { kSite0, kSite1, kTimeToLive, kTimeOut, kLoop, kLevel0, kLevel1, kLevel2, kLevel3 };

constexpr const char* kSiteMessage = "You must have a web site, IP address or computer name";

struct Bounds {
    Field field;
    double low, high;
    const char* message;
};

// In the order of the start's check, after the two sites (which must not be empty).
constexpr std::array<Bounds, 7> kBounds{{
    {Field::kTimeToLive, 0, 255, "You must enter a number between 0 and 255"},
    {Field::kTimeOut, platform::echo_request::kMinTimeoutMs, platform::echo_request::kMaxTimeoutMs,
     "You must enter a number between 1 and 999"},
    {Field::kLoop, 1, 999, "You must enter a number between 1 and 999"},
    {Field::kLevel0, 0, 999, "You must enter a number between 0 and 999"},
    {Field::kLevel1, 0, 999, "You must enter a number between 0 and 999"},
    {Field::kLevel2, 0, 999, "You must enter a number between 0 and 999"},
    {Field::kLevel3, 0, 999, "You must enter a number between 0 and 999"},
}};

// No field has two rows.
constexpr bool RowsAreOnePerField() {
    for (size_t i = 0; i < kBounds.size(); ++i) {
        for (size_t j = i + 1; j < kBounds.size(); ++j) {
            if (kBounds[i].field == kBounds[j].field) return false;
        }
    }
    return true;
}
static_assert(RowsAreOnePerField());

// The field's row; asking for a field without one (a site) does not compile.
consteval const Bounds& BoundsOf(Field field) {
    for (const Bounds& b : kBounds) {
        if (b.field == field) return b;
    }
    throw "the field has no bounds";
}

constexpr Field SiteField(int index) {
    return index == 0 ? Field::kSite0 : Field::kSite1;
}

}  // namespace monitor
