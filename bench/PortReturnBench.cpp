// SPDX-License-Identifier: GPL-3.0-or-later
// A lost port waited for, and its return: CPU while the console waits for a
// vanished port, and the time from the port's return to the first "?" sent.
//
// The real window, canvas, serial adapter and port watcher on the core,
// offscreen, with the option "Resume when the port comes back" on, acquire
// from purlo-probe-sim behind a link in a scratch folder. The simulator is
// ended (it removes its link): the console reports the loss and waits; its
// own CPU is read over the timed span of that wait. Then a new simulator
// makes the link again, from a second thread so the console's event loop
// runs on undisturbed; the time runs from the moment the simulator says it
// serves (the link made just before) to the console's first "?" (seen by
// its observer). That is repeated for the samples; the wait between two
// returns is varied so they fall at every point of the watcher's period.
// Goals: under 1 % of a core while waiting; noticed within 2 s.
//
//   build/bin/bench_port_return [--seconds 30] [--count 20] [--quick]
#include <QApplication>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "serial/PortWatcher.h"
#include "support/ConsoleWindow.h"
#include "support/Measure.h"
#include "support/QueryWatch.h"
#include "support/SettingsFixture.h"
#include "support/SimProcess.h"
#include "support/WorkDir.h"

using namespace purlo;
using namespace purlo::bench;
using purlo::testsupport::SimProcess;

int main(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    const double seconds = options.secondsOr(30, 1);
    const int samples = options.countOr(20, 2);
    useOffscreenUnlessSet();
    QApplication app(argc, argv);
    useProgramStyle();

    WorkDir dir("port-return");
    const std::string link = (dir / "purlo-com1").string();
    const std::vector<std::string> simArgs{"--link", link, "--fast", "--baud", "9600"};
    setenv("PURLO_COMM1", link.c_str(), 1);
    ConsoleState settings = testsupport::startUpSettings();
    settings.pc_baud_rate = 9600;
    testsupport::writeSettingsFile(dir.path(), settings);

    std::unique_ptr<SimProcess> sim = std::make_unique<SimProcess>(PURLO_PROBE_SIM, simArgs);
    if (sim->firstLine().empty()) {
        std::fprintf(stderr, "bench_port_return: the probe simulator did not start\n");
        return 1;
    }
    ConsoleWindow w(dir.path());
    PortWatcher watcher(w.console);
    w.console.resume.enabled = true;
    QueryWatch seen;
    w.console.setObserver(seen);

    double waitingPercent = -1;
    bool measuredWhileWaiting = false;
    std::vector<double> delaysMs;
    std::atomic<double> servedAt{-1};
    std::atomic<bool> simReady{true};  // `sim` may be used from this thread
    std::optional<std::thread> spawner;
    int round = 0;
    bool failed = false;

    // Ends the simulator once acquisition runs and replies come in; the
    // console's receive loop then ends by itself.
    QTimer pull;
    long repliesAtStart = 0;
    QObject::connect(&pull, &QTimer::timeout, [&] {
        if (!simReady || !w.console.s.port_open || seen.replies < repliesAtStart + 20) return;
        pull.stop();
        sim->stop(SIGTERM);
    });

    QTimer rounds;
    std::function<void()> comeBack;
    // After a loss: wait a while (the timed CPU span the first time), then
    // bring the probe back from a second thread.
    const auto afterLoss = [&] {
        if (!watcher.watching()) {
            std::fprintf(stderr, "bench_port_return: the console is not waiting\n");
            failed = true;
            QCoreApplication::quit();
            return;
        }
        if (round == 0) {
            auto span = std::make_shared<CpuWindow>();
            QTimer::singleShot(static_cast<int>(seconds * 1000), [&, span] {
                waitingPercent = span->percent();
                measuredWhileWaiting = watcher.watching();
                comeBack();
            });
        } else {
            // 0.3 .. 1.3 s: returns at every point of the watcher's period.
            QTimer::singleShot(300 + (round * 137) % 1000, comeBack);
        }
    };
    comeBack = [&] {
        seen.firstQuery = -1;
        servedAt = -1;
        repliesAtStart = seen.replies;
        if (spawner) spawner->join();
        simReady = false;
        spawner.emplace([&] {
            sim = std::make_unique<SimProcess>(PURLO_PROBE_SIM, simArgs);
            simReady = true;
            if (!sim->firstLine().empty()) servedAt = wallSeconds();
        });
        pull.start(20);
        rounds.start(50);
    };
    // Once the resumed acquisition has ended (lost again: the watcher runs
    // it from its own timer), the sample is taken and the next round begins.
    QObject::connect(&rounds, &QTimer::timeout, [&] {
        if (servedAt < 0 || seen.firstQuery < 0 || !watcher.watching()) return;
        rounds.stop();
        delaysMs.push_back(1000.0 * (seen.firstQuery - servedAt));
        servedAt = -1;
        ++round;
        if (round >= samples) {
            QCoreApplication::quit();
            return;
        }
        afterLoss();
    });

    QTimer::singleShot(0, [&] {
        pull.start(20);
        w.click(Control::Com_start_stop);  // returns at the loss
        afterLoss();
    });
    QApplication::exec();
    if (spawner) spawner->join();
    if (failed || !measuredWhileWaiting || delaysMs.empty()) {
        std::fprintf(stderr, "bench_port_return: no figures (waiting %d, returns %zu)\n",
                     measuredWhileWaiting ? 1 : 0, delaysMs.size());
        return 1;
    }

    std::printf("Console waiting for a vanished port for %.0f s: %.3f %% of a core (load %s)\n",
                seconds, waitingPercent, loadAverage().c_str());
    std::printf("Port back to first \"?\" over %zu returns: median %.0f ms, max %.0f ms\n",
                delaysMs.size(), median(delaysMs), maximum(delaysMs));
    result("port_wait_cpu_percent", waitingPercent, "%");
    result("port_return_median_ms", median(delaysMs), "ms");
    result("port_return_max_ms", maximum(delaysMs), "ms");
    return 0;
}
