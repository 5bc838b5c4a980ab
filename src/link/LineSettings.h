// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace purlo {

enum class Parity { None, Even, Odd, Mark, Space };

// The line settings of the port, as "9600,N,8,1" gives them. Read here, free
// of any toolkit, so that every serial adapter refuses the same settings.
struct LineSettings {
    int baud = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    // Stop bits times two: 2 = one, 3 = one and a half, 4 = two.
    int halfStopBits = 2;
    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

// Parses "baud,parity,data bits,stop bits": a positive baud rate, parity
// N, E, O, M or S (either case), 5 to 8 data bits, 1, 1.5 or 2 stop bits;
// blanks around a field are allowed. Throws RuntimeError on anything else.
LineSettings parseLineSettings(std::string_view text);

}  // namespace purlo
