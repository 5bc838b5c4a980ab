// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/SerialLine.h"

#include <algorithm>
#include <vector>

namespace purlo::sim {

namespace {

std::uint32_t xorshift32(std::uint32_t& s) {
    if (s == 0) s = 0x6D2B79F5u;  // xorshift never leaves 0
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
}

// The line level as a list of changes; idle (high) before the first and after the last.
struct Waveform {
    std::vector<double> times;  // seconds, ascending
    std::vector<int> levels;    // level from that time on
    double end = 0.0;

    void set(double t, int level) {
        const int current = levels.empty() ? 1 : levels.back();
        if (level != current) {
            times.push_back(t);
            levels.push_back(level);
        }
    }
    int at(double t) const {
        const auto it = std::upper_bound(times.begin(), times.end(), t);
        if (it == times.begin()) return 1;
        return levels[static_cast<std::size_t>(it - times.begin() - 1)];
    }
    // First change to low at or after t.
    const double* fallingEdgeFrom(double t) const {
        auto it = std::lower_bound(times.begin(), times.end(), t);
        for (; it != times.end(); ++it) {
            if (levels[static_cast<std::size_t>(it - times.begin())] == 0) return &*it;
        }
        return nullptr;
    }
};

Waveform transmit(std::string_view bytes, int baud, std::uint32_t& rngState) {
    const double bit = 1.0 / baud;
    Waveform w;
    double t = 0.0;
    for (const char c : bytes) {
        t += bit * static_cast<double>(xorshift32(rngState) % 3);  // idle gap of 0 to 2 bits
        w.set(t, 0);                                               // start bit
        t += bit;
        const auto value = static_cast<unsigned char>(c);
        for (int i = 0; i < 8; ++i) {  // least significant bit first
            w.set(t, (value >> i) & 1);
            t += bit;
        }
        w.set(t, 1);  // stop bit
        t += bit;
    }
    w.end = t;
    return w;
}

std::string receive(const Waveform& w, int baud) {
    const double bit = 1.0 / baud;
    std::string out;
    double from = 0.0;
    while (const double* edge = w.fallingEdgeFrom(from)) {
        const double start = *edge;
        if (w.at(start + 0.5 * bit) != 0) {  // a glitch, not a start bit
            from = start + 0.5 * bit;
            continue;
        }
        unsigned value = 0;
        for (int i = 0; i < 8; ++i) {
            if (w.at(start + (1.5 + i) * bit) != 0) value |= 1u << i;
        }
        const bool framed = w.at(start + 9.5 * bit) == 1;
        out.push_back(framed ? static_cast<char>(value) : '\0');
        from = start + 9.5 * bit;
    }
    return out;
}

}  // namespace

std::string overLine(std::string_view bytes, int probeBaud, int pcBaud, std::uint32_t& rngState) {
    if (probeBaud == pcBaud || probeBaud <= 0 || pcBaud <= 0) return std::string(bytes);
    return receive(transmit(bytes, probeBaud, rngState), pcBaud);
}

}  // namespace purlo::sim
