// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sim/ProbeModel.h"
#include "support/ScratchDir.h"

namespace purlo::sim::test {

using testsupport::ScratchDir;

// A probe over a still surface at a steady 20 degrees, so replies are exact.
inline ProbeOptions stillSurface(double distanceMm = 2000.0) {
    ProbeOptions o;
    o.levelMinMm = distanceMm;
    o.levelMaxMm = distanceMm;
    o.levelSpeedMmPerS = 0.0;
    o.temperatureC = 20.0;
    o.temperatureSwingC = 0.0;
    return o;
}

// Sends each character and returns everything the probe queued meanwhile.
inline std::string send(ProbeModel& probe, std::string_view commands) {
    for (const char c : commands) probe.receive(c);
    return probe.takeOutput();
}

// The reply lines in `text`, each without its "\r\n".
inline std::vector<std::string> lines(std::string_view text) {
    std::vector<std::string> out;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = text.find("\r\n", from);
        if (end == std::string_view::npos) {
            out.emplace_back(text.substr(from));
            break;
        }
        out.emplace_back(text.substr(from, end - from));
        from = end + 2;
    }
    return out;
}

// Sample n of a record's sample bytes (the "=" not included), MSB first.
inline bool sampleAt(std::string_view samples, std::size_t n) {
    return (static_cast<unsigned char>(samples[n / 8]) >> (7 - n % 8)) & 1u;
}

inline int highSamples(std::string_view samples, std::size_t from, std::size_t to) {
    int n = 0;
    for (std::size_t i = from; i < to && i < samples.size() * 8; ++i) n += sampleAt(samples, i);
    return n;
}

// First high sample at or after `from`, or -1.
inline long firstHighFrom(std::string_view samples, std::size_t from) {
    for (std::size_t i = from; i < samples.size() * 8; ++i) {
        if (sampleAt(samples, i)) return static_cast<long>(i);
    }
    return -1;
}

// Asks for an echo record and lets the next burst come; returns the sample
// bytes (without the "=") or an empty string when no record came.
inline std::string recordOf(ProbeModel& probe) {
    probe.takeOutput();
    probe.receive('=');
    probe.advance(probe.parameters().burstInterval / 10.0 + 1e-6);
    const std::string out = probe.takeOutput();
    const std::size_t marker = out.find('=');
    return marker == std::string::npos ? std::string() : out.substr(marker + 1);
}

}  // namespace purlo::sim::test
