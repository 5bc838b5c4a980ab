// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>

#include "text/RuntimeError.h"

namespace purlo {

// Reads a decimal number from the start of `text`. Blanks (space, tab, line
// feed) are skipped wherever they stand; reading stops at the first character
// that cannot continue the number. "." is always the decimal point, an exponent
// ("1e3") is accepted. No number at all gives 0; a number too large for a
// double gives +/-infinity, which every integer conversion refuses.
double parseNumber(std::string_view text);

// Rounds to the nearest whole number, halves to the even neighbour, and
// throws RuntimeError when the result does not fit T (NaN and infinity never fit).
template <class T>
T toWidth(double value);

extern template std::uint8_t toWidth<std::uint8_t>(double);
extern template std::int16_t toWidth<std::int16_t>(double);
extern template std::int32_t toWidth<std::int32_t>(double);

// Integer arithmetic on a window variable: the exact result must fit T.
template <class T>
T checked(long long exact) {
    static_assert(std::is_integral_v<T>);
    if (exact < static_cast<long long>(std::numeric_limits<T>::min()) ||
        exact > static_cast<long long>(std::numeric_limits<T>::max())) {
        throw RuntimeError("overflow");
    }
    return static_cast<T>(exact);
}

// Stores a computed value into a 32-bit float; a value beyond the float range
// (or not a number) is an overflow failure.
float toSingle(double value);

// Rounds `value` to `decimals` places, halves away from zero, and returns the
// rounded value as a float. The rounding works on the decimal digits the value
// shows (7 significant digits), so 2.675f becomes 2.68 as an operator expects.
float roundToDecimals(float value, int decimals);

// Text of a 32-bit float: rounded to 7 significant digits, no trailing zeros or
// trailing decimal point, `separator` as decimal separator, "0" before it
// below 1, and never "-0". Magnitudes from 1e15 up, or below 1e-5, are written
// in exponent form ("1.5E+20").
std::string floatText(float value, char separator = '.');

// Text of a whole number: plain decimal, a minus sign when negative.
std::string intText(long long value);

}  // namespace purlo
