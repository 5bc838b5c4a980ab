// SPDX-License-Identifier: GPL-3.0-or-later
// The assistant's one promise, over random sequences of everything that can
// happen to a run (the technician's choices, the window, Stop, a lost port,
// Exit), against probes that differ in every way the simulator offers: the
// probe itself ends as found, or as applied, or the window and the service
// record name exactly what is left changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>

#include "TuningRig.h"
#include "support/FileBytes.h"

namespace purlo::tuning::test {
namespace {

struct Knobs {
    int frequencyIndex = 0;
    int burstLength = 0;
    int voltageTenths = 0;
    int tuningMode = 0;
    bool operator==(const Knobs&) const = default;
};

Knobs knobsOf(const sim::ProbeParameters& p) {
    return {p.frequencyIndex, p.burstLength, p.voltageTenths, p.tuningMode};
}

double valueOf(const Knobs& k, Knob knob) {
    switch (knob) {
        case Knob::Frequency: return k.frequencyIndex;
        case Knob::BurstLength: return k.burstLength;
        case Knob::Voltage: return k.voltageTenths / 10.0;
        case Knob::TuningMode: break;
    }
    return k.tuningMode;
}

// Found in auto tuning, the voltage was the probe's own choice, moving
// while the snapshot was taken: it is left out.
std::vector<Knob> differing(const Knobs& a, const Knobs& b, bool autoTuning) {
    std::vector<Knob> out;
    for (const Knob k : {Knob::Frequency, Knob::BurstLength, Knob::Voltage, Knob::TuningMode}) {
        if (k == Knob::Voltage && autoTuning) continue;
        if (valueOf(a, k) != valueOf(b, k)) out.push_back(k);
    }
    return out;
}

// A probe unlike the simulator's default: its resonance, sharpness, echo
// and ringing, which way "F" goes, commands it misses, narrow limits, and
// how it was left (auto tuning or not, any frequency index).
sim::ProbeOptions someProbe(std::mt19937_64& rng, std::uint64_t seed) {
    auto pick = [&](double lo, double hi) { return std::uniform_real_distribution(lo, hi)(rng); };
    auto chance = [&](double p) { return pick(0, 1) < p; };
    sim::ProbeOptions o = probeAt(pick(18.0, 32.0), seed);
    o.quality = std::array{0.0, 3.0, 7.0, 15.0}[rng() % 4];
    o.echoGain = pick(0.5, 2.0);
    o.ringGain = pick(0.5, 2.0);
    o.fRaisesIndex = chance(0.5);
    o.ignoreProbability = chance(0.3) ? 0.05 : 0.0;
    o.alarm = chance(0.05);
    sim::ProbeParameters memory;
    if (chance(0.3)) {
        o.minFrequencyIndex = 3 + static_cast<int>(rng() % 20);
        o.maxFrequencyIndex = o.minFrequencyIndex + 4 + static_cast<int>(rng() % 20);
        o.maxBurstLength = 5;
        o.maxVoltageTenths = 120;
    }
    memory.frequencyIndex =
        std::uniform_int_distribution(o.minFrequencyIndex, o.maxFrequencyIndex)(rng);
    memory.burstLength = std::uniform_int_distribution(1, o.maxBurstLength)(rng);
    memory.voltageTenths = 10 + 5 * static_cast<int>(rng() % ((o.maxVoltageTenths - 10) / 5 + 1));
    memory.tuningMode = chance(0.3) ? 2 : 1;
    o.memory = memory;
    return o;
}

enum class Happens {
    Start,
    GoOn,
    Apply,
    Keep,
    RestoreNow,
    WindowClosed,
    WindowOpened,
    TechnicianCommand,
    Stop,
    PortLost,
    ExitAsked,
    ExitForced,
};

// One sequence: the rig, the events as they come, and the checks at every
// run's end and at the sequence's.
class Sequence {
  public:
    // The line: bytes at once, at 9600 or at 1200 bit/s.
    explicit Sequence(std::uint64_t seed)
        : rng_(seed),
          rig_(someProbe(rng_, seed), 0.005, std::array{0.0, 960.0, 120.0}[seed % 3]),
          seed_(seed) {
        eventsLeft_ = static_cast<int>(rng_() % 7);
        // Some technicians act often, some let a whole sweep run.
        meanGap_ = std::array{20.0, 60.0, 250.0}[rng_() % 3];
        stored_ = rig_.probe.model.storedParameters();
    }

