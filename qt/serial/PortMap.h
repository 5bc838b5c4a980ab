// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "link/PortBinding.h"

namespace purlo {

// The value of PURLO_COMMn; empty when it is unset or empty.
std::string commEnvironment(int n);

// How "Comm n" (n >= 1) maps now on `catalogue` (mapComm): PURLO_COMMn when
// set; else the port bound to Comm n in the user's settings (PortBindings),
// by its stable path, present or not; else /dev/ttyUSB<n-1>, else
// /dev/ttyACM<n-1>, else /dev/ttyS<n-1>.
CommMapping commMapping(int n, const PortCatalogue& catalogue);

// The device "Comm n" opens now, on the system's ports: commMapping's device.
// For a bound port that is its /dev/serial/by-id link, whether it is there
// or not.
std::string deviceForComm(int n);

}  // namespace purlo
