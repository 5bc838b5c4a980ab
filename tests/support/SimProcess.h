// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace purlo::testsupport {

// The probe simulator (purlo-probe-sim) as a child process, its standard
// output on a pipe: it prints its pseudo-terminal (or --link) once it serves.
class SimProcess {
  public:
    // Starts `program` with `args`; throws std::runtime_error when it cannot.
    SimProcess(const std::string& program, std::vector<std::string> args);
    // Kills it (SIGKILL) unless stop() ended it.
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // The first line the program prints, or "" when none comes within `limit`
    // (it refused to start, for instance).
    std::string firstLine(std::chrono::milliseconds limit = std::chrono::seconds(5));

    // Sends `signal` and waits for the end: the exit status (128 + the signal
    // when a signal ended it), or -1 when it does not end within 5 s.
    int stop(int signal = SIGTERM);

  private:
    pid_t pid_ = -1;
    int stdout_ = -1;
};

}  // namespace purlo::testsupport
