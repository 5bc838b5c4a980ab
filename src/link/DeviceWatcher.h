// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace purlo {

// Watches for a device that went away (a USB adapter pulled) to be there
// again. The adapter looks without busy polling and, once the device can be
// opened, tells the console (resumeAcquisition, acquisition/Resume.h); it
// goes on telling it until stop(), as the console may be busy at first.
class DeviceWatcher {
  public:
    virtual ~DeviceWatcher() = default;
    // Starts watching `device` (its path), instead of anything watched before.
    virtual void watchFor(std::string_view device) = 0;
    virtual void stop() = 0;
};

}  // namespace purlo
