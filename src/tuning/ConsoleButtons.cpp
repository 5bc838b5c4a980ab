// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/ConsoleButtons.h"

#include "app/Console.h"
#include "commands/ParameterButtons.h"
#include "protocol/Vocabulary.h"

namespace purlo::tuning {

void ConsoleButtons::send(char command) {
    // "Auto / Manuel" sends "A" or "M" by the tuning mode last reported.
    // Its query "a", and "o" of "Receive 1 2 3", go to the link below: those
    // buttons ask only while the mode is unknown, and switch a known one.
    if (command == protocol::kAutoTuning || command == protocol::kManualTuning) {
        console_.click(Control::Com_auto_manuel);
        return;
    }
    for (const ParameterButton& b : parameterButtons()) {
        if (b.command == command) {
            console_.click(b.control);
            return;
        }
    }
    // A query no button asks (the echo and burst bounce, the modes): written
    // to the link as the request cycle writes its own, while acquisition runs.
    if (!protocol::changesProbe(command) && console_.s.port_open && console_.s.sampling_on) {
        console_.port.output(std::string_view(&command, 1));
    }
}

}  // namespace purlo::tuning
