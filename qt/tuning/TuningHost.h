// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <memory>

namespace purlo {

class Console;
class MainWindow;
class TuningWindow;

namespace tuning {
class Assistant;
}

// Opens the tuning assistant's window when asked (the console menu, Ctrl+T,
// --tune), beside the console and where the technician left it last time
// (~/.config/purlo/tuning.conf), and drives the assistant with a timer: every
// kTickMs while a run moves the probe (a command goes out within a tick of
// the reply line it waits for), every kIdleMs otherwise, and not at all once
// the window is closed with no run under way (a pending or failing restore
// keeps it going, the window hidden or not). When the technician must know
// (a restore failed, parameters left changed) the window opens itself
// beside the console. The window is redrawn every
// kIdleMs. The timers run in whatever event loop runs, the receive loop's
// yield included.
//
// Exit (its button, or closing the console) with a run that has the probe
// changed waits while the assistant steps it back: the console's window asks
// the host first, the host holds the exit, and clicks Exit itself once the
// probe reports the snapshot, the port is lost, or the time the assistant
// gives it from the pace of its moves has passed (the window counts it down).
class TuningHost : public QObject {
    Q_OBJECT
  public:
    TuningHost(tuning::Assistant& assistant, Console& console, MainWindow& consoleWindow);
    ~TuningHost() override;

    void open();
    TuningWindow* window() const { return window_.get(); }

    static constexpr int kTickMs = 20;
    static constexpr int kIdleMs = 250;

  private:
    void tick();
    void remember();
    bool holdExit();
    void exitNow();

    tuning::Assistant& assistant_;
    Console& console_;
    MainWindow& consoleWindow_;
    std::unique_ptr<TuningWindow> window_;
    QTimer timer_;
    int sinceRefreshMs_ = 0;
    QElapsedTimer exitAsked_;  // valid while an exit waits for the restore
    bool exiting_ = false;
    std::uint64_t alertsSeen_ = 0;
};

}  // namespace purlo
