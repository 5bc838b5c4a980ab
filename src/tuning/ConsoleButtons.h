// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tuning/Assistant.h"

namespace purlo {
class Console;
}

namespace purlo::tuning {

// The assistant's commands as clicks on the console's own buttons: the
// button's condition holds a character back as it would for the technician,
// the command box shows the last character, and the console reports the
// command to its observers as for any click. A query no button asks goes
// to the link as the request cycle's own do.
class ConsoleButtons final : public ProbeCommands {
  public:
    explicit ConsoleButtons(Console& console) : console_(console) {}
    void send(char command) override;

  private:
    Console& console_;
};

}  // namespace purlo::tuning
