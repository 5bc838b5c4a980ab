// SPDX-License-Identifier: GPL-3.0-or-later
// The tuning assistant's figures.
//
// Accuracy: whole runs (frequency, burst length, voltage) of the assistant's
// core on the console core, the simulated probe model behind the fake port,
// over a family of transducers: resonance 18, 19, ... 32 kHz, quality 3, 7
// and 15, "F" stepping to a lower or a higher index, noise 2 mm and stray
// samples 0.01, 5 seeds each (450 runs): how often the chosen frequency index
// is the simulator's best index (the one nearest its resonance), or it or a
// neighbour. Goals: 80 % and 95 %.
//
// Pace: one whole run with Apply in the real window at 9600 bit/s against
// purlo-probe-sim on a pseudo-terminal at its real pace (the line paced at
// 10 bits a byte, the probe's clock the wall clock): how long it took, the
// estimate the window showed before it started, and the console's CPU while
// it swept. Goals: under 3 minutes, the estimate within 25 %, under 5 % of a
// core.
//
// Exit (asked by name only): at 1200 bit/s at the line's real pace, Exit is
// clicked in the console once the sweep has taken the frequency 20 indexes
// from where the probe was found; how long the console then waits until the
// probe is stepped back and it ends, and whether it was restored.
//
// Validate (asked by name only): the pace run from three other
// configurations, each estimate against its run.
//
// Bursts (asked by name only): the burst lengths chosen over resonances and
// seeds, with "steps" the figures of every burst step.
//
//   build/bin/bench_tuning [--count SEEDS] [--quick] [accuracy] [pace] [exit] [validate]
//                          [bursts [steps]]
#include <QApplication>
#include <QPushButton>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

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

// One sweep in the core: what it chose, and the steps as they ran.
struct Swept {
    std::optional<tuning::Setting> chosen;
    std::vector<tuning::StepResult> steps;
};

Swept sweep(double resonance, std::uint64_t seed, double quality = 0.0, bool fRaisesIndex = false) {
    sim::ProbeOptions o = tuning::test::probeAt(resonance, seed);
    o.quality = quality;
    o.fRaisesIndex = fRaisesIndex;
    tuning::test::TuningRig r(o);
    bool started = false;
    r.run([&] {
        if (!started && r.assistant.whyNotReady().empty() && r.console.s.frequency_index != 0) {
            r.assistant.start(r.context(), r.dir.path());
            started = true;
        }
        return started && r.assistant.phase() != tuning::Phase::Snapshot &&
               r.assistant.phase() != tuning::Phase::Sweeping;
    });
    return {r.assistant.chosen(), r.assistant.steps()};
}

// The burst lengths chosen over resonances 21, 23, ... 29 kHz and seeds,
// and with "steps" every burst step's figures.
void bursts(int seeds, bool verbose) {
    std::map<int, int> chosen;
    for (double khz = 21.0; khz <= 29.0; khz += 2.0) {
        for (int seed = 1; seed <= seeds; ++seed) {
            const Swept s = sweep(khz, static_cast<std::uint64_t>(seed));
            ++chosen[s.chosen ? static_cast<int>(s.chosen->burstLength) : -1];
            if (!verbose) continue;
            std::printf("%.0f kHz seed %d: burst %d\n", khz, seed,
                        s.chosen ? static_cast<int>(s.chosen->burstLength) : -1);
            for (const tuning::StepResult& step : s.steps) {
                if (step.plan.pass != tuning::Pass::Burst) continue;
                const tuning::Figures& f = step.figures;
                std::printf(
                    "  %2d periods: echo %5.1f (range %4.1f) burst %5.1f det %.2f iqr %5.1f "
                    "ring end %3d stray %.3f score %6.2f%s\n",
                    static_cast<int>(step.actual.burstLength), f.echoMedian, f.echoRange,
                    f.burstMedian, f.detection, f.distanceIqrMm, f.shape ? f.shape->ringEnd : -1,
                    f.shape ? f.shape->strayShare : 0.0, f.score,
                    f.eligible() ? "" : " (not eligible)");
            }
        }
    }
    std::printf("bursts chosen:");
    for (const auto& [periods, runs] : chosen) std::printf(" %d periods %d x;", periods, runs);
    std::printf("\n");
}

