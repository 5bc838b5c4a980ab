// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fakes/Harness.h"

namespace purlo::test {

inline constexpr std::int32_t kBaud = 9600;
inline constexpr double kSecondsPerByte = 10.0 / kBaud;
inline constexpr int kRecords = 60;

// A recording as the console makes one: each echo record's marker and
// sample bytes, the distance reply asked for after it, then a temperature
// reply whose line feed went with the next record's request.
inline std::string recording(int records) {
    std::string r;
    for (int i = 0; i < records; ++i) {
        r += '=';
        for (int b = 0; b < 40; ++b) r += static_cast<char>(b % 3 == 0 ? 0xF0 : 0x0F);
        r += "D" + std::to_string(1000 + 7 * i) + "\r\n";
        r += "c" + std::to_string(150 + i) + "\r";
    }
    return r;
}

// Where a seek may land: the start, after a line feed, at the reply behind
// an echo record (the only 'D' bytes of these recordings), the end.
inline std::int64_t firstLineStartFrom(const std::string& r, std::int64_t target) {
    for (std::int64_t p = std::max<std::int64_t>(target, 0);
         p < static_cast<std::int64_t>(r.size()); ++p) {
        const auto at = static_cast<std::size_t>(p);
        if (p == 0 || r[at] == 'D' || r[at - 1] == '\n') return p;
    }
    return static_cast<std::int64_t>(r.size());
}

struct Counting : Observer {
    void echoRecord(std::span<const std::uint8_t> /*bytes*/) override { ++records; }
    void playbackSeeked(std::uint64_t bytesRead) override { seeks.push_back(bytesRead); }
    int records = 0;
    std::vector<std::uint64_t> seeks;
};

struct ReplayHarness : Harness {
    explicit ReplayHarness(const std::string& bytes = recording(kRecords)) : file(bytes) {
        s.settings_loaded = true;
        s.pc_baud_rate = kBaud;
        s.zero_offset_mm = 3000;
        writeFile(console.file("Purlo.Spl"), bytes);
        ui.clock = &clock;
        console.replay.setClock(clock);
        console.setObserver(seen);
    }
    void arm() { console.click(Control::Com_play_spl); }
    void start() { console.click(Control::Com_start_stop); }
    // Runs `action` once, at the first yield with at least `bytes` read.
    template <class Action>
    void at(std::int32_t bytes, Action action) {
        ui.everyYield = [this, bytes, action, done = false](int) mutable {
            if (!done && s.playback_on && s.playback_pos >= bytes) {
                done = true;
                action();
            }
        };
    }
    std::string file;
    FakeClock clock;
    Counting seen;
};

}  // namespace purlo::test
