// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/CpuTime.h"

#include <sys/resource.h>

namespace purlo::testsupport {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace purlo::testsupport
