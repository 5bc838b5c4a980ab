// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace purlo {

// std::round to an int (halves away from zero) without the library call,
// for |v| below 2^31: the canvas rounds four coordinates of every line.
// The fraction v - trunc(v) is exact, so the result is std::round's.
// Without branches, too: which way a fraction goes is anybody's guess.
inline int roundToInt(double v) {
    const int whole = static_cast<int>(v);
    const double fraction = v - whole;
    return whole + static_cast<int>(fraction >= 0.5) - static_cast<int>(fraction <= -0.5);
}

}  // namespace purlo
