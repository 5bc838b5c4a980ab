// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The transport over a serial device on this system: Qt SerialPort, and on
// Windows the console's own on the communications API (Qt SerialPort cannot
// be built for Windows from the sources the Windows build has).
#ifdef _WIN32
#include "serial/WinSerialPort.h"
namespace purlo {
using SerialTransport = WinSerialPort;
}
#else
#include "serial/QtSerialPort.h"
namespace purlo {
using SerialTransport = QtSerialPort;
}
#endif
