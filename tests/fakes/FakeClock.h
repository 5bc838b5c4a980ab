// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/Replay.h"

namespace purlo::test {

// A clock that moves only when told (FakeUi moves it by the time a paced
// wait asks for).
struct FakeClock final : ReplayClock {
    double now = 0.0;
    double seconds() const override { return now; }
};

}  // namespace purlo::test
