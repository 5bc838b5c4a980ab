// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string_view>

namespace purlo {

class Console;

// Purlo.Txt, the operator's information text, is shown in Text_Info only up
// to this size; a larger file is left to an external editor.
inline constexpr std::uintmax_t kInfoFileMaxBytes = 32100;

// Where a failure message sends the operator for a fresh copy of the file.
inline constexpr std::string_view kInfoContact = "purlo-console@example.org";

// "Program info" / "Close" / "View Info". With nothing shown it loads
// Purlo.Txt byte for byte into Text_Info and shows it. With the file shown it
// hides it again; only when a key was pressed in the box it asks whether to
// save, and a confirmed save replaces the file as a whole (the box text and
// one CR LF), so a failed save leaves the old file intact. With the command
// overview shown it just hides the box. Failures show a message box.
void Com_view_program_info_Click(Console& c);

// Any key in Text_Info counts as a modification of the shown file.
void Text_Info_KeyDown(Console& c);

// Shows Text_Info with its button turned into a red "Close", for the
// information file and the command overview alike.
void showInfoBox(Console& c);

}  // namespace purlo
