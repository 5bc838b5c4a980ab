// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <string>

#include "fakes/FakeSerialPort.h"
#include "sim/ProbeModel.h"

namespace purlo::test {

// Puts the simulated probe behind the fake serial port: every character the
// console writes reaches the model, and every time the console looks for
// input a little simulated time passes, so bursts fire and their lines and
// echo records arrive as they would over a real line; at the line's pace
// when `bytesPerSecond` is given (10 bits a byte), else at once.
class ProbeLink {
  public:
    explicit ProbeLink(FakeSerialPort& port, sim::ProbeOptions options = {},
                       double secondsPerPoll = 0.002, double bytesPerSecond = 0.0)
        : model(options) {
        port.onOutput = [this, &port](std::string_view data) {
            for (char ch : data) model.receive(ch);
            deliver(port, 0.0);
        };
        port.onPoll = [this, &port, secondsPerPoll, bytesPerSecond] {
            model.advance(secondsPerPoll);
            deliver(port, secondsPerPoll * bytesPerSecond);
        };
        paced_ = bytesPerSecond > 0.0;
    }

    sim::ProbeModel model;
    std::string toPc;  // everything the probe sent, in order

  private:
    void deliver(FakeSerialPort& port, double bytes) {
        const std::string out = model.takeOutput();
        toPc += out;
        if (!paced_) {
            port.feed(out);
            return;
        }
        onLine_ += out;
        due_ += bytes;
        const auto n = std::min(onLine_.size(), static_cast<std::size_t>(due_));
        port.feed(std::string_view(onLine_).substr(0, n));
        onLine_.erase(0, n);
        due_ -= static_cast<double>(n);
        if (onLine_.empty()) due_ = 0.0;
    }

    bool paced_ = false;
    std::string onLine_;  // sent by the probe, not arrived yet
    double due_ = 0.0;
};

}  // namespace purlo::test
