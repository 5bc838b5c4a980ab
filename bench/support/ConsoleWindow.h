// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <filesystem>
#include <memory>
#include <string_view>

#include "app/Console.h"
#include "monitor/Clocks.h"
#include "monitor/MonitorModel.h"
#include "observe/Observer.h"
#include "serial/CommPort.h"
#include "tuning/Assistant.h"
#include "tuning/ConsoleButtons.h"
#include "window/MainWindow.h"

namespace purlo {
class MonitorHost;
}

namespace purlo::bench {

// Qt's offscreen platform unless the caller chose one, and the program's style.
// Call before the QApplication is made, and setStyle after.
void useOffscreenUnlessSet();
void useProgramStyle();

// The program's window, noting what the console shows on it: how often each
// control's text was set, and the highest record count the playback button
// showed.
class CountingWindow : public MainWindow {
  public:
    void setText(Control c, std::string_view text) override;
    long textSets(Control c) const { return textSets_[static_cast<std::size_t>(c)]; }
    long highestPlayCount() const { return highestPlayCount_; }

  private:
    std::array<long, kControlCount> textSets_{};
    long highestPlayCount_ = 0;
};

// The console as the program puts it together (main.cpp): the real window,
// canvas and serial adapter on the core, the monitor's model and the tuning
// assistant hearing it through an observer list (the CSV log off, as a new
// user has it), loaded and shown, its files in
// `workDir`; with `openMonitor` the monitor window open beside it. The
// benchmark drives it as the operator would, through the window's buttons.
struct ConsoleWindow {
    explicit ConsoleWindow(const std::filesystem::path& workDir, bool openMonitor = false);
    ~ConsoleWindow();

    // Clicks the button as a mouse click does (its clicked() signal). A click
    // on Start returns only when acquisition or playback ends, so schedule the
    // rest of the benchmark on timers first.
    void click(Control button);
    // Types the command into Text_command_to_send and clicks "S.C".
    void send(std::string_view command);

    CountingWindow window;
    CommPort serial;  // the serial port, or a network port for rfc2217:// and tcp://
    Console console;
    SystemSteadyClock steadyClock;
    SystemWallClock wallClock;
    MonitorModel monitorModel;
    tuning::ConsoleButtons tuningButtons;
    tuning::Assistant assistant;
    ObserverList observers;
    std::unique_ptr<MonitorHost> monitorHost;
};

}  // namespace purlo::bench
