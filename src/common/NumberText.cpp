#include "common/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <system_error>
#include <utility>

namespace common {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Walks a text one character at a time, stepping over blanks wherever they stand.
class Cursor {
  public:
    explicit Cursor(std::string_view text) : text_(text) { SkipBlanks(); }

    bool AtEnd() const { return pos_ >= text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }
    void Advance() {
        ++pos_;
        SkipBlanks();
    }

    size_t Position() const { return pos_; }
    void Restore(size_t position) { pos_ = position; }

  private:
    void SkipBlanks() {
        while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
    }

    std::string_view text_;
    size_t pos_ = 0;
};

// Exponents and digit counts stop growing at this bound: no text that fits in memory can carry a
// value back into the range of a double from beyond it, and the arithmetic cannot overflow.
constexpr int64_t kExponentLimit = 1'000'000'000'000'000;
// Decimal exponents (of the form 0.ddd x 10^e) outside this range are certainly out of range.
constexpr int64_t kDecimalRange = 400;

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

// The integer after "&H" or "&O", correctly rounded to a double; too large reads as infinity.
double ReadRadixInteger(Cursor& cursor, int bitsPerDigit) {
    const int radix = 1 << bitsPerDigit;
    // As many leading significant digits as fit in 64 bits; further digits only count by number
    // and by whether any of them is non-zero.
    const int64_t headDigits = 64 / bitsPerDigit;
    uint64_t head = 0;
    int64_t significant = 0;
    bool sticky = false;
    for (int digit = DigitValue(cursor.Peek()); digit < radix; digit = DigitValue(cursor.Peek())) {
        cursor.Advance();
        if (significant == 0 && digit == 0) continue;
        if (significant < headDigits) {
            head = (head << bitsPerDigit) | static_cast<uint64_t>(digit);
        } else if (digit != 0) {
            sticky = true;
        }
        if (significant < kExponentLimit) ++significant;
    }
    if (significant <= headDigits) return static_cast<double>(head);
    // The head holds at least 61 significant bits, so a set lowest bit stands in for the dropped
    // digits when rounding to the 53 bits of a double.
    if (sticky) head |= 1;
    const int64_t shift = (significant - headDigits) * bitsPerDigit;
    if (shift > 2 * std::numeric_limits<double>::max_exponent) return HUGE_VAL;
    return std::ldexp(static_cast<double>(head), static_cast<int>(shift));
}

// The significant digits, without leading zeros, of a number written as 0.<digits> x 10^exponent.
struct Mantissa {
    std::string digits;
    int64_t exponent = 0;
    bool anyDigit = false;
};

Mantissa ReadMantissa(Cursor& cursor) {
    Mantissa m;
    bool seenPoint = false;
    for (;;) {
        const char c = cursor.Peek();
        if (IsDigit(c)) {
            m.anyDigit = true;
            if (!m.digits.empty() || c != '0') {
                m.digits.push_back(c);
                if (!seenPoint && m.exponent < kExponentLimit) ++m.exponent;
            } else if (seenPoint && m.exponent > -kExponentLimit) {
                --m.exponent;
            }
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
        cursor.Advance();
    }
    return m;
}

// The written exponent after E or D, 0 when there is none. The letter only counts when digits
// follow it, with or without a sign between; otherwise the cursor stays before it.
int64_t ReadExponent(Cursor& cursor) {
    const size_t beforeExponent = cursor.Position();
    const char letter = cursor.Peek();
    if (letter != 'e' && letter != 'E' && letter != 'd' && letter != 'D') return 0;
    cursor.Advance();
    bool negative = false;
    if (cursor.Peek() == '+' || cursor.Peek() == '-') {
        negative = cursor.Peek() == '-';
        cursor.Advance();
    }
    if (!IsDigit(cursor.Peek())) {
        cursor.Restore(beforeExponent);
        return 0;
    }
    int64_t written = 0;
    while (IsDigit(cursor.Peek())) {
        if (written < kExponentLimit / 10) written = written * 10 + (cursor.Peek() - '0');
        cursor.Advance();
    }
    return negative ? -written : written;
}

// The double nearest to +/- 0.<digits> x 10^exponent.
double ToDouble(bool negative, std::string digits, int64_t exponent) {
    const double zero = negative ? -0.0 : 0.0;
    const double infinity = negative ? -HUGE_VAL : HUGE_VAL;
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    if (digits.empty()) return zero;
    if (exponent > kDecimalRange) return infinity;
    if (exponent < -kDecimalRange) return zero;

    std::string text;
    text.reserve(digits.size() + 12);
    if (negative) text.push_back('-');
    text += "0.";
    text += digits;
    text.push_back('e');
    text += std::to_string(exponent);

    double value = 0.0;
    const std::from_chars_result result = std::from_chars(text.data(), text.data() + text.size(), value);
    // from_chars leaves the value untouched when it is out of range; the sign of the decimal
    // exponent tells overflow from underflow.
    if (result.ec == std::errc::result_out_of_range) return exponent > 0 ? infinity : zero;
    if (result.ec != std::errc()) return zero;
    return value;
}

double ReadDecimal(Cursor& cursor) {
    bool negative = false;
    if (cursor.Peek() == '+' || cursor.Peek() == '-') {
        negative = cursor.Peek() == '-';
        cursor.Advance();
    }
    Mantissa m = ReadMantissa(cursor);
    if (!m.anyDigit) return 0.0;
    const int64_t exponent = m.exponent + ReadExponent(cursor);
    return ToDouble(negative, std::move(m.digits), exponent);
}

// Rounds to the nearest integer, ties to the even neighbour, independent of the rounding mode.
double RoundHalfEven(double value) {
    if (std::fabs(value - std::trunc(value)) == 0.5) return 2.0 * std::round(value / 2.0);
    return std::round(value);
}

template <typename Int>
Int RoundClamped(double value) {
    if (std::isnan(value)) return 0;
    const double rounded = RoundHalfEven(value);
    constexpr Int lowest = std::numeric_limits<Int>::min();
    constexpr Int highest = std::numeric_limits<Int>::max();
    if (rounded <= static_cast<double>(lowest)) return lowest;
    if (rounded >= static_cast<double>(highest)) return highest;
    return static_cast<Int>(rounded);
}

template <typename Float>
std::string ShortestText(Float value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    if (value == 0) return "0";
    char buffer[64];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (result.ec != std::errc()) return "0";
    std::string text(buffer, result.ptr);
    for (char& c : text) {
        if (c == 'e') c = 'E';
    }
    return text;
}

}  // namespace

double ReadNumber(std::string_view text) {
    Cursor cursor(text);
    if (cursor.Peek() != '&') return ReadDecimal(cursor);
    cursor.Advance();
    const char kind = cursor.Peek();
    if (kind == 'H' || kind == 'h') {
        cursor.Advance();
        return ReadRadixInteger(cursor, 4);
    }
    if (kind == 'O' || kind == 'o') {
        cursor.Advance();
        return ReadRadixInteger(cursor, 3);
    }
    return 0.0;
}

double ReadNumberZeroPrefixed(std::string_view text) {
    std::string prefixed;
    prefixed.reserve(text.size() + 1);
    prefixed.push_back('0');
    prefixed.append(text);
    return ReadNumber(prefixed);
}

uint8_t RoundToUInt8(double value) {
    return RoundClamped<uint8_t>(value);
}
int16_t RoundToInt16(double value) {
    return RoundClamped<int16_t>(value);
}
int32_t RoundToInt32(double value) {
    return RoundClamped<int32_t>(value);
}

std::string DecimalText(double value) {
    return ShortestText(value);
}
std::string DecimalText(float value) {
    return ShortestText(value);
}

}  // namespace common
