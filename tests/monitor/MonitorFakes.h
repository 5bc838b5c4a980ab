// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/Clocks.h"

namespace purlo::test {

// Clocks a test sets by hand.
struct FakeSteadyClock final : SteadyClock {
    double now = 0.0;
    double seconds() const override { return now; }
};

struct FakeWallClock final : WallClock {
    LocalTime time{1796658312, 3600};  // 2026-12-07T16:45:12+01:00
    LocalTime now() const override { return time; }
};

}  // namespace purlo::test
