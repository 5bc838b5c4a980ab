// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>

#include "app/ConsoleState.h"

namespace purlo::testsupport {

// The settings the console holds after start-up: Comm1, 300 baud,
// millimetres, zoom 10 and 150, record length 160, zero point 0. A fixture
// changes what it needs and writes the file with writeSettingsFile().
ConsoleState startUpSettings();

// Writes purlo.Set into `dir` as "Save Probe + PC" does for `s`: with the
// console's own writer, so a fixture always has the file's current format.
void writeSettingsFile(const std::filesystem::path& dir, const ConsoleState& s);

}  // namespace purlo::testsupport
