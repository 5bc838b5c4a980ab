// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace purlo {

class Console;

// "S.C": sends the first character of the command box (a blank when it is
// empty) to the probe, opening the link first when it is closed. A box
// starting with "#" sends nothing: it starts a recording of everything the
// probe sends into Purlo.Spl, or ends the one that runs. Any other command
// also ends a running recording. Every press is logged in List_Info and
// Text_Info; a failure is logged there instead.
void Com_command_to_send_Click(Console& c);

}  // namespace purlo
