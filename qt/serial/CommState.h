// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <windows.h>

#include "link/LineSettings.h"

namespace purlo {

// The line settings in a device control block (DCB): baud, data bits,
// parity, stop bits, binary mode, no flow control of any kind, DTR and RTS
// up, no byte replaced or dropped by the driver. `dcb` keeps what the driver
// set that the console has no say in.
DCB commStateFor(const LineSettings& line, DCB dcb);

// Reads that return at once with what the driver holds, or, when it holds
// nothing, with the first bytes that arrive (a pending read is the wait for
// input); and writes that may take the time their bytes need on the line at
// `line`'s baud rate, and two seconds more, before they count as failed.
COMMTIMEOUTS commTimeoutsFor(const LineSettings& line);

}  // namespace purlo
