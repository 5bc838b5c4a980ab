// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <span>

#include "app/Controls.h"
#include "protocol/Vocabulary.h"

namespace purlo {

class Console;
struct ConsoleState;

// A button of the right-hand column that sends the probe one fixed command
// character. A button with a condition holds its character back while the
// last reported value says the probe is already at the end of that range.
struct ParameterButton {
    Control control;
    char command;
    // Sent only while the number the probe last reported for `value` lies
    // above `above` and below `below` (kNoLimit: no bound that way).
    ProbeValue value = ProbeValue::FillHeight;
    int above = protocol::kNoLimit;
    int below = protocol::kNoLimit;
};

// Whether the button's condition holds for the values last reported. An
// unreported value is 0, so a step down waits for the first report while a
// step up goes out at once.
bool sendsNow(const ParameterButton& button, const ConsoleState& s);

// Every plain parameter button: the "<", ">" and view buttons of the
// parameter rows, Temp, Restart Probe and Reset default.
std::span<const ParameterButton> parameterButtons();
const ParameterButton* parameterButton(Control c);

// The click of a plain parameter button: when its condition holds, the
// command box shows the character and then the character goes out. A closed
// port or a failing write ends the click silently, box already written.
void Com_parameter_Click(Console& c, const ParameterButton& button);

// Runs the click of `control` when it is a plain parameter button; false
// when it is not one.
bool parameterButtonClick(Console& c, Control control);

// "Auto / Manuel": asks for the tuning mode while it is unknown, otherwise
// switches manual <-> auto. Sends first and writes the command box only when
// the send worked.
void Com_auto_manuel_Click(Console& c);

// "Receive 1 2 3": asks for the transmit mode while it is unknown, otherwise
// moves the probe one step along 1, 2, 3, 1.
void Com_probe_print_on_Click(Console& c);

}  // namespace purlo
