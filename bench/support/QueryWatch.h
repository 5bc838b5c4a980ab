// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "observe/Observer.h"
#include "support/Measure.h"

namespace purlo::bench {

// What the benchmarks of a port's return watch: when the first "?" goes out
// after `firstQuery` was reset, and how many replies have come in.
struct QueryWatch : Observer {
    void commandSent(char command) override {
        if (command == '?' && firstQuery < 0) firstQuery = wallSeconds();
    }
    void replyDecoded(const DecodedReply& /*reply*/) override { ++replies; }
    double firstQuery = -1;  // wallSeconds(); -1 until then
    long replies = 0;
};

}  // namespace purlo::bench
