// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The console core in its real window with the real serial port, against the
// built probe simulator on a pseudo-terminal, in a scratch working directory.
// Shared by the end-to-end tests and the soak run; no test framework in here.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Console.h"
#include "serial/CommPort.h"
#include "support/ScratchDir.h"
#include "support/SettingsFixture.h"
#include "support/SimProcess.h"
#include "window/MainWindow.h"

namespace purlo::e2e {

// The real port with counters, and hooks through which a test can act at a
// chosen moment of the console's work (pull the cable, for instance).
class ObservedPort : public SerialPort {
  public:
    bool portOpen() const override { return port.portOpen(); }
    void setPortOpen(bool open) override { port.setPortOpen(open); }
    void setCommPort(std::int16_t n) override { port.setCommPort(n); }
    std::string deviceName() const override { return port.deviceName(); }
    void setSettings(std::string_view s) override { port.setSettings(s); }
    void setInputMode(InputMode m) override {
        port.setInputMode(m);
        mode = m;
    }
    void setInputLen(std::int16_t n) override { port.setInputLen(n); }
    void setNullDiscard(bool d) override { port.setNullDiscard(d); }
    int inBufferCount() override {
        if (beforeBufferCount) beforeBufferCount();
        return port.inBufferCount();
    }
    void clearInBuffer() override { port.clearInBuffer(); }
    void output(std::string_view data) override {
        if (data == "=") ++echoRequests;
        if (passOutput && !passOutput(data)) return;
        port.output(data);
    }
    std::string input() override {
        if (beforeInput) beforeInput();
        std::string got = port.input();
        bytesIn += got.size();
        return got;
    }

    CommPort port;
    InputMode mode = InputMode::Text;
    int echoRequests = 0;
    std::size_t bytesIn = 0;
    // False keeps the data from the line (the probe never hears it).
    std::function<bool(std::string_view)> passOutput;
    std::function<void()> beforeBufferCount;
    std::function<void()> beforeInput;
};

// Runs the application's event loop for `ms`, as the idle program does.
inline void runEventsFor(int ms) {
    QElapsedTimer clock;
    clock.start();
    QTimer wake;
    wake.start(10);
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

struct LiveConsole {
    // The simulator runs with these options (besides --link) from startSimulator() on.
    explicit LiveConsole(std::vector<std::string> simOptions = {"--fast", "--baud", "9600",
                                                                "--level-min", "1000",
                                                                "--level-max", "1000"},
                         int pcBaudRate = 9600)
        : link(dir.path() / "com1"),
          options(std::move(simOptions)),
          console(window, window.canvas(), serial, dir.path()) {
        setenv("PURLO_COMM1", link.c_str(), 1);
        // purlo.Set for Comm1 at the simulator's rate (9600 unless said), the zero point at 2000
        // mm.
        ConsoleState settings = testsupport::startUpSettings();
        settings.pc_baud_rate = pcBaudRate;
        settings.zero_offset_mm = 2000;
        testsupport::writeSettingsFile(dir.path(), settings);
        window.connectConsole(console);
        serial.port.setNotes([this](const std::string& line) { console.addInfo(line); });
        console.Form_Load();
        window.show();
    }
    ~LiveConsole() { unsetenv("PURLO_COMM1"); }
    LiveConsole(const LiveConsole&) = delete;
    LiveConsole& operator=(const LiveConsole&) = delete;

    // Starts (or restarts) the simulator behind Comm1; false when it does not come up.
    bool startSimulator() {
        std::vector<std::string> args{"--link", link.string()};
        args.insert(args.end(), options.begin(), options.end());
        sim.reset();
        sim.emplace(PURLO_PROBE_SIM, args);
        return !sim->firstLine().empty();
    }
    // The cable pulled: the simulator dies without a word and its side of
    // the pseudo-terminal goes with it.
    void killSimulator() {
        if (sim) sim->stop(SIGKILL);
    }

    // Clicks Start; when `done` holds (or the time is up) a nested click stops
    // again. Returns whether `done` held. The handler may also end by itself.
    bool runLiveUntil(const std::function<bool()>& done, int limitMs = 10000) {
        QElapsedTimer clock;
        clock.start();
        bool met = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            met = done();
            if (met || clock.elapsed() > limitMs) {
                watch.stop();
                console.click(Control::Com_start_stop);
            }
        });
        watch.start(20);
        console.click(Control::Com_start_stop);
        return met;
    }

    // The lines of List_Info, oldest first, and how often `line` is among them.
    std::vector<std::string> listLines() const {
        const auto* list = qobject_cast<const QListWidget*>(window.widget(Control::List_Info));
        std::vector<std::string> lines;
        lines.reserve(static_cast<std::size_t>(list->count()));
        for (int i = 0; i < list->count(); ++i)
            lines.push_back(list->item(i)->text().toStdString());
        return lines;
    }
    long count(std::string_view line) const {
        const auto lines = listLines();
        return std::count(lines.begin(), lines.end(), line);
    }

    void send(const std::string& command) {
        window.setText(Control::Text_command_to_send, command);
        console.click(Control::Com_command_to_send);
    }

    testsupport::ScratchDir dir;
    std::filesystem::path link;
    std::vector<std::string> options;
    std::optional<testsupport::SimProcess> sim;
    MainWindow window;
    ObservedPort serial;
    Console console;
};

}  // namespace purlo::e2e
