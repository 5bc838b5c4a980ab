// SPDX-License-Identifier: GPL-3.0-or-later
// Live acquisition at 38400 bit/s: nothing lost, little CPU.
//
// purlo-probe-sim runs as its own process at 38400 bit/s, logging what it
// sends (--log). The real window, canvas and serial adapter on the core,
// offscreen, acquire from it: Start, then "1" through "S.C" (the probe's
// non-stop mode: a distance line four times a burst besides the replies),
// then "#" through "S.C" to record. The request cycle asks for an echo record
// every 16 lines. After the timed span "#" ends the recording and Stop ends
// acquisition. The recording must equal what the simulator sent, less what
// the console drops by design around each echo record (support/
// RecordingCheck.h). The console's CPU is its own process's, over the span.
// Goals: zero bytes lost; under 5 % of a core; the same with the monitor
// window open (--monitor), drawing the trend and echo history as they come.
//
//   build/bin/bench_live [--seconds 600] [--quick] [--monitor]
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "support/ConsoleWindow.h"
#include "support/FileBytes.h"
#include "support/Measure.h"
#include "support/RecordingCheck.h"
#include "support/SettingsFixture.h"
#include "support/SimProcess.h"
#include "support/WorkDir.h"

using namespace purlo;
using namespace purlo::bench;
using purlo::testsupport::readFile;
using purlo::testsupport::SimProcess;

int main(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    const double seconds = options.secondsOr(600, 3);
    useOffscreenUnlessSet();
    QApplication app(argc, argv);
    useProgramStyle();

    WorkDir dir("live");
    const std::string log = (dir / "probe-traffic.log").string();
    SimProcess sim(PURLO_PROBE_SIM, {"--link", (dir / "purlo-com1").string(), "--baud", "38400",
                                     "--log", log, "--level-min", "600", "--level-max", "1700",
                                     "--level-speed", "8", "--noise", "1.5", "--spikes", "0.002"});
    // The simulator prints its device once it serves.
    const std::string device = sim.firstLine();
    if (device.empty()) throw std::runtime_error("the probe simulator did not start");
    setenv("PURLO_COMM1", device.c_str(), 1);
    ConsoleState settings = testsupport::startUpSettings();
    settings.pc_baud_rate = 38400;
    testsupport::writeSettingsFile(dir.path(), settings);
    ConsoleWindow w(dir.path(), options.monitor);

    CpuWindow span;
    double cpuPercent = -1;
    bool recorded = false;
    QTimer::singleShot(1000, [&] { w.send("1"); });
    QTimer::singleShot(1500, [&] {
        w.send("#");
        recorded = w.console.s.recording_on;
        span = CpuWindow{};
    });
    QTimer::singleShot(1500 + static_cast<int>(seconds * 1000), [&] {
        cpuPercent = span.percent();
        w.send("#");  // the recording ends
        w.click(Control::Com_start_stop);
    });
    QTimer::singleShot(0, [&] {
        w.click(Control::Com_start_stop);  // returns when stopped
        QCoreApplication::quit();
    });
    QApplication::exec();
    sim.stop();
    if (!recorded || cpuPercent < 0) {
        std::fprintf(stderr, "bench_live: the console did not record (%s)\n",
                     w.window.text(Control::List_Info).c_str());
        return 1;
    }

    const std::string recording = readFile(dir / "Purlo.Spl");
    const RecordingComparison c =
        compareRecording(sentToPc(readFile(log)), recording, w.console.s.sample_length);
    std::printf("Live at 38400 bit/s, non-stop mode, recording for %.0f s (load %s):\n", seconds,
                loadAverage().c_str());
    std::printf("  console CPU %.2f %% of a core\n", cpuPercent);
    std::printf("  recorded %lld bytes, %d echo records (%d with bytes in front of the marker)\n",
                static_cast<long long>(c.recordedBytes), c.recordsMatched, c.recordsCutShort);
    std::printf(
        "  not kept by design: %lld bytes; lost: %lld bytes, %d records; "
        "recorded but never sent: %lld bytes\n",
        static_cast<long long>(c.droppedByDesign), static_cast<long long>(c.lostBytes),
        c.recordsLost, static_cast<long long>(c.unmatchedBytes));
    if (!c.firstProblem.empty()) {
        dir.keep();
        std::printf("  first problem: %s\n  (recording and traffic log kept in %s)\n",
                    c.firstProblem.c_str(), dir.path().c_str());
    }
    result(options.key("live_cpu_percent"), cpuPercent, "%");
    result(options.key("live_lost_bytes"),
           static_cast<double>(c.lostBytes + c.unmatchedBytes) + 161.0 * c.recordsLost, "bytes");
    result(options.key("live_records"), c.recordsMatched, "records");
    return c.recordsMatched > 0 ? 0 : 1;
}
