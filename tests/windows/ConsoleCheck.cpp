// SPDX-License-Identifier: GPL-3.0-or-later
// purlo-console-check: the console's window with the real Comm1 against a
// running probe simulator, driven through its controls as an operator would:
// Start until the values, the fill height and echo records are there, Stop;
// with --record also a recording ("#" ... any command) played back; then
// Exit, which has to end the program. scripts/windows.sh runs it under wine
// (Comm1 a tcp:// address or a COM port); it also builds and runs on Linux.
//
//   purlo-console-check FOLDER [--record]   (PURLO_COMM1 names the port)
// Works in FOLDER (purlo.Set written there; Purlo.Spl is left there). Exit
// status 0 when every step held; what failed goes to standard error.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "app/Console.h"
#include "serial/CommPort.h"
#include "support/SettingsFixture.h"
#include "window/MainWindow.h"

namespace {

using purlo::Control;

// The real port, counting the echo records the console asks for.
class CountingPort : public purlo::CommPort {
  public:
    void output(std::string_view data) override {
        if (data == "=") ++echoRequests;
        CommPort::output(data);
    }
    int echoRequests = 0;
};

int failures = 0;

void check(bool ok, const std::string& what) {
    std::fprintf(stderr, "%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
    if (!ok) ++failures;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: purlo-console-check FOLDER [--record]\n", stderr);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    const bool record = argc > 2 && std::string(argv[2]) == "--record";
    // The simulator's rate, and the zero point 2000 mm below the probe.
    purlo::ConsoleState settings = purlo::testsupport::startUpSettings();
    settings.pc_baud_rate = 9600;
    settings.zero_offset_mm = 2000;
    purlo::testsupport::writeSettingsFile(folder, settings);

    purlo::MainWindow window;
    CountingPort serial;
    purlo::Console console(window, window.canvas(), serial, folder);
    window.connectConsole(console);
    serial.setNotes([&console](const std::string& line) { console.addInfo(line); });
    console.Form_Load();
    window.show();

    // A dialog fails the check instead of waiting for a click.
    QTimer dialogs;
    QObject::connect(&dialogs, &QTimer::timeout, [] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            check(false, "no dialog (got \"" + d->windowTitle().toStdString() + "\")");
            d->reject();
        }
    });
    dialogs.start(20);

    // Start; when `done` holds, or after 20 s, a click in its loop stops again.
    const auto runLiveUntil = [&](const std::function<bool()>& done) {
        QElapsedTimer clock;
        clock.start();
        bool met = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            met = done();
            if (met || clock.elapsed() > 20000) {
                watch.stop();
                console.click(Control::Com_start_stop);
            }
        });
        watch.start(20);
        console.click(Control::Com_start_stop);
        return met;
    };
    const auto send = [&](const std::string& command) {
        window.setText(Control::Text_command_to_send, command);
        console.click(Control::Com_command_to_send);
    };
    const auto lastLine = [&] { return "; List_Info: " + window.text(Control::List_Info); };

    QTimer::singleShot(0, [&] {
        const bool live = runLiveUntil([&] {
            return window.text(Control::Com_view_us_fq) == "25.1kc" && serial.echoRequests >= 3 &&
                   !window.text(Control::Text_top).empty();
        });
        check(live, "Start shows the probe's values and echo records" + lastLine());
        // 1000 mm below the probe, counted from the zero point at 2000 mm.
        check(std::abs(console.s.fill_height - 1000.0f) < 30.0f,
              "the fill height is 1000 mm (" + std::to_string(console.s.fill_height) + ")");
        check(window.text(Control::Com_view_burst_length) == "P 4", "the burst length P 4");
        check(!console.s.port_open && window.text(Control::Com_start_stop) == "Start",
              "Stop closed the port");

        if (record) {
            bool recording = false;
            const int before = serial.echoRequests;
            runLiveUntil([&] {
                if (!recording && window.text(Control::Com_view_us_fq) == "25.1kc") {
                    send("#");
                    recording = true;
                }
                if (recording && serial.echoRequests >= before + 3) {
                    send("?");  // any command ends the recording
                    return true;
                }
                return false;
            });
            std::error_code ec;
            const auto size = std::filesystem::file_size(folder / "Purlo.Spl", ec);
            check(!ec && size > 2U * 161U, "a recording of echo records in Purlo.Spl (" +
                                               std::to_string(ec ? 0 : size) + " bytes)");
            for (Control c :
                 {Control::Com_view_us_fq, Control::Com_view_burst_length, Control::Text_top})
                window.setText(c, "");
            console.click(Control::Com_play_spl);
            check(console.s.playback_on, "the recording armed for playback");
            console.click(Control::Com_start_stop);  // plays to the end, then returns
            check(window.text(Control::Com_view_us_fq) == "25.1kc" &&
                      window.text(Control::Com_view_burst_length) == "P 4" &&
                      !window.text(Control::Text_top).empty(),
                  "the playback shows the recorded values and echoes" + lastLine());
        }
        console.click(Control::Com_exit);
        // Exit ends the application's loop; should it not, this does, failed.
        QTimer::singleShot(5000, [] {
            check(false, "Exit ended the program");
            QCoreApplication::exit(1);
        });
    });
    const int status = QApplication::exec();
    check(status == 0 && !window.isVisible(), "Exit ended the program");
    return failures == 0 ? 0 : 1;
}
