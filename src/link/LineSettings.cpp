// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/LineSettings.h"

#include <charconv>
#include <vector>

#include "text/RuntimeError.h"

namespace purlo {

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

int wholeNumber(std::string_view field) {
    int value = 0;
    const char* end = field.data() + field.size();
    const auto [ptr, ec] = std::from_chars(field.data(), end, value);
    if (field.empty() || ec != std::errc() || ptr != end)
        throw RuntimeError("invalid port settings");
    return value;
}

}  // namespace

LineSettings parseLineSettings(std::string_view text) {
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t comma = text.find(',', start);
        fields.push_back(trimmed(text.substr(start, comma - start)));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    if (fields.size() != 4) throw RuntimeError("invalid port settings");

    LineSettings s;
    s.baud = wholeNumber(fields[0]);
    if (s.baud <= 0) throw RuntimeError("invalid baud rate");

    if (fields[1].size() != 1) throw RuntimeError("invalid parity");
    switch (fields[1][0]) {
        case 'N':
        case 'n': s.parity = Parity::None; break;
        case 'E':
        case 'e': s.parity = Parity::Even; break;
        case 'O':
        case 'o': s.parity = Parity::Odd; break;
        case 'M':
        case 'm': s.parity = Parity::Mark; break;
        case 'S':
        case 's': s.parity = Parity::Space; break;
        default: throw RuntimeError("invalid parity");
    }

    s.dataBits = wholeNumber(fields[2]);
    if (s.dataBits < 5 || s.dataBits > 8) throw RuntimeError("invalid data bits");

    if (fields[3] == "1") {
        s.halfStopBits = 2;
    } else if (fields[3] == "1.5") {
        s.halfStopBits = 3;
    } else if (fields[3] == "2") {
        s.halfStopBits = 4;
    } else {
        throw RuntimeError("invalid stop bits");
    }
    return s;
}

}  // namespace purlo
