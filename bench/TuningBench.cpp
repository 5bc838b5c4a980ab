// SPDX-License-Identifier: GPL-3.0-or-later
// The tuning assistant's figures.
//
// Accuracy: whole runs (frequency, burst length, voltage) of the assistant's
// core on the console core, the simulated probe model behind the fake port,
// with the transducer's resonance at 21, 22, ... 29 kHz, noise 2 mm and
// stray samples 0.01, 20 seeds each: how often the chosen frequency index is
// the simulator's best index (the one nearest its resonance), or it or a
// neighbour. Goals: 80 % and 95 %.
//
// Pace: one whole run with Apply in the real window at 9600 bit/s against
// purlo-probe-sim on a pseudo-terminal at its real pace (the line paced at
// 10 bits a byte, the probe's clock the wall clock): how long it took, the
// estimate the window showed before it started, and the console's CPU while
// it swept. Goals: under 3 minutes, the estimate within 25 %, under 5 % of a
// core.
//
//   build/bin/bench_tuning [--count SEEDS] [--quick] [accuracy] [pace]
#include <QApplication>
#include <QPushButton>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "TuningHost.h"
#include "TuningWindow.h"
#include "e2e/LiveConsole.h"
#include "monitor/Clocks.h"
#include "sim/EchoPhysics.h"
#include "support/Measure.h"
#include "tuning/Assistant.h"
#include "tuning/ConsoleButtons.h"
#include "tuning/TuningRig.h"

using namespace purlo;
using namespace purlo::bench;

namespace {

// One run in the core; the index chosen.
int chosenIndex(double resonance, std::uint64_t seed) {
    tuning::test::TuningRig r(tuning::test::probeAt(resonance, seed));
    bool started = false;
    r.run([&] {
        if (!started && r.assistant.whyNotReady().empty() && r.console.s.frequency_index != 0) {
            r.assistant.start(r.context(), r.dir.path());
            started = true;
        }
        return started && r.assistant.phase() != tuning::Phase::Snapshot &&
               r.assistant.phase() != tuning::Phase::Sweeping;
    });
    const auto chosen = r.assistant.chosen();
    return chosen ? static_cast<int>(chosen->frequencyIndex) : -1;
}

void accuracy(int seeds, bool quick) {
    int runs = 0;
    int exact = 0;
    int nearby = 0;
    const double step = quick ? 4.0 : 1.0;
    for (double khz = 21.0; khz <= 29.0; khz += step) {
        for (int seed = 1; seed <= seeds; ++seed) {
            const int best = sim::bestFrequencyIndex(khz);
            const int got = chosenIndex(khz, static_cast<std::uint64_t>(seed));
            ++runs;
            exact += got == best;
            nearby += std::abs(got - best) <= 1;
            if (got != best)
                std::printf("  %.0f kHz seed %d: index %d, best %d\n", khz, seed, got, best);
        }
    }
    std::printf("accuracy: %d runs, exact %d, exact or a neighbour %d\n", runs, exact, nearby);
    result("tuning_exact_index", 100.0 * exact / runs, "%");
    result("tuning_index_or_neighbour", 100.0 * nearby / runs, "%");
}

void pace(bool quick) {
    std::vector<std::string> sim = {"--baud",      "9600", "--resonance", "23.5",
                                    "--noise",     "2",    "--spikes",    "0.01",
                                    "--level-min", "1200", "--level-max", "1400"};
    if (quick) sim.insert(sim.end(), {"--fast", "--time-scale", "20"});
    e2e::LiveConsole live(sim);
    SystemSteadyClock steady;
    SystemWallClock wall;
    tuning::ConsoleButtons buttons(live.console);
    tuning::Assistant assistant(buttons, steady, wall);
    live.console.setObserver(assistant);
    TuningHost host(assistant, live.console, live.window);
    host.open();
    if (!live.startSimulator()) {
        std::fprintf(stderr, "bench_tuning: the simulator did not start\n");
        std::exit(1);
    }
    double estimate = 0;
    double began = 0;
    double swept = 0;
    double ended = 0;
    double sweepCpu = 0;
    std::optional<CpuWindow> cpu;
    bool applied = false;
    live.runLiveUntil(
        [&] {
            QPushButton& start = host.window()->button(QStringLiteral("StartSweep"));
            // A few request cycles first, so the estimate has the cycle's pace.
            if (began == 0 && start.isEnabled() && assistant.cycleSeconds() > 0 &&
                live.serial.echoRequests >= 4) {
                const auto found = assistant.reportedSetting();
                estimate = tuning::estimateSeconds(*found, assistant.cycleSeconds());
                began = wallSeconds();
                cpu.emplace();
                start.click();
            }
            if (began > 0 && swept == 0 && assistant.phase() == tuning::Phase::Done) {
                swept = wallSeconds();
                sweepCpu = cpu->percent();
                host.window()->button(QStringLiteral("ApplyBest")).click();
                applied = true;
            }
            if (applied && assistant.phase() == tuning::Phase::Idle) ended = wallSeconds();
            return ended > 0;
        },
        quick ? 60000 : 400000);
    live.console.setObserver(nullObserver());
    if (ended == 0) {
        std::fprintf(stderr, "bench_tuning: the run did not end: %s\n", assistant.status().c_str());
        std::exit(1);
    }
    const double total = ended - began;
    std::printf("pace: sweep %.1f s, with Apply %.1f s; estimate %.1f s; %zu steps; %s\n",
                swept - began, total, estimate, assistant.steps().size(),
                assistant.outcome().c_str());
    result("tuning_run_seconds", total, "s");
    result("tuning_estimate_seconds", estimate, "s");
    result("tuning_estimate_error", 100.0 * (estimate - total) / total, "%");
    result("tuning_sweep_cpu", sweepCpu, "% of a core");
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("load %s\n", loadAverage().c_str());
    const auto asked = [&](const char* part) {
        return options.rest.empty() ||
               std::find(options.rest.begin(), options.rest.end(), part) != options.rest.end();
    };
    if (asked("accuracy")) accuracy(options.countOr(20, 1), options.quick);
    if (asked("pace")) pace(options.quick);
    return 0;
}
