// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/Controls.h"

namespace purlo {

class Console;
struct ConsoleState;

// Obtains one echo record (live: asks the probe with "=" and reads it in
// binary; playback: reads it from the playback file), draws it bit by bit
// into the selected slot and writes the probe's latest values into the slot's
// text line. Always leaves the port in text mode with read length 1.
void Draw_one_sample(Console& c);

// The text box of a slot (1 to 3), where a record drawn there writes the
// probe's values.
std::optional<Control> slotTextBox(std::uint8_t slot);
// That line for the probe's values in `values` (the view as it is now).
std::string echoInfoLine(const Console& c, const ConsoleState& values);

}  // namespace purlo
