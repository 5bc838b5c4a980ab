// SPDX-License-Identifier: GPL-3.0-or-later
// The console behind a serial device server: Debian's ser2net on loopback,
// RFC 2217, in front of purlo-probe-sim's pseudo-terminal.
//
//   1. Live at 38400 bit/s, an echo record every cycle, recording on, for
//      --seconds (default 600): the console's CPU over the recording, and
//      the recording checked against the simulator's traffic log (bytes lost).
//   2. Acquisition waiting on a silent probe (a pseudo-terminal nobody
//      answers) behind its own ser2net for 30 s: the console's CPU.
//   3. The server killed (SIGKILL) during acquisition, with "Resume when the
//      port comes back" on, and started again after 0.3 .. 1.3 s, --count
//      times (default 20): the time from the moment the server is started
//      again (before it listens, so the figure includes its own start-up) to
//      the console's first "?" (seen by its observer).
// Goals: 0 bytes lost and under 5 % of a core live; under 0.5 % waiting; back
// within 3 s.
//
//   build/bin/bench_network [--seconds 600] [--count 20] [--quick]
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "serial/PortWatcher.h"
#include "support/ConsoleWindow.h"
#include "support/FileBytes.h"
#include "support/Measure.h"
#include "support/Pty.h"
#include "support/QueryWatch.h"
#include "support/RecordingCheck.h"
#include "support/Ser2net.h"
#include "support/SettingsFixture.h"
#include "support/SimProcess.h"
#include "support/WorkDir.h"

using namespace purlo;
using namespace purlo::bench;
using purlo::testsupport::readFile;
using purlo::testsupport::Ser2net;
using purlo::testsupport::SimProcess;

