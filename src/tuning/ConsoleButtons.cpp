// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/ConsoleButtons.h"

#include "app/Console.h"
#include "commands/ParameterButtons.h"
#include "protocol/Vocabulary.h"

namespace purlo::tuning {

void ConsoleButtons::send(char command) {
    // "Auto / Manuel" sends "a", "A" or "M" by the tuning mode last
    // reported, and "Receive 1 2 3" asks with "o" while the mode is unknown.
    if (command == protocol::kAutoTuning || command == protocol::kManualTuning ||
        command == protocol::reported(ProbeValue::TuningMode).query) {
        console_.click(Control::Com_auto_manuel);
        return;
    }
    if (command == protocol::reported(ProbeValue::ReceiveMode).query) {
        console_.click(Control::Com_probe_print_on);
        return;
    }
    for (const ParameterButton& b : parameterButtons()) {
        if (b.command == command) {
            console_.click(b.control);
            return;
        }
    }
}

}  // namespace purlo::tuning
