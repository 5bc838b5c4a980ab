// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/EventPump.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <utility>

namespace purlo {

namespace {

// A blocking yield wakes at the latest after this long. Everything a waiting
// loop looks at changes in an event (a port's notifier, a click, a timer), so
// this only bounds the cost of a wake-up some notifier might lose; any
// shorter and a wait on a silent probe costs CPU time for nothing (at 20 ms it
// was 50 passes a second, most of the console's cost while it waits).
constexpr int kWakeMs = 1000;

}  // namespace

EventPump::EventPump(std::function<void()> beforeEvents) : beforeEvents_(std::move(beforeEvents)) {
    wakeTimer_.setSingleShot(true);
    wakeTimer_.setInterval(kWakeMs);
    paceTimer_.setSingleShot(true);
    paceTimer_.setTimerType(Qt::PreciseTimer);
}

void EventPump::runEvents(Wait wait) {
    if (wait == Wait::UntilEvent) {
        // Nothing to do for the caller: sleep in the event loop until serial
        // data, a click or the wake timer arrives.
        sleepInEventLoop(wakeTimer_);
        return;
    }
    beforeEvents_();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    sinceEvents_.start();
    busyYields_ = 0;
}

void EventPump::yieldFor(double seconds) {
    // A paced playback ahead of its time: sleep in the event loop until its
    // next bytes are due, or a click or anything else arrives first.
    paceTimer_.setInterval(static_cast<int>(std::clamp(std::ceil(seconds * 1000.0), 1.0, 1000.0)));
    sleepInEventLoop(paceTimer_);
    paceTimer_.stop();
}

void EventPump::sleepInEventLoop(QTimer& wake) {
    beforeEvents_();
    wake.start();
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    sinceEvents_.start();
    busyYields_ = 0;
}

}  // namespace purlo
