// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace purlo {

class Console;

// A double click on the command box explains the command in it: the help
// page that the box's exact text selects is shown with OK and Cancel; OK
// walks on through the ring of pages (after the last one the box reads "Z"
// and the walk goes on at the first page), Cancel ends. "offset" or
// "Offset" instead asks for the zero-point offset of the fill height.
void Text_command_to_send_DblClick(Console& c);

}  // namespace purlo
