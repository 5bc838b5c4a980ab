// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdlib>
#include <string>

#include "support/ScratchDir.h"

namespace purlo::bench {

// A scratch working directory for one benchmark run, removed afterwards
// unless PURLO_BENCH_KEEP is set (to look at the files it made).
class WorkDir : public testsupport::ScratchDir {
  public:
    explicit WorkDir(const std::string& name) : ScratchDir("purlo-bench-" + name) {
        if (std::getenv("PURLO_BENCH_KEEP") != nullptr) keep();
    }
};

}  // namespace purlo::bench
