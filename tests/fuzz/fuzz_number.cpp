// Feeds arbitrary text to the number reader and checks what must hold for every input: the reader
// never yields NaN, blanks never change the result, the rounding functions round to the nearest
// integer (ties to even) or clamp, and the decimal text of a finite result reads back unchanged.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

#include "common/NumberText.h"

namespace {

void Check(bool condition, const char* what, std::string_view text) {
    if (condition) return;
    std::fprintf(stderr, "violated: %s\ninput: \"%.*s\"\n", what, static_cast<int>(text.size()), text.data());
    std::abort();
}

bool SameNumber(double a, double b) {
    return a == b && std::signbit(a) == std::signbit(b);
}

template <typename Int>
void CheckRounding(double value, Int rounded, std::string_view text) {
    constexpr double lowest = std::numeric_limits<Int>::min();
    constexpr double highest = std::numeric_limits<Int>::max();
    if (std::isnan(value)) {
        Check(rounded == 0, "NaN rounds to 0", text);
    } else if (value <= lowest - 0.5) {
        Check(rounded == std::numeric_limits<Int>::min(), "rounding clamps at the bottom", text);
    } else if (value >= highest + 0.5) {
        Check(rounded == std::numeric_limits<Int>::max(), "rounding clamps at the top", text);
    } else {
        const double distance = std::fabs(static_cast<double>(rounded) - value);
        Check(distance <= 0.5, "rounding goes to a nearest integer", text);
        if (distance == 0.5) Check(rounded % 2 == 0, "ties round to even", text);
    }
}

void CheckDecimalText(double value, std::string_view input) {
    const std::string text = common::DecimalText(value);
    Check(!text.empty() && text.front() != ' ', "decimal text starts with the number", input);
    Check(text.find('e') == std::string::npos || !std::isfinite(value), "exponent letter is upper case",
          input);
    if (std::isfinite(value)) {
        Check(common::ReadNumber(text) == value, "decimal text reads back as the same number", input);
    }
    const float single = static_cast<float>(value);
    Check(!common::DecimalText(single).empty(), "single-precision text is written", input);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const double value = common::ReadNumber(text);
    Check(!std::isnan(value), "the reader never yields NaN", text);

    std::string unblanked;
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\n') unblanked.push_back(c);
    }
    Check(SameNumber(common::ReadNumber(unblanked), value), "blanks do not change the number", text);

    // A leading minus sign in front of digits negates the number exactly.
    if (!unblanked.empty() && ((unblanked[0] >= '0' && unblanked[0] <= '9') || unblanked[0] == '.')) {
        Check(common::ReadNumber("-" + std::string(text)) == -value, "minus negates", text);
    }

    const double prefixed = common::ReadNumberZeroPrefixed(text);
    Check(!std::isnan(prefixed) && !std::signbit(prefixed), "zero-prefixed reading is never negative", text);

    CheckRounding(value, common::RoundToUInt8(value), text);
    CheckRounding(value, common::RoundToInt16(value), text);
    CheckRounding(value, common::RoundToInt32(value), text);
    CheckDecimalText(value, text);
    CheckDecimalText(prefixed, text);
    return 0;
}
