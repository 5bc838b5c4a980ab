// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <string>

#include "app/ConsoleState.h"

namespace purlo {

class Console;

inline constexpr const char* kSettingsFileName = "purlo.Set";

// The 17 lines of purlo.Set for the given state, each ending CR LF. A
// sample length below 100 is written as 160 (the save then keeps 160).
std::string settingsFileText(const ConsoleState& s);

// What a read of purlo.Set found. The read takes the file line by line and
// stops at the first line that is missing or does not fit its variable: the
// values of the lines before it are here, those from it on are not.
struct SettingsRead {
    std::optional<std::uint8_t> comm_port;     // line 1
    std::optional<std::int32_t> pc_baud_rate;  // line 2
    // Line 3 when it starts with "True" or "False"; any other text there is
    // read past and leaves the units as they are.
    std::optional<bool> inch_units;
    std::optional<std::uint8_t> zoom_horizontal;  // line 4
    std::optional<std::uint8_t> zoom_vertical;    // line 5
    std::optional<std::uint8_t> sample_length;    // line 6; lines 7 to 11 are read past
    std::optional<std::int16_t> zero_offset_mm;   // line 12; the rest is never read
    // The 1-based line the read stopped at, and why; 0 when all twelve were read.
    int failedLine = 0;
    std::string failure;

    bool complete() const { return failedLine == 0; }
};

// Reads the settings from `in` without touching anything else.
SettingsRead readSettings(std::istream& in);

// Applies what was read to the state and the captions, in the file's order.
void applySettings(const SettingsRead& read, Console& c);

// Reads `in` and applies what was read. A read that stopped early throws
// RuntimeError after applying the lines before the bad one, which stay applied.
void applySettings(std::istream& in, Console& c);

// Step one of a Start: reads purlo.Set when it has not been read since the
// last save. A failure is shown in the window caption; acquisition goes on.
void readSettingsFile(Console& c);

// "Save Probe + PC": writes purlo.Set (atomically: a failed save leaves the
// old file intact) and tells an attached probe to store its parameters ("W").
void Com_Save_to_eeprom_Click(Console& c);

}  // namespace purlo
