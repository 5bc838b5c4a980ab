// SPDX-License-Identifier: GPL-3.0-or-later
// Whole runs of the assistant against the simulated probe behind the console.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "TuningRig.h"
#include "sim/EchoPhysics.h"
#include "support/FileBytes.h"

namespace purlo::tuning::test {
namespace {

// Starts the assistant once acquisition runs and the probe has reported.
bool startWhenReady(TuningRig& r, bool& started) {
    if (!started && r.assistant.whyNotReady().empty() && r.console.s.frequency_index != 0) {
        r.assistant.start(r.context(), r.dir.path());
        started = true;
    }
    return started;
}

// The simulated probe stands at the setting's frequency, burst length and voltage.
bool holds(const sim::ProbeParameters& p, const Setting& s) {
    return p.frequencyIndex == s.frequencyIndex && p.burstLength == s.burstLength &&
           p.voltageTenths == std::lround(s.volts * 10);
}

TEST(TuningRun, FindsTheResonanceAppliesTheBestAndWritesTheRecord) {
    for (const double khz : {22.0, 27.5}) {
        TuningRig r(probeAt(khz, 3));
        EXPECT_FALSE(r.assistant.whyNotReady().empty());  // no acquisition yet
        bool started = false;
        bool applied = false;
        r.run([&] {
            if (!startWhenReady(r, started)) return false;
            if (r.assistant.phase() == Phase::AwaitingChoice && !applied) {
                applied = true;
                r.assistant.applyBest();
            }
            return applied && r.assistant.phase() == Phase::Idle;
        });
        ASSERT_TRUE(applied) << r.assistant.status();
        const auto chosen = r.assistant.chosen();
        ASSERT_TRUE(chosen);
        EXPECT_LE(std::abs(chosen->frequencyIndex - sim::bestFrequencyIndex(khz)), 1) << khz;
        // The probe holds what was applied, in the tuning mode it was found in.
        const sim::ProbeParameters& p = r.probe.model.parameters();
        EXPECT_EQ(p.frequencyIndex, chosen->frequencyIndex);
        EXPECT_EQ(p.burstLength, chosen->burstLength);
        EXPECT_EQ(p.voltageTenths, std::lround(chosen->volts * 10));
        EXPECT_EQ(p.tuningMode, 1);
        EXPECT_EQ(r.probe.model.storedParameters(), sim::ProbeParameters{});  // never "W"
        EXPECT_NE(r.assistant.outcome().find("the figures hold"), std::string::npos)
            << r.assistant.outcome();
        // Every step collected what the plan asks for.
        for (const StepResult& s : r.assistant.steps()) {
            EXPECT_GE(s.figures.readings, kReadingsPerStep);
            EXPECT_GE(s.readings.records, kReadingsPerStep);
        }
        const std::string csv = testsupport::readFile(r.assistant.recordFile());
        EXPECT_EQ(r.assistant.recordFile().filename(), "Purlo-tuning-20261130-015320.csv");
        EXPECT_NE(csv.find("snapshot,2026-11-30T01:53:20+01:00"), std::string::npos);
        EXPECT_NE(csv.find("end,"), std::string::npos);
        EXPECT_NE(csv.find("verify,"), std::string::npos);
    }
}

// Whenever the run is cancelled, the probe ends as it was found: every
// parameter of the simulated probe equals its state before the first command.
TEST(TuningRun, KeepAsItWasAtAnyMomentLeavesTheProbeAsFound) {
    std::mt19937 random(11);
    for (int trial = 0; trial < 50; ++trial) {
        const bool autoTuning = trial % 3 == 0;
        // In auto tuning the probe steps its own voltage until the echo suits
        // it: there, a transducer the default setting suits keeps it still.
        const double resonance = autoTuning ? 25.0 : 21.0 + trial % 9;
        TuningRig r(probeAt(resonance, static_cast<std::uint64_t>(trial)));
        std::optional<sim::ProbeParameters> before;
        bool started = false;
        bool cancelled = false;
        const int cancelAtStep = std::uniform_int_distribution<int>(0, 30)(random);
        bool switched = !autoTuning;
        r.run([&] {
            if (!switched) {
                if (r.console.s.tuning_mode == 1) {
                    r.console.click(Control::Com_auto_manuel);
                    switched = true;
                }
                return false;
            }
            if (!started && autoTuning && r.console.s.tuning_mode != 2) return false;
            // The probe as it stood before the tick that took the snapshot
            // (and may have sent the first command right after it).
            if (!r.assistant.snapshot()) before = r.probe.model.parameters();
            if (!startWhenReady(r, started)) return false;
            const bool reached = r.assistant.stepsDone() >= cancelAtStep ||
                                 r.assistant.phase() == Phase::AwaitingChoice;
            if (!cancelled && reached) {
                cancelled = true;
                r.assistant.keepAsItWas();
            }
            return cancelled && r.assistant.phase() == Phase::Idle;
        });
        ASSERT_TRUE(cancelled) << trial;
        ASSERT_TRUE(before) << trial;
        EXPECT_EQ(r.probe.model.parameters(), *before)
            << "trial " << trial << ": " << r.assistant.outcome();
        EXPECT_TRUE(r.assistant.changedKnobs().empty());
    }
}

TEST(TuningRun, ACommandOfTheTechnicianPausesTheSweepAndGoingOnMeasuresTheStepAgain) {
    TuningRig r(probeAt(25.0, 5));
    bool started = false;
    bool clicked = false;
    bool paused = false;
    std::size_t stepWhenPaused = 0;
    r.run([&] {
        if (!startWhenReady(r, started)) return false;
        if (!clicked && r.assistant.stepsDone() >= 2) {
            clicked = true;
            r.console.click(Control::Com_dead_time_plus);  // the technician's "D"
        }
        if (clicked && !paused && r.assistant.phase() == Phase::Paused) {
            paused = true;
            stepWhenPaused = *r.assistant.currentStep();
            EXPECT_EQ(r.assistant.steps()[stepWhenPaused].readings.echoBounce.size(), 0u)
                << "a step that was paused keeps no readings";
            r.assistant.goOn();
        }
        return paused && r.assistant.stepsDone() > static_cast<int>(stepWhenPaused);
    });
    ASSERT_TRUE(paused);
    EXPECT_TRUE(r.assistant.steps()[stepWhenPaused].done);
}

// The technician steps the probe while Apply moves it, or while it takes
// its ten readings: Apply pauses, and "Go on" (at once, or a while later)
// steps on to the chosen values and verifies them there.
TEST(TuningRun, ACommandDuringApplyPausesItAndGoingOnStillEndsAtTheChoice) {
    for (const bool whileReading : {false, true}) {
        for (const double wait : {0.0, 3.0}) {
            TuningRig r(probeAt(26.0, 7));
            bool started = false;
            bool applied = false;
            bool clicked = false;
            bool wentOn = false;
            double pausedAt = 0;
            r.run([&] {
                if (!startWhenReady(r, started)) return false;
                if (r.assistant.phase() == Phase::AwaitingChoice && !applied) {
                    applied = true;
                    r.assistant.applyBest();
                }
                const bool moment =
                    r.assistant.phase() == Phase::Applying &&
                    (whileReading
                         ? r.assistant.verification()->readings.echoBounce.size() >= 3
                         : !holds(r.probe.model.parameters(), r.assistant.steps().back().actual));
                if (applied && !clicked && moment) {
                    clicked = true;
                    r.console.click(Control::Com_burst_length_plus);  // the technician's "R"
                    pausedAt = r.clock.seconds();
                }
                if (clicked && !wentOn && r.assistant.phase() == Phase::Paused &&
                    r.clock.seconds() - pausedAt >= wait) {
                    wentOn = true;
                    r.assistant.goOn();
                }
                return wentOn && r.assistant.phase() == Phase::Idle;
            });
            ASSERT_TRUE(wentOn) << r.assistant.status();
            const auto chosen = *r.assistant.chosen();
            EXPECT_TRUE(holds(r.probe.model.parameters(), chosen)) << describe(chosen);
            ASSERT_TRUE(r.assistant.verification());
            EXPECT_EQ(r.assistant.verification()->actual, chosen);
            EXPECT_GE(r.assistant.verification()->figures.readings, kVerifyReadings);
            EXPECT_NE(r.assistant.outcome().find("the figures hold"), std::string::npos)
                << whileReading << " " << wait << ": " << r.assistant.outcome();
        }
    }
}

// Over simulated probes, the burst chosen is the shortest whose score is
// within the noise of the best, and no longer than the shortest burst that
// already gives a reliable echo: beyond that a longer burst only rings more.
TEST(TuningRun, TheChosenBurstIsTheShortestWithinTheNoiseOfTheBest) {
    for (const double khz : {21.0, 24.0, 27.0, 29.0}) {
        for (const std::uint64_t seed : {2u, 8u}) {
            TuningRig r(probeAt(khz, seed));
            bool started = false;
            bool swept = false;
            r.run([&] {
                if (!startWhenReady(r, started)) return false;
                swept = r.assistant.phase() == Phase::AwaitingChoice;
                return swept;
            });
            ASSERT_TRUE(swept) << r.assistant.status();
            std::vector<const StepResult*> bursts;
            const StepResult* top = nullptr;
            for (const StepResult& s : r.assistant.steps()) {
                if (s.plan.pass != Pass::Burst || !s.figures.eligible()) continue;
                bursts.push_back(&s);
                if (!top || s.figures.score > top->figures.score) top = &s;
            }
            ASSERT_NE(top, nullptr);
            const double noise = std::max(1.0, top->figures.echoRange / 2.0);
            const auto within = std::find_if(bursts.begin(), bursts.end(), [&](auto* s) {
                return top->figures.score - s->figures.score <= noise;
            });
            const auto reliable = std::find_if(bursts.begin(), bursts.end(), [](auto* s) {
                return s->figures.echoMedian >= std::max(kEnoughEcho, 4 * s->figures.echoRange);
            });
            const double chosen = r.assistant.chosen()->burstLength;
            EXPECT_EQ(chosen, (*within)->actual.burstLength) << khz << " kHz, seed " << seed;
            if (reliable != bursts.end()) {
                EXPECT_LE(chosen, (*reliable)->actual.burstLength);
            }
        }
    }
}

// At 1200 bit/s the replies lag behind the request cycle, and the console
// clears what it has not read when it asks for an echo record: the cycle's
// last replies never come. A run still takes its snapshot, measures every
// step and applies the best; kept as it was mid-sweep, the probe is as found.
TEST(TuningRun, AtTheLinesPaceOf1200BitsTheRunStillEndsAsChosen) {
    for (const bool apply : {true, false}) {
        TuningRig r(probeAt(23.0, 5), 0.005, 120.0);
        const sim::ProbeParameters before = r.probe.model.parameters();
        bool started = false;
        bool chose = false;
        r.run([&] {
            if (!startWhenReady(r, started)) return false;
            if (!chose && apply && r.assistant.phase() == Phase::AwaitingChoice) {
                chose = true;
                r.assistant.applyBest();
            }
            if (!chose && !apply && r.assistant.stepsDone() >= 4) {
                chose = true;
                r.assistant.keepAsItWas();
            }
            return chose && r.assistant.phase() == Phase::Idle;
        });
        ASSERT_TRUE(chose) << r.assistant.status();
        if (apply) {
            ASSERT_TRUE(r.assistant.chosen());
            EXPECT_TRUE(holds(r.probe.model.parameters(), *r.assistant.chosen()))
                << r.assistant.outcome();
        } else {
            EXPECT_EQ(r.probe.model.parameters(), before) << r.assistant.outcome();
            EXPECT_NE(r.assistant.outcome().find("Restored as found"), std::string::npos)
                << r.assistant.outcome();
        }
    }
}

// What cannot be done is said, and not offered: no step keeps the echo (the
// surface in the dead zone), or the port was opened by a manual command with
// nobody reading it.
TEST(TuningRun, NoSettingQualifiedAndNoAcquisitionAreSaidAndNotOffered) {
    sim::ProbeOptions flooded = probeAt(23.0, 2);
    flooded.alarm = true;
    TuningRig r(flooded);
    bool started = false;
    std::string said;
    bool applyOffered = true;
    r.run([&] {
        if (!startWhenReady(r, started) || r.assistant.phase() != Phase::AwaitingChoice) {
            return false;
        }
        said = r.assistant.status();
        applyOffered = r.assistant.offers(Choice::Apply);
        return true;
    });
    EXPECT_NE(said.find("No setting qualified"), std::string::npos) << r.assistant.status();
    EXPECT_FALSE(applyOffered);

    TuningRig manual(probeAt(23.0, 2));
    manual.ui.setText(Control::Text_command_to_send, "?");
    manual.console.click(Control::Com_command_to_send);
    ASSERT_TRUE(manual.console.s.port_open);
    EXPECT_FALSE(manual.assistant.offers(Choice::Start));
    EXPECT_NE(manual.assistant.whyNotReady().find("live acquisition"), std::string::npos);
}

// Stop mid-run: the assistant says what is left changed, and steps it back
// when acquisition runs again.
TEST(TuningRun, StopLeavesTheChangesNamedAndTheNextStartRestoresThem) {
    TuningRig r(probeAt(23.0, 9));
    const sim::ProbeParameters before;
    bool started = false;
    r.run([&] {
        if (!startWhenReady(r, started)) return false;
        return r.assistant.stepsDone() >= 3;
    });
    ASSERT_EQ(r.assistant.phase(), Phase::LinkGone);
    EXPECT_NE(r.assistant.status().find("frequency"), std::string::npos) << r.assistant.status();
    EXPECT_NE(r.probe.model.parameters(), before);
    r.run([&] { return r.assistant.phase() == Phase::Idle; });
    EXPECT_EQ(r.probe.model.parameters(), before) << r.assistant.outcome();
}

// Exit with the port gone: nothing can be stepped back, so the console may
// end at once, and the record names what is left changed.
TEST(TuningRun, ExitAfterTheLinkIsGoneEndsTheRunNamingWhatIsLeftChanged) {
    TuningRig r(probeAt(23.0, 9));
    bool started = false;
    r.run([&] { return startWhenReady(r, started) && r.assistant.stepsDone() >= 3; });
    ASSERT_EQ(r.assistant.phase(), Phase::LinkGone);
    EXPECT_FALSE(r.assistant.holdExit());
    EXPECT_EQ(r.assistant.phase(), Phase::Idle);
    EXPECT_NE(testsupport::readFile(r.assistant.recordFile()).find("Left changed: frequency"),
              std::string::npos)
        << r.assistant.outcome();
}

}  // namespace
}  // namespace purlo::tuning::test