namespace {

// Runs the event loop (as the idle program does) until `done` or `limitMs`.
template <class Done>
bool runEventsUntil(Done done, int limitMs) {
    const double end = wallSeconds() + limitMs / 1000.0;
    QTimer wake;
    wake.start(10);
    while (!done() && wallSeconds() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return done();
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    const double liveSeconds = options.secondsOr(600, 3);
    const double idleSeconds = options.quick ? 1 : 30;
    const int returns = options.countOr(20, 2);
    useOffscreenUnlessSet();
    QApplication app(argc, argv);
    useProgramStyle();

    WorkDir dir("network");
    const std::string log = (dir / "probe-traffic.log").string();
    SimProcess sim(PURLO_PROBE_SIM, {"--link", (dir / "purlo-com1").string(), "--baud", "38400",
                                     "--log", log, "--level-min", "600", "--level-max", "1700",
                                     "--level-speed", "8", "--noise", "1.5", "--spikes", "0.002"});
    if (sim.firstLine().empty()) throw std::runtime_error("the probe simulator did not start");
    // The server's own setting is 9600: the console sets 38400 over RFC 2217.
    Ser2net server(dir.path(), dir / "purlo-com1", Ser2net::Kind::Rfc2217);
    Pty silent;  // never read, never written: a probe that does not answer
    const auto silentDir = dir / "silent";
    std::filesystem::create_directories(silentDir);
    Ser2net silentServer(silentDir, silent.slavePath(), Ser2net::Kind::Rfc2217);
    if (!server.start() || !silentServer.start()) throw std::runtime_error("ser2net did not start");
    ConsoleState settings = testsupport::startUpSettings();
    settings.pc_baud_rate = 38400;
    testsupport::writeSettingsFile(dir.path(), settings);
    ConsoleWindow w(dir.path());
    PortWatcher watcher(w.console);
    const auto use = [](const std::string& address) { setenv("PURLO_COMM1", address.c_str(), 1); };

    double livePercent = -1;
    double idlePercent = -1;
    bool recorded = false;
    bool idleWaiting = false;
    std::vector<double> backMs;
    QTimer::singleShot(0, [&] {
        // 1. Live, recording.
        use(server.address());
        CpuWindow span;
        QTimer::singleShot(1000, [&] { w.send("1"); });  // an echo record every cycle
        QTimer::singleShot(1500, [&] {
            w.send("#");
            recorded = w.console.s.recording_on;
            span = CpuWindow{};
        });
        QTimer::singleShot(1500 + static_cast<int>(liveSeconds * 1000), [&] {
            livePercent = span.percent();
            w.send("#");
            w.click(Control::Com_start_stop);
        });
        w.click(Control::Com_start_stop);  // returns when stopped

        // 2. Waiting on a silent probe.
        use(silentServer.address());
        CpuWindow idle;
        QTimer::singleShot(500, [&] { idle = CpuWindow{}; });
        QTimer::singleShot(500 + static_cast<int>(idleSeconds * 1000), [&] {
            idlePercent = idle.percent();
            idleWaiting = w.console.s.port_open;
            w.click(Control::Com_start_stop);
        });
        w.click(Control::Com_start_stop);

        // 3. The server dropped and back.
        use(server.address());
        QueryWatch seen;
        w.console.setObserver(seen);
        w.console.resume.enabled = true;
        QTimer pull;
        long repliesAtStart = 0;
        QObject::connect(&pull, &QTimer::timeout, [&] {
            if (w.console.s.port_open && seen.replies >= repliesAtStart + 20) server.kill();
        });
        pull.start(20);
        w.click(Control::Com_start_stop);  // returns at the loss
        for (int round = 0; round < returns && watcher.watching(); ++round) {
            runEventsUntil([] { return false; }, 300 + (round * 137) % 1000);
            seen.firstQuery = -1;
            repliesAtStart = seen.replies;
            const double started = wallSeconds();
            if (!server.start()) break;
            // The resumed acquisition runs inside these events until the next loss.
            if (!runEventsUntil([&] { return seen.firstQuery >= 0; }, 15000)) break;
            backMs.push_back(1000.0 * (seen.firstQuery - started));
            runEventsUntil([&] { return watcher.watching(); }, 15000);
        }
        pull.stop();
        watcher.stop();
        QCoreApplication::quit();
    });
    QApplication::exec();
    server.kill();
    silentServer.kill();
    sim.stop();

    if (!recorded || livePercent < 0 || !idleWaiting || backMs.size() < std::size_t(returns)) {
        std::fprintf(stderr, "bench_network: incomplete (recorded %d, waiting %d, returns %zu)\n",
                     recorded ? 1 : 0, idleWaiting ? 1 : 0, backMs.size());
        return 1;
    }
    const RecordingComparison c = compareRecording(
        sentToPc(readFile(log)), readFile(dir / "Purlo.Spl"), w.console.s.sample_length);
    std::printf("Over RFC 2217 through ser2net on loopback (load %s):\n", loadAverage().c_str());
    std::printf("  live at 38400 bit/s, recording for %.0f s: console CPU %.2f %% of a core\n",
                liveSeconds, livePercent);
    std::printf(
        "  recorded %lld bytes, %d echo records; lost %lld bytes, %d records; "
        "recorded but never sent %lld bytes\n",
        static_cast<long long>(c.recordedBytes), c.recordsMatched,
        static_cast<long long>(c.lostBytes), c.recordsLost,
        static_cast<long long>(c.unmatchedBytes));
    if (!c.firstProblem.empty()) {
        dir.keep();
        std::printf("  first problem: %s (kept in %s)\n", c.firstProblem.c_str(),
                    dir.path().c_str());
    }
    std::printf("  waiting on a silent probe for %.0f s: %.3f %% of a core\n", idleSeconds,
                idlePercent);
    std::printf("  server back to first \"?\" over %zu returns: median %.0f ms, max %.0f ms\n",
                backMs.size(), median(backMs), maximum(backMs));
    result("network_live_cpu_percent", livePercent, "%");
    result("network_live_lost_bytes",
           static_cast<double>(c.lostBytes + c.unmatchedBytes) + 161.0 * c.recordsLost, "bytes");
    result("network_idle_cpu_percent", idlePercent, "%");
    result("network_return_median_ms", median(backMs), "ms");
    result("network_return_max_ms", maximum(backMs), "ms");
    return c.recordsMatched > 0 ? 0 : 1;
}
