// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/ConsoleButtons.h"

#include "app/Console.h"
#include "commands/ParameterButtons.h"

namespace purlo::tuning {

void ConsoleButtons::send(char command) {
    // "Auto / Manuel" sends "a", "A" or "M" by the tuning mode last
    // reported, and "Receive 1 2 3" asks with "o" while the mode is unknown.
    if (command == 'A' || command == 'M' || command == 'a') {
        console_.click(Control::Com_auto_manuel);
        return;
    }
    if (command == 'o') {
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
