// SPDX-License-Identifier: GPL-3.0-or-later
// CPU while acquisition waits on a silent probe.
//
// The real window, canvas and serial adapter on the core, offscreen, with
// Comm1 on a pseudo-terminal nobody answers: Start is clicked, the receive
// loop waits for a reply that never comes, and the process's own CPU time is
// read over the timed span. For comparison, the same run then spins a plain
// processEvents() loop for as long. Goal: under 1 % of a core.
//
//   build/bin/bench_idle_cpu [--seconds 30] [--quick]
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "support/ConsoleWindow.h"
#include "support/Measure.h"
#include "support/Pty.h"
#include "support/SettingsFixture.h"
#include "support/WorkDir.h"

using namespace purlo;
using namespace purlo::bench;

int main(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    const double seconds = options.secondsOr(30, 1);
    useOffscreenUnlessSet();
    QApplication app(argc, argv);
    useProgramStyle();

    Pty silent;  // never read, never written: a probe that does not answer
    setenv("PURLO_COMM1", silent.slavePath().c_str(), 1);
    WorkDir dir("idle");
    ConsoleState settings = testsupport::startUpSettings();
    settings.pc_baud_rate = 9600;
    testsupport::writeSettingsFile(dir.path(), settings);
    ConsoleWindow console(dir.path());

    constexpr int kSettleMs = 500;  // the port is open and the loop is waiting
    CpuWindow span;
    double waitingPercent = -1;
    bool wasWaiting = false;
    QTimer::singleShot(kSettleMs, [&] { span = CpuWindow{}; });
    QTimer::singleShot(kSettleMs + static_cast<int>(seconds * 1000), [&] {
        waitingPercent = span.percent();
        wasWaiting = console.console.s.port_open;
        console.click(Control::Com_start_stop);  // Stop, nested in the loop's yield
    });
    double plainPercent = -1;
    long passes = 0;
    QTimer::singleShot(0, [&] {
        console.click(Control::Com_start_stop);  // returns when stopped
        // The comparison: a loop that only ever asks for events, never waits.
        CpuWindow plain;
        while (plain.wall() < seconds) {
            QCoreApplication::processEvents();
            ++passes;
        }
        plainPercent = plain.percent();
        QCoreApplication::quit();
    });
    QApplication::exec();
    if (!wasWaiting) {
        std::fprintf(stderr, "bench_idle_cpu: the console was not acquiring when measured\n");
        return 1;
    }

    std::printf("Console waiting on a silent probe for %.0f s: %.2f %% of a core (load %s)\n",
                seconds, waitingPercent, loadAverage().c_str());
    std::printf("Plain processEvents() loop for %.0f s: %.1f %% of a core, %.0f passes/s\n",
                seconds, plainPercent, passes / seconds);
    result("idle_cpu_percent", waitingPercent, "%");
    result("idle_plain_loop_percent", plainPercent, "%");
    return 0;
}
