#pragma once

#include <istream>
#include <string>

#include "app/ConsoleState.h"

namespace purlo {

class Console;

inline constexpr const char* kSettingsFileName = "purlo.Set";

// The 17 lines of purlo.Set for the given state, each ending CR LF. A
// sample length below 100 is written as 160 (the save then keeps 160).
std::string settingsFileText(const ConsoleState& s);

// Applies the settings in `in` to the state and their captions, line by line,
// stopping at the first line that is missing or does not fit its variable
// (RuntimeError). What was applied before stays applied.
void applySettings(std::istream& in, Console& c);

// Step one of a Start: reads purlo.Set when it has not been read since the
// last save. A failure is shown in the window caption; acquisition goes on.
void readSettingsFile(Console& c);

// "Save Probe + PC": writes purlo.Set (atomically: a failed save leaves the
// old file intact) and tells an attached probe to store its parameters ("W").
void Com_Save_to_eeprom_Click(Console& c);

}  // namespace purlo
