// Feeds arbitrary text to the number reader and checks what must hold for every input: the reader
// never yields NaN, blanks never change the result, the rounding functions round to the nearest
// integer (ties to even) or clamp, and the decimal text of a finite result reads back unchanged.
#include <cmath>
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

template <typename Int>
void CheckRounding(double value, Int rounded, std::string_view text) {
    using Limits = std::numeric_limits<Int>;
    const double distance = std::fabs(static_cast<double>(rounded) - value);
    if (std::isnan(value)) {
        Check(rounded == 0, "NaN rounds to 0", text);
    } else if (value <= Limits::min() - 0.5 || value >= Limits::max() + 0.5) {
        Check(rounded == (value < 0 ? Limits::min() : Limits::max()), "rounding clamps", text);
    } else {
        Check(distance < 0.5 || (distance == 0.5 && rounded % 2 == 0), "nearest integer, ties to even", text);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double value = common::ReadNumber(text);
    Check(!std::isnan(value), "the reader never yields NaN", text);
    std::string unblanked(text);
    std::erase_if(unblanked, [](char c) { return c == ' ' || c == '\t' || c == '\n'; });
    const double again = common::ReadNumber(unblanked);
    Check(again == value && std::signbit(again) == std::signbit(value), "blanks do not matter", text);
    const double prefixed = common::ReadNumberZeroPrefixed(text);
    Check(!std::isnan(prefixed) && !std::signbit(prefixed), "zero-prefixed reading is never negative", text);
    CheckRounding(value, common::RoundToUInt8(value), text);
    CheckRounding(value, common::RoundToInt16(value), text);
    CheckRounding(value, common::RoundToInt32(value), text);
    for (const double v : {value, prefixed}) {
        const std::string written = common::DecimalText(v);
        Check(!written.empty() && written[0] != ' ' && written.find('e') == std::string::npos, "layout",
              text);
        Check(!std::isfinite(v) || common::ReadNumber(written) == v, "decimal text reads back", text);
    }
    return 0;
}
