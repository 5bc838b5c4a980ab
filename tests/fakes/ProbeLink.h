// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fakes/FakeSerialPort.h"
#include "sim/ProbeModel.h"

namespace purlo::test {

// Puts the simulated probe behind the fake serial port: every character the
// console writes reaches the model, and every time the console looks for
// input a little simulated time passes, so bursts fire and their lines and
// echo records arrive as they would over a real line (minus the line's pace).
class ProbeLink {
  public:
    explicit ProbeLink(FakeSerialPort& port, sim::ProbeOptions options = {},
                       double secondsPerPoll = 0.002)
        : model(options) {
        port.onOutput = [this, &port](std::string_view data) {
            for (char ch : data) model.receive(ch);
            deliver(port);
        };
        port.onPoll = [this, &port, secondsPerPoll] {
            model.advance(secondsPerPoll);
            deliver(port);
        };
    }

    sim::ProbeModel model;
    std::string toPc;  // everything the probe sent, in order

  private:
    void deliver(FakeSerialPort& port) {
        const std::string bytes = model.takeOutput();
        port.feed(bytes);
        toPc += bytes;
    }
};

}  // namespace purlo::test
