// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace purlo {

class Console;

// Obtains one echo record (live: asks the probe with "=" and reads it in
// binary; playback: reads it from the playback file), draws it bit by bit
// into the selected slot and writes the probe's latest values into the slot's
// text line. Always leaves the port in text mode with read length 1.
void Draw_one_sample(Console& c);

}  // namespace purlo
