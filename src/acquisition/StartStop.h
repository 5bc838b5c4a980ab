// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

namespace purlo {

class Console;

// Start/Stop. A click on "Start" reads the settings on first use, lays out the
// diagram slots, opens the link and then stays in the receive loop for as long
// as acquisition (or a playback) lasts: it collects reply lines, decodes them
// and keeps the probe asked for every value in a 16-step request cycle. The
// loop yields on every pass, so a second click runs this handler nested
// inside it, and that nested run stops acquisition.
void Com_start_stop_Click(Console& c);

// A line from a peer that never sends a carriage return (a broken cable, a
// wrong baud rate) keeps only this many characters; the rest is dropped until
// the line ends.
inline constexpr std::size_t kMaxLineLength = 4096;

}  // namespace purlo
