// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace purlo {

class Console;

// The receive loop's gate before each byte of a playback, while the replay is
// engaged or the playback is at its start (see Replay): keeps the start as the
// first checkpoint, carries out a seek, and waits, in a yield, until the next
// byte is due or while paused. True when the byte may be read now; false
// after a wait or a seek, when the loop looks at its flags again first.
// `line` is the loop's reply line, emptied by a seek.
bool playbackMayRead(Console& c, std::string& line);

// A playback was just armed: what was asked of the replay before goes, and
// the playback's start, with the window as it is now, is its first
// checkpoint (also when it goes on from where an earlier one was disarmed).
void replayArmed(Console& c);

// Moves the playback to the first line start at or after `position` (bytes of
// the recording read), never inside an echo record, with the probe values,
// their texts and the echo record count as a playback from the start would
// have left them there: replayed silently from the nearest checkpoint before,
// keeping a checkpoint every Replay::kCheckpointBytes on the way. The
// observer hears of the seek, then of the value of each reply code the
// playback has decoded up to there.
void seekPlayback(Console& c, std::int64_t position);

}  // namespace purlo
