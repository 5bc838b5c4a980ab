// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace purlo {

class Console;

// Resuming acquisition when a lost port comes back, with the option
// "Resume when the port comes back" on (Console::resume).
//
// The wait begins only when the link was lost under live acquisition; the
// receive loop's own reaction comes first and stays as it is. A Start click,
// a change of port and Exit end the wait; a Start that plays a playback does
// not, and acquisition resumes once the playback is over.

// Called by the receive loop's failure path after its own reaction, when
// live acquisition was running: starts the wait if the port was lost and the
// option is on, and tells the operator. A running recording is mended where
// the loss cut it (Console::mendRecordingCutByLoss), so that it plays back
// aligned once more is appended.
void waitForLostPort(Console& c);

// The watched device is there again. When nothing else runs (no handler, no
// playback armed), acquisition resumes as a Start click would, and a
// recording that was running goes on in the same file; the call returns when
// that acquisition ends. Returns false when it could not resume yet (the
// watcher tells again later) or nothing is awaited.
bool resumeAcquisition(Console& c);

// For the start sequence, once the port is open: tells the operator the
// port is back when this Start is the resumed one.
void reportResumed(Console& c);

}  // namespace purlo
