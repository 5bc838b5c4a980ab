// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console's loops run inside a click's handler and hand the event loop a
// turn through the Ui port's yield: a busy loop once per byte, a waiting loop
// until something happens, a paced playback until its next bytes are due.

#include <QElapsedTimer>
#include <QTimer>
#include <functional>

#include "app/Ui.h"

namespace purlo {

class EventPump {
  public:
    // `beforeEvents` runs before every turn of the event loop: what waits
    // for its frame is shown then.
    explicit EventPump(std::function<void()> beforeEvents);

    // A busy yield runs the event queue at most every 2 ms; a blocking one
    // sleeps in the event loop until an event arrives (at the latest after a
    // second).
    void yield(Wait wait) {
        if (wait == Wait::No && busyPassOnly()) return;
        runEvents(wait);
    }
    // Sleeps in the event loop for about `seconds` (1 ms to 1 s), or until
    // anything else arrives first.
    void yieldFor(double seconds);

  private:
    // A busy loop yields once a byte, and reading the clock costs as much as
    // the rest of such a pass: after the first look it looks every 8th time.
    bool busyPassOnly() {
        return sinceEvents_.isValid() &&
               (busyYields_++ % kClockEvery != 0 || sinceEvents_.nsecsElapsed() < kBusyYieldNs);
    }
    void runEvents(Wait wait);
    // Shows what waits for its frame, then blocks in the event loop until an
    // event arrives or `wake` (started here) times out.
    void sleepInEventLoop(QTimer& wake);

    static constexpr qint64 kBusyYieldNs = 2'000'000;
    static constexpr unsigned kClockEvery = 8;

    std::function<void()> beforeEvents_;
    // Bounds a blocking yield: a wake-up lost by a notifier costs a second,
    // not the loop.
    QTimer wakeTimer_;
    // Ends a paced playback's wait when its next bytes are due.
    QTimer paceTimer_;
    QElapsedTimer sinceEvents_;
    // Busy yields since events last ran; the clock is read on some only.
    unsigned busyYields_ = 0;
};

}  // namespace purlo
