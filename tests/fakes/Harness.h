// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "app/Console.h"
#include "fakes/FakeSerialPort.h"
#include "fakes/FakeUi.h"
#include "fakes/RecordingSurface.h"
#include "support/FileBytes.h"
#include "support/ScratchDir.h"

namespace purlo::test {

// A scratch working directory, removed with the test.
using TempDir = testsupport::ScratchDir;
using testsupport::readFile;
using testsupport::writeFile;

// A console on the three fakes, loaded as at start-up.
struct Harness {
    Harness() : console(ui, surface, port, dir.path()) {
        ui.console = &console;
        console.Form_Load();
    }
    TempDir dir;
    FakeUi ui;
    RecordingSurface surface;
    FakeSerialPort port;
    Console console;
    ConsoleState& s = console.s;
};

// Clicks Start; the first yield at which `done` holds clicks Start again
// (the nested Stop), once. Returns whether it did.
template <class Predicate>
bool runUntil(Harness& h, Predicate done) {
    auto stopped = std::make_shared<bool>(false);
    h.ui.everyYield = [&h, done, stopped](int) {
        if (!*stopped && done()) {
            *stopped = true;
            h.console.click(Control::Com_start_stop);
        }
    };
    h.console.click(Control::Com_start_stop);
    return *stopped;
}

}  // namespace purlo::test
