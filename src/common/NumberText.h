// Reading numbers from the text of entry fields, converting them to integer widths, and writing
// numbers back as text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace common {

// Reads the number at the start of a text. Blanks, tabs and line feeds are ignored wherever they
// stand. Then come an optional sign, digits with at most one period, and an optional exponent
// (E or D, an optional sign, digits); or "&H" / "&O" followed by a hexadecimal or octal integer.
// Reading stops at the first character that cannot continue the number; a text without a leading
// number reads as 0. A number too large for a double reads as +/- infinity.
double ReadNumber(std::string_view text);

// Reads the text with "0" put in front: ordinary numbers read the same, but a leading sign or
// ampersand prefix no longer counts, so "-5" and "&H1F" read as 0.
double ReadNumberZeroPrefixed(std::string_view text);

// Rounding to the nearest integer, ties to even (2.5 -> 2, 3.5 -> 4), clamped to the width.
// NaN converts to 0.
uint8_t RoundToUInt8(double value);
int16_t RoundToInt16(double value);
int32_t RoundToInt32(double value);

// The shortest decimal text that reads back as the same number, without a leading blank:
// "1", "15", "2.5", "-0.125". Very large or small magnitudes use an exponent ("1E+20").
std::string DecimalText(double value);
// The same for a single-precision value (window placement in twips): 1234.5f -> "1234.5".
std::string DecimalText(float value);

}  // namespace common