// The family of transducers: resonance 18, 19, ... 32 kHz, quality 3, 7
// and 15, "F" to a lower and to a higher index, `seeds` seeds each.
void accuracy(int seeds, bool quick) {
    int runs = 0;
    int exact = 0;
    int nearby = 0;
    const double step = quick ? 7.0 : 1.0;
    for (double khz = 18.0; khz <= 32.0; khz += step) {
        for (const double quality : {3.0, 7.0, 15.0}) {
            for (const bool raises : {false, true}) {
                for (int seed = 1; seed <= seeds; ++seed) {
                    const int best = sim::bestFrequencyIndex(khz);
                    const auto chosen =
                        sweep(khz, static_cast<std::uint64_t>(seed), quality, raises).chosen;
                    const int got = chosen ? static_cast<int>(chosen->frequencyIndex) : -1;
                    ++runs;
                    exact += got == best;
                    nearby += std::abs(got - best) <= 1;
                    if (got != best) {
                        std::printf("  %.0f kHz Q %.0f %s seed %d: index %d, best %d\n", khz,
                                    quality, raises ? "F up" : "F down", seed, got, best);
                    }
                }
            }
        }
    }
    std::printf("accuracy: %d runs, exact %d, exact or a neighbour %d\n", runs, exact, nearby);
    result("tuning_exact_index", 100.0 * exact / runs, "%");
    result("tuning_index_or_neighbour", 100.0 * nearby / runs, "%");
}

// A whole run at the simulator's real pace: its resonance and seed, and
// the buttons clicked (one a request cycle) before the sweep starts, so the
// run starts from other parameters than the probe's defaults.
struct PaceRun {
    const char* resonance;
    const char* seed;
    std::vector<Control> before;
};

// Seconds the run took with Apply, the estimate shown before it started, and the sweep's CPU.
struct Paced {
    double total = 0;
    double estimate = 0;
    double sweepCpu = 0;
};

// The assistant and its window on a live console, the simulator started.
struct WithAssistant {
    explicit WithAssistant(e2e::LiveConsole& live)
        : live(live),
          buttons(live.console),
          assistant(buttons, steady, wall),
          host(assistant, live.console, live.window) {
        live.console.setObserver(assistant);
        host.open();
        if (!live.startSimulator()) {
            std::fprintf(stderr, "bench_tuning: the simulator did not start\n");
            std::exit(1);
        }
    }
    ~WithAssistant() { live.console.setObserver(nullObserver()); }
    WithAssistant(const WithAssistant&) = delete;
    WithAssistant& operator=(const WithAssistant&) = delete;

    e2e::LiveConsole& live;
    SystemSteadyClock steady;
    SystemWallClock wall;
    tuning::ConsoleButtons buttons;
    tuning::Assistant assistant;
    TuningHost host;
};

Paced paceRun(const PaceRun& run, bool quick) {
    std::vector<std::string> sim = {
        "--baud", "9600",     "--resonance", run.resonance, "--seed", run.seed,      "--noise",
        "2",      "--spikes", "0.01",        "--level-min", "1200",   "--level-max", "1400"};
    if (quick) sim.insert(sim.end(), {"--fast", "--time-scale", "20"});
    e2e::LiveConsole live(sim);
    WithAssistant rig(live);
    tuning::Assistant& assistant = rig.assistant;
    TuningHost& host = rig.host;
    Paced out;
    double began = 0;
    double swept = 0;
    double ended = 0;
    std::optional<CpuWindow> cpu;
    bool applied = false;
    std::size_t clicked = 0;
    int cycleAtClick = 0;
    live.runLiveUntil(
        [&] {
            QPushButton& start = host.window()->button(QStringLiteral("StartSweep"));
            // The starting parameters, one click a request cycle.
            if (clicked < run.before.size() && live.serial.echoRequests > cycleAtClick + 1) {
                live.console.click(run.before[clicked++]);
                cycleAtClick = live.serial.echoRequests;
                return false;
            }
            // A few request cycles first, so the estimate has the cycle's pace.
            if (began == 0 && clicked == run.before.size() && start.isEnabled() &&
                assistant.cycleSeconds() > 0 && assistant.reportedSetting() &&
                live.serial.echoRequests >= cycleAtClick + 4) {
                const auto found = assistant.reportedSetting();
                out.estimate = tuning::estimateSeconds(*found, assistant.cycleSeconds());
                std::printf("start: %s, a request cycle %.3f s\n", tuning::describe(*found).c_str(),
                            assistant.cycleSeconds());
                began = wallSeconds();
                cpu.emplace();
                start.click();
            }
            // The window shows the choice at its next refresh: Apply once it is offered.
            QPushButton& apply = host.window()->button(QStringLiteral("ApplyBest"));
            if (began > 0 && swept == 0 && assistant.phase() == tuning::Phase::AwaitingChoice &&
                apply.isEnabled()) {
                swept = wallSeconds();
                out.sweepCpu = cpu->percent();
                apply.click();
                applied = true;
            }
            if (applied && assistant.phase() == tuning::Phase::Idle) ended = wallSeconds();
            return ended > 0;
        },
        quick ? 240000 : 400000);
    live.console.setObserver(nullObserver());
    if (ended == 0) {
        std::fprintf(stderr, "bench_tuning: the run did not end: %s\n", assistant.status().c_str());
        std::exit(1);
    }
    out.total = ended - began;
    std::printf(
        "pace: resonance %s seed %s: sweep %.1f s, with Apply %.1f s; estimate %.1f s "
        "(%+.0f %%); %zu steps; %s\n",
        run.resonance, run.seed, swept - began, out.total, out.estimate,
        100.0 * (out.estimate - out.total) / out.total, assistant.steps().size(),
        assistant.outcome().c_str());
    return out;
}

