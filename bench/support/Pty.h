// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace purlo::bench {

// A pseudo-terminal in raw mode: the console opens the slave by its path
// (PURLO_COMM1), the benchmark plays the probe on the master side, or leaves
// it silent.
class Pty {
  public:
    Pty();
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    int master() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

  private:
    int master_ = -1;
    int slave_ = -1;  // held open, so the line stays up between opens by the console
    std::string slavePath_;
};

}  // namespace purlo::bench
