// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/Controls.h"
#include "app/Ui.h"

namespace purlo {

// The Start button at rest, as nothing runs: the button face behind "Start".
inline void startButtonToRest(Ui& ui) {
    ui.setBackColour(Control::Com_start_stop, Colour::face());
    ui.setText(Control::Com_start_stop, "Start");
}

}  // namespace purlo
