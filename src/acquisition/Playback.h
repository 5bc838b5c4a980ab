// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace purlo {

class Console;

// The "#" button: arms a playback of Purlo.Spl (the next Start plays it
// through the receive loop) or disarms it. A disarmed playback resumes where
// it stopped when armed again. Refused with a message while live acquisition
// runs.
void Com_play_spl_Click(Console& c);

}  // namespace purlo
