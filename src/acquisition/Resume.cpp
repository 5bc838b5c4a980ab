// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/Resume.h"

#include <exception>
#include <string>

#include "acquisition/StartStop.h"
#include "app/Console.h"

namespace purlo {

void waitForLostPort(Console& c) {
    LinkResume& r = c.resume;
    if (!r.enabled || r.watcher == nullptr || c.ending() || !c.link().lost()) return;
    if (c.link().openedDevice().empty()) return;  // nothing to watch for
    r.portName = c.link().openedName();
    r.device = c.link().openedDevice();
    r.waiting = true;
    // The recording goes on in the same file once the port is back.
    if (c.s.recording_on) {
        try {
            c.mendRecordingCutByLoss();
        } catch (const std::exception&) {
            // The recording has ended, and the operator was told.
        }
    }
    r.watcher->watchFor(r.device);
    c.addInfo("* " + r.portName + " (" + r.device + ") was removed; waiting for it.");
}

bool resumeAcquisition(Console& c) {
    LinkResume& r = c.resume;
    if (!r.waiting) return false;
    if (c.ending()) {
        r.cancel();
        return false;
    }
    // Another handler runs (a dialog is open, a playback plays, a click is
    // being handled): a Start from here would run inside it. Later.
    if (c.handling() || c.s.playback_on) return false;
    // The operator opened the link in the meantime (a manual command): a
    // Start would stop it. The wait is over.
    if (c.s.port_open) {
        r.cancel();
        return false;
    }
    r.cancel();
    r.starting = true;
    const Console::Handling handling(c);
    Com_start_stop_Click(c);
    r.starting = false;
    return true;
}

void reportResumed(Console& c) {
    LinkResume& r = c.resume;
    if (!r.starting) return;
    r.starting = false;
    c.addInfo("* " + r.portName + " is back; acquisition resumed.");
}

}  // namespace purlo