void pace(bool quick) {
    const Paced p = paceRun({"23.5", "1", {}}, quick);
    result("tuning_run_seconds", p.total, "s");
    result("tuning_estimate_seconds", p.estimate, "s");
    result("tuning_estimate_error", 100.0 * (p.estimate - p.total) / p.total, "%");
    result("tuning_sweep_cpu", p.sweepCpu, "% of a core");
}

void exitRestore(bool quick) {
    std::vector<std::string> sim = {"--baud",      "1200",    "--resonance", "23.5",     "--seed",
                                    "1",           "--noise", "2",           "--spikes", "0.01",
                                    "--level-min", "1200",    "--level-max", "1400"};
    if (quick) sim.insert(sim.end(), {"--time-scale", "20"});
    e2e::LiveConsole live(sim, 1200);
    WithAssistant rig(live);
    tuning::Assistant& assistant = rig.assistant;
    TuningHost& host = rig.host;
    bool clicked = false;
    std::optional<int> found;
    double exitAt = 0;
    int distance = 0;
    live.runLiveUntil(
        [&] {
            QPushButton& start = host.window()->button(QStringLiteral("StartSweep"));
            // A few request cycles first, so every value and the pace are known.
            if (!clicked && start.isEnabled() && assistant.cycleSeconds() > 0 &&
                live.serial.echoRequests >= 4) {
                start.click();
                clicked = true;
            }
            if (!found && assistant.phase() == tuning::Phase::Sweeping) {
                found = static_cast<int>(std::lround(assistant.reportedSetting()->frequencyIndex));
                std::printf("exit: found at index %d, a request cycle %.2f s\n", *found,
                            assistant.cycleSeconds());
            }
            const auto now = assistant.reportedSetting();
            const int index = now ? static_cast<int>(std::lround(now->frequencyIndex)) : 0;
            if (found && exitAt == 0 && now && std::abs(index - *found) >= 20) {
                distance = std::abs(index - *found);
                exitAt = wallSeconds();
                // As the technician clicks it: the window asks the assistant first.
                qobject_cast<QPushButton*>(live.window.widget(Control::Com_exit))->click();
                std::printf("exit: clicked at index %d after %d steps; Exit holds up to %.0f s\n",
                            index, assistant.stepsDone(),
                            assistant.exitSecondsLeft().value_or(0.0));
            }
            return false;  // the receive loop ends with the console
        },
        quick ? 300000 : 900000);
    live.console.setObserver(nullObserver());
    if (exitAt == 0 || !live.console.ending()) {
        std::fprintf(stderr, "bench_tuning: Exit was not reached: %s\n",
                     assistant.status().c_str());
        std::exit(1);
    }
    const double waited = wallSeconds() - exitAt;
    const bool restored = assistant.outcome().find("Restored as found") != std::string::npos;
    std::printf("exit: %d indexes back in %.1f s; %s\n", distance, waited,
                assistant.outcome().c_str());
    result("tuning_exit_restore_seconds_1200", waited, "s");
    result("tuning_exit_restored", restored ? 1.0 : 0.0, "");
}

// The estimate against runs it was not made from: other resonances, seeds
// and starting parameters (asked by name only).
void validate(bool quick) {
    const std::vector<PaceRun> runs = {
        {"21.5", "4", {}},
        {"27",
         "9",
         {Control::Com_zender_volt_plus, Control::Com_zender_volt_plus,
          Control::Com_burst_length_plus, Control::Com_burst_length_plus}},
        {"24.5",
         "13",
         {Control::Com_us_fq_plus, Control::Com_us_fq_plus, Control::Com_us_fq_plus,
          Control::Com_zender_volt_min, Control::Com_zender_volt_min, Control::Com_zender_volt_min,
          Control::Com_burst_length_min}},
    };
    double worst = 0;
    for (const PaceRun& run : runs) {
        const Paced p = paceRun(run, quick);
        const double error = 100.0 * (p.estimate - p.total) / p.total;
        if (std::abs(error) > std::abs(worst)) worst = error;
    }
    result("tuning_estimate_worst_error", worst, "%");
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
    if (asked("accuracy")) accuracy(options.countOr(5, 1), options.quick);
    if (asked("pace")) pace(options.quick);
    if (std::find(options.rest.begin(), options.rest.end(), "exit") != options.rest.end())
        exitRestore(options.quick);
    if (std::find(options.rest.begin(), options.rest.end(), "validate") != options.rest.end())
        validate(options.quick);
    if (std::find(options.rest.begin(), options.rest.end(), "bursts") != options.rest.end())
        bursts(options.countOr(4, 1), asked("steps"));
    return 0;
}
