// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "sim/Host.h"
#include "sim/Link.h"
#include "sim/ProbeModel.h"
#include "sim/SimOptions.h"
#include "sim/TrafficLog.h"

namespace purlo::sim {

// Serves the probe model on a link (a pty, a TCP port): feeds it the PC's bytes, lets its time
// follow the clock, and sends what it says at the probe's line rate. One
// thread, one wait (Host::wait); it sleeps until a byte is due, the model's
// next burst, a byte from the PC or a request to end.
class Simulator {
  public:
    Simulator(const SimSettings& settings, Link& link, TrafficLog& log);

    // Runs until the host is asked to end. Returns the exit code; throws
    // std::runtime_error when the host's wait fails.
    int run(Host& host);

  private:
    double elapsed() const;
    void catchUp();
    void readFromPc();
    void transmitDue();
    void write(std::string_view bytes);
    int waitTimeoutMs() const;
    double byteSeconds() const { return 10.0 / model_.baudRate(); }
    void noteLineRates(int pcBaud);

    Link& link_;
    TrafficLog& log_;
    ProbeModel model_;
    bool fast_;
    double timeScale_;
    std::chrono::steady_clock::time_point start_;
    std::string pending_;        // bytes still to go out on the line
    double nextDue_ = 0.0;       // when the first pending byte has been sent
    std::uint32_t lineRng_ = 1;  // idle gaps of a garbled line
    int restartsSeen_ = 0;
    int lastPcBaud_ = -1;
    int lastProbeBaud_ = -1;
    std::string reportedProblem_;
    bool pcNotReading_ = false;
};

}  // namespace purlo::sim