    void run(std::map<std::string, int>& endings) {
        endings_ = &endings;
        for (int acquisition = 0; acquisition < 6 && !ended_; ++acquisition) {
            rig_.run([this] { return atYield(); });
            if (rig_.port.failOpen) rig_.port.comeBack();
            afterRunEnds();
            // With acquisition stopped: the window, Exit, the technician waiting.
            for (int n = static_cast<int>(rng_() % 3); n > 0 && !ended_; --n) {
                happen(std::array{Happens::WindowClosed, Happens::WindowOpened, Happens::Keep,
                                  Happens::RestoreNow, Happens::ExitAsked,
                                  Happens::ExitForced}[rng_() % 6]);
                afterRunEnds();
            }
        }
        if (!ended_) happen(Happens::ExitForced);
        afterRunEnds();
        EXPECT_EQ(rig_.assistant.phase(), Phase::Idle) << trace_;
        // Whatever happened after a run ended changed nothing of the probe.
        if (settled_) {
            const Knobs now = knobsOf(rig_.probe.model.parameters());
            EXPECT_TRUE(differing(now, *settled_, settled_->tuningMode == 2).empty()) << trace_;
        }
        // Never "W", "Z", "S", "B" or "b".
        for (const char c : std::string_view("WZSBb")) {
            EXPECT_EQ(rig_.port.sent.find(c), std::string::npos) << c << trace_;
        }
        EXPECT_EQ(rig_.probe.model.storedParameters(), stored_);
        EXPECT_EQ(rig_.probe.model.restarts(), 0);
    }

  private:
    bool atYield() {
        Assistant& a = rig_.assistant;
        if (a.phase() == Phase::Snapshot || (a.phase() == Phase::Idle && !a.snapshot()) ||
            (a.phase() == Phase::Paused && !a.snapshot())) {
            before_ = knobsOf(rig_.probe.model.parameters());
        }
        afterRunEnds();
        if (ended_) return true;
        // The host: Exit waits while the probe is stepped back, not longer.
        if (exitHeld_) {
            const auto left = a.exitSecondsLeft();
            if (!left) {
                ended_ = true;
                return true;
            }
            if (*left <= 0) happen(Happens::ExitForced);
            return ended_;
        }
        const double now = rig_.clock.seconds();
        // A patient technician lets the sweep run to its end.
        const bool sweeping = a.phase() == Phase::Snapshot || a.phase() == Phase::Sweeping;
        if (now < nextAt_ || (meanGap_ > 100 && sweeping)) return false;
        nextAt_ = now + std::exponential_distribution(1.0 / meanGap_)(rng_);
        if (eventsLeft_-- <= 0) {
            // The sequence ends: a last word that ends the run.
            if (a.phase() == Phase::Idle) {
                ended_ = true;
                return true;
            }
            happen(std::array{Happens::Keep, Happens::WindowClosed, Happens::ExitAsked,
                              Happens::ExitForced, Happens::Stop}[rng_() % 5]);
            if (stop_) {
                stop_ = false;
                return true;
            }
            return ended_;
        }
        if (a.phase() == Phase::Idle) {
            happen(rng_() % 4 != 0 ? Happens::Start : Happens::WindowClosed);
        } else if (a.offers(Choice::Apply) && rng_() % 3 != 0) {
            happen(Happens::Apply);
        } else if (a.offers(Choice::GoOn) && rng_() % 2 == 0) {
            happen(Happens::GoOn);
        } else {
            happen(static_cast<Happens>(rng_() % 12));
        }
        if (stop_) {
            stop_ = false;
            return true;
        }
        return ended_;
    }

    void happen(Happens h) {
        Assistant& a = rig_.assistant;
        trace_ += " " + std::to_string(static_cast<int>(h)) + "@" +
                  std::to_string(static_cast<int>(rig_.clock.seconds())) + "/" +
                  std::string(phaseName(a.phase()));
        switch (h) {
            case Happens::Start:
                if (a.offers(Choice::Start)) {
                    a.start(rig_.context(), rig_.dir.path());
                    before_ = knobsOf(rig_.probe.model.parameters());
                    ++starts_;
                    settled_.reset();
                }
                break;
            case Happens::GoOn: a.goOn(); break;
            case Happens::Apply: a.applyBest(); break;
            case Happens::Keep: a.keepAsItWas(); break;
            case Happens::RestoreNow: a.restoreNow(); break;
            case Happens::WindowClosed: a.windowClosed(); break;
            case Happens::WindowOpened: a.windowOpened(); break;
            case Happens::TechnicianCommand:
                if (a.acquiring() && a.phase() != Phase::Idle) {
                    rig_.console.click(std::array{Control::Com_burst_length_plus,
                                                  Control::Com_dead_time_plus,
                                                  Control::Com_us_fq_plus}[rng_() % 3]);
                }
                break;
            case Happens::Stop: stop_ = a.acquiring(); break;
            case Happens::PortLost:
                if (a.acquiring()) rig_.port.vanish();
                break;
            case Happens::ExitAsked:
                exitHeld_ = a.holdExit();
                ended_ = !exitHeld_;
                break;
            case Happens::ExitForced:
                a.abandon("the technician would not wait");
                ended_ = true;
                break;
        }
    }

