// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "link/DeviceWatcher.h"

namespace purlo {

// The option "Resume when the port comes back" and the wait it leads to
// after the link was lost under live acquisition. The rules are in
// acquisition/Resume.h; what ends the wait (Start, Exit, another port) calls
// cancel() from its own handler.
struct LinkResume {
    bool enabled = false;              // the operator's option; off unless set
    DeviceWatcher* watcher = nullptr;  // none: the console cannot watch, so never waits
    bool waiting = false;              // a lost port is being watched for
    bool starting = false;             // the resumed Start is opening the port
    std::string portName;              // "Comm1", as the port was opened
    std::string device;                // "/dev/ttyUSB0", the path that was opened

    // Ends the wait, if any: nothing is watched any more.
    void cancel() {
        if (!waiting) return;
        waiting = false;
        if (watcher != nullptr) watcher->stop();
    }
};

}  // namespace purlo
