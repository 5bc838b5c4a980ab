// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace purlo::testsupport {

// CPU seconds this process has used so far, user and system, every thread included.
double cpuSeconds();

}  // namespace purlo::testsupport
