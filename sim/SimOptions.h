// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/ProbeModel.h"

namespace purlo::sim {

// The command line of purlo-probe-sim.
struct SimSettings {
    ProbeOptions probe;
    std::filesystem::path link;  // empty: no link, the pty path is printed instead
    int tcpPort = -1;            // 0 and up: a raw TCP device server on that port, no pty
    std::filesystem::path log;   // empty: no traffic log
    bool fast = false;           // no pacing at the line rate
    double timeScale = 1.0;      // simulated seconds per real second
    bool help = false;
    bool version = false;
};

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Parses the arguments after the program name. Throws UsageError with a
// message naming the bad option or value. Options start with "--" or "-"
// ("-h" for --help); a value follows as the next argument or after "=".
SimSettings parseArguments(const std::vector<std::string>& args);

// The --help text; without `withPty` for a system with no pseudo-terminals,
// where the probe is served over TCP only.
std::string usageText(bool withPty = true);

}  // namespace purlo::sim
