// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace purlo {

class Console;

// The port button: Comm1 .. Comm4, round. Only the choice changes; the port
// itself is configured at the next bauderate.
void Com_Comm_port_Click(Console& c);

// The PC baud-rate button: 2400, 4800, 9600, 19200, 38400, 1200, round.
void Com_baudrate_pc_Click(Console& c);

// Applies the chosen port number and PC baud rate to the serial port, sets
// text reads of one character and opens the port. Afterwards port_open tells
// whether the port is open; a failure is reported here (List_Info, and the
// Start button restored) and not passed on.
void bauderate(Console& c);

}  // namespace purlo