    // At a run's end: the probe as found, as applied, or what is left
    // changed named in the window and the record; and no record written twice.
    void afterRunEnds() {
        Assistant& a = rig_.assistant;
        const bool idle = a.phase() == Phase::Idle;
        if (!idle || !wasRunning_) {
            wasRunning_ = !idle;
            return;
        }
        wasRunning_ = false;
        const Knobs now = knobsOf(rig_.probe.model.parameters());
        settled_ = now;
        for (const std::string& said : {a.outcome(), a.notes().empty() ? "" : a.notes().front()}) {
            for (const char* ending :
                 {"Applied", "Restored", "Left changed", "may be left changed", "cannot go past"}) {
                if (said.find(ending) != std::string::npos) ++(*endings_)[ending];
            }
        }
        checkRecords();
        if (!a.snapshot()) return;  // it ended before it changed anything
        const bool autoTuning = before_.tuningMode == 2;
        if (a.outcome().rfind("Applied", 0) == 0) {
            const Setting chosen = a.verification()->plan.target;
            Knobs applied{static_cast<int>(chosen.frequencyIndex),
                          static_cast<int>(chosen.burstLength),
                          static_cast<int>(std::lround(chosen.volts * 10)), before_.tuningMode};
            EXPECT_TRUE(differing(now, applied, autoTuning).empty())
                << "applied, yet the probe differs" << trace_ << "\n"
                << a.outcome();
            return;
        }
        const std::vector<Knob> left = differing(now, before_, autoTuning);
        const std::string& said = a.outcome();
        EXPECT_EQ(a.status(), said);
        const auto at = said.find("Left changed: ");
        const std::string named =
            at == std::string::npos ? "" : said.substr(at, said.find(". ", at) - at);

        for (const Knob k : {Knob::Frequency, Knob::BurstLength, Knob::Voltage, Knob::TuningMode}) {
            const bool changed = std::find(left.begin(), left.end(), k) != left.end();
            const std::string name = std::string(knobName(k)) + " ";
            const bool isNamed = named.find(name) != std::string::npos;
            // A knob whose report did not come may only be said to be changed.
            const bool unsure = said.find("The " + std::string(knobName(k)) +
                                          " may be left changed") != std::string::npos;
            if (unsure) continue;
            if (changed) {
                EXPECT_TRUE(isNamed &&
                            named.find(name + valueText(k, valueOf(now, k))) != std::string::npos)
                    << knobName(k) << " left changed but not named ("
                    << valueText(k, valueOf(now, k)) << "): " << said << trace_ << " seed "
                    << seed_;
            }
            if (!changed && !(k == Knob::Voltage && autoTuning)) {
                EXPECT_FALSE(isNamed) << knobName(k) << " named but as found: " << said << trace_;
            }
        }
        if (!named.empty()) {
            EXPECT_NE(testsupport::readFile(a.recordFile()).find(named.substr(0, 40)),
                      std::string::npos)
                << said;
        }
    }

    // One record per run, none ever written again.
    void checkRecords() {
        std::size_t files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(rig_.dir.path())) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("Purlo-tuning-", 0) != 0) continue;
            ++files;
            const std::string text = testsupport::readFile(entry.path());
            const auto [it, fresh] = records_.emplace(name, text);
            EXPECT_TRUE(fresh || it->second == text) << name << " rewritten" << trace_;
        }
        EXPECT_EQ(files, static_cast<std::size_t>(starts_)) << trace_;
    }

    std::mt19937_64 rng_;
    TuningRig rig_;
    std::uint64_t seed_;
    sim::ProbeParameters stored_;
    int eventsLeft_ = 0;
    double meanGap_ = 20.0;
    double nextAt_ = 1.0;
    bool stop_ = false;
    bool ended_ = false;
    bool exitHeld_ = false;
    bool wasRunning_ = false;
    int starts_ = 0;
    Knobs before_;
    std::optional<Knobs> settled_;
    std::map<std::string, std::string> records_;
    std::string trace_;
    std::map<std::string, int>* endings_ = nullptr;
};

TEST(TuningPromise, TheProbeEndsAsFoundAsAppliedOrWithWhatIsLeftChangedNamed) {
    std::map<std::string, int> endings;
    for (std::uint64_t seed = 1; seed <= 1000; ++seed) {
        Sequence(seed).run(endings);
        if (::testing::Test::HasFailure()) {
            ADD_FAILURE() << "seed " << seed;
            break;
        }
    }
    // The sequences reach every way a run ends.
    for (const char* ending :
         {"Applied", "Restored", "Left changed", "may be left changed", "cannot go past"}) {
        EXPECT_GE(endings[ending], 5) << ending;
    }
}

}  // namespace
}  // namespace purlo::tuning::test
