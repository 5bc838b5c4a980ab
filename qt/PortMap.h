// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace purlo {

// The device behind "Comm n" (n >= 1): the one named in the environment
// variable PURLO_COMMn when that is set and not empty; otherwise, on Linux,
// /dev/ttyUSB<n-1> when it exists, else /dev/ttyS<n-1> (COMn on Windows).
std::string deviceForComm(int n);

}  // namespace purlo
