// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace purlo {

class Console;

// The command overview: a double click on the hint line of List_Info (or
// with nothing selected) appends the heading and the command list to
// Text_Info, shows it and turns "Program info" into a red "Close" button.
// A double click on any later line does nothing.
void List_Info_DblClick(Console& c);

}  // namespace purlo
