// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace purlo {

// For start-up measurements. When the environment variable
// PURLO_REPORT_FIRST_FRAME is set (to anything but empty), the program prints
// one line to standard error as soon as the window's first frame has been
// painted:
//
//   purlo: first frame 93.1 ms after process start, peak resident 38512 kB, in FOLDER
//
// (FOLDER: the working folder the console uses)
// (the start time comes from /proc/self/stat, so it is good to 10 ms; peak
// resident is VmHWM). When PURLO_EXIT_AFTER_FIRST_FRAME is set too, the
// program then ends. Without the variables nothing is watched.
void reportFirstFrame(QWidget& window);

}  // namespace purlo
