// SPDX-License-Identifier: GPL-3.0-or-later
// The run's course once the steps are measured: the next sweep planned from
// the last one's choice, Apply, the way back to the snapshot, and the end.
#include <algorithm>
#include <cmath>

#include "observe/FrequencyTable.h"
#include "tuning/Assistant.h"
#include "tuning/ServiceRecord.h"

namespace purlo::tuning {

namespace {

constexpr int kFrequencyWindow = 2;

// How strongly the transducer answers: its ringing counts twice, since it
// holds the transducer's own resonance alone, while the echo also carries
// the air's loss, which grows with frequency and pulls the echo's peak lower.
double response(const Figures& f) {
    return f.echoMedian + 2.0 * f.burstMedian;
}

}  // namespace

void Assistant::appendSteps(const std::vector<PlannedStep>& steps) {
    for (const PlannedStep& p : steps) steps_.push_back({p, {}, {}, {}, false});
}

// After the last planned step: the next sweep, from the choice of the one that ended.
void Assistant::planNext() {
    if (next_ + 1 < steps_.size()) {
        beginStep(next_ + 1);
        return;
    }
    const Pass pass = steps_[next_].plan.pass;
    const std::size_t before = steps_.size();
    if (pass == Pass::Coarse) {
        std::optional<std::size_t> top;
        std::vector<int> measured;
        for (std::size_t i = 0; i < steps_.size(); ++i) {
            const StepResult& s = steps_[i];
            if (s.plan.pass != Pass::Coarse) continue;
            measured.push_back(static_cast<int>(s.actual.frequencyIndex));
            if (s.figures.eligible() &&
                (!top || response(s.figures) > response(steps_[*top].figures))) {
                top = i;
            }
        }
        if (top) {
            Setting at = *chosen_;
            at.frequencyIndex = steps_[*top].actual.frequencyIndex;
            appendSteps(fineSteps(at, measured));
        }
        if (steps_.size() == before) {
            chooseFrequency();
            appendSteps(burstSteps(*chosen_));
        }
    } else if (pass == Pass::Fine) {
        chooseFrequency();
        appendSteps(burstSteps(*chosen_));
    } else if (pass == Pass::Burst) {
        chooseBy(Pass::Burst, Knob::BurstLength);
        appendSteps(voltageSteps(*chosen_));
    } else {
        chooseBy(Pass::Voltage, Knob::Voltage);
        planned_ = static_cast<int>(steps_.size());
        phase_ = Phase::Done;
        const double seconds = steady_.seconds() - startedAt_;
        status_ = "Swept " + std::to_string(steps_.size()) + " steps in " +
                  std::to_string(std::lround(seconds)) + " s. Best: " + describe(*chosen_) +
                  ". Apply the best, or keep the probe as it was.";
        touch();
        return;
    }
    // What is left: this sweep's new steps and the sweeps after it.
    const int later = pass == Pass::Burst ? 0 : static_cast<int>(voltageSteps(found_).size());
    const int burst = pass == Pass::Coarse || pass == Pass::Fine
                          ? static_cast<int>(burstSteps(found_).size())
                          : 0;
    const bool burstAppended = steps_.back().plan.pass == Pass::Burst;
    planned_ = static_cast<int>(steps_.size()) + later + (burstAppended ? 0 : burst);
    beginStep(next_ + 1);
}

// The frequency where the transducer answers most: the peak of a parabola
// through the response (kHz against echo + twice burst bounce) of the
// eligible steps within two indexes of the best one, rounded to the nearest
// index measured. Two pulse counts together resolve more finely than either.
void Assistant::chooseFrequency() {
    std::optional<std::size_t> top;
    for (std::size_t i = 0; i < steps_.size(); ++i) {
        const StepResult& s = steps_[i];
        if ((s.plan.pass != Pass::Coarse && s.plan.pass != Pass::Fine) || !s.figures.eligible()) {
            continue;
        }
        if (!top || response(s.figures) > response(steps_[*top].figures)) top = i;
    }
    if (!top) return;  // nothing found an echo: the frequency stays as found
    const int centre = static_cast<int>(steps_[*top].actual.frequencyIndex);
    std::vector<double> khz;
    std::vector<double> answer;
    std::vector<std::size_t> near;
    for (std::size_t i = 0; i < steps_.size(); ++i) {
        const StepResult& s = steps_[i];
        const int index = static_cast<int>(s.actual.frequencyIndex);
        if ((s.plan.pass != Pass::Coarse && s.plan.pass != Pass::Fine) || !s.figures.eligible() ||
            std::abs(index - centre) > kFrequencyWindow) {
            continue;
        }
        khz.push_back(*transducerKhz(index));
        answer.push_back(response(s.figures));
        near.push_back(i);
    }
    std::size_t pick = *top;
    if (const auto peak = parabolaPeak(khz, answer)) {
        for (std::size_t j = 0; j < near.size(); ++j) {
            if (std::abs(khz[j] - *peak) <
                std::abs(*transducerKhz(static_cast<int>(steps_[pick].actual.frequencyIndex)) -
                         *peak)) {
                pick = near[j];
            }
        }
    }
    chosen_->frequencyIndex = steps_[pick].actual.frequencyIndex;
    best_ = pick;
}

void Assistant::chooseBy(Pass pass, Knob knob) {
    std::vector<Figures> figures;
    std::vector<std::size_t> index;
    for (std::size_t i = 0; i < steps_.size(); ++i) {
        if (steps_[i].plan.pass != pass) continue;
        figures.push_back(steps_[i].figures);
        index.push_back(i);
    }
    const auto best = bestStep(figures);
    if (!best) return;  // no step qualified: this parameter stays as found
    best_ = index[*best];
    (*chosen_)[knob] = steps_[*best_].actual[knob];
}

// Apply, keep, go on ------------------------------------------------------------

void Assistant::applyBest() {
    if (phase_ != Phase::Done || !chosen_) return;
    verify_ = StepResult{{Pass::Verify, Knob::Frequency, *chosen_}, {}, {}, {}, false};
    verified_ = false;
    resetMove();
    phase_ = Phase::Applying;
    status_ = "Applying " + describe(*chosen_) + ", then 10 fresh readings.";
    touch();
}

void Assistant::applyTick(double now) {
    if (!verified_) {
        if (!measure(*verify_, kVerifyReadings, now)) return;
        verify_->figures = figuresOf(verify_->readings, deadZoneMm());
        verify_->done = true;
        verified_ = true;
        resetMove();
        touch();
    }
    // The tuning mode goes back as it was found.
    Setting target = verify_->plan.target;
    target.tuningMode = found_.tuningMode;
    if (!moveToward(target, now)) return;
    applied_ = true;
    const Figures& after = verify_->figures;
    const Figures& chosen = best_ ? steps_[*best_].figures : after;
    const bool holds =
        after.eligible() && after.echoMedian >= chosen.echoMedian - std::max(1.0, chosen.echoRange);
    finishRun("Applied " + describe(verify_->actual) +
              (holds ? "; the figures hold" : "; the figures did NOT hold") + " (echo bounce " +
              std::to_string(std::lround(after.echoMedian)) + ", burst bounce " +
              std::to_string(std::lround(after.burstMedian)) +
              "). Not written into the probe: use \"Write into the probe\" to keep it.");
}

void Assistant::goOn() {
    if (phase_ != Phase::Paused) return;
    phase_ = pausedFrom_;
    // The technician's command may not be answered yet, and a query sent
    // before it may still bring the old value: moves start from the second
    // report of every knob from now on (the request cycle asks for each).
    std::array<std::uint64_t, kKnobCount> after{};
    for (const Knob k : {Knob::Frequency, Knob::BurstLength, Knob::Voltage, Knob::TuningMode})
        after[static_cast<std::size_t>(k)] =
            reportCount_[static_cast<std::size_t>(knobValue(k))] + 1;
    freshAfter_ = after;
    resumedAt_ = steady_.seconds();
    if (phase_ == Phase::Sweeping) beginStep(next_);
    if (phase_ == Phase::Applying) {
        verified_ = false;
        verify_->readings = {};
        resetMove();
    }
    touch();
}

void Assistant::keepAsItWas() {
    if (!snapshot_) {
        if (phase_ == Phase::Snapshot || phase_ == Phase::Paused)
            finishRun("Stopped before any change.");
        return;
    }
    if (phase_ == Phase::LinkGone || phase_ == Phase::Restoring) return;
    startRestore("Stepping every changed parameter back to the snapshot.");
}

void Assistant::restoreNow() {
    if (phase_ == Phase::LinkGone && live_) startRestore("Stepping back to the snapshot.");
}

bool Assistant::holdExit() {
    if (phase_ == Phase::Idle) return false;
    if (!live_ || !snapshot_ || changedKnobs().empty()) {
        abandon("the console was ended");
        return false;
    }
    if (phase_ != Phase::Restoring) {
        startRestore(
            "Exit: stepping every changed parameter back to the snapshot; the console "
            "ends once the probe reports it (Exit again ends it at once).");
    }
    return true;
}

void Assistant::abandon(const std::string& why) {
    if (phase_ == Phase::Idle) return;
    const bool changed = snapshot_ && !changedKnobs().empty();
    finishRun(
        "Stopped: " + why +
        (changed ? "; left changed: " + changedNames() + "." : "; nothing was left changed."));
}

void Assistant::startRestore(std::string why) {
    resetMove();
    for (const Knob k : {Knob::Frequency, Knob::BurstLength, Knob::Voltage, Knob::TuningMode}) {
        restoreCountAt_[static_cast<std::size_t>(k)] =
            reportCount_[static_cast<std::size_t>(knobValue(k))];
    }
    phase_ = Phase::Restoring;
    status_ = std::move(why);
    touch();
}

// Steps back, then waits until the probe has reported every knob anew at its snapshot value.
void Assistant::restoreTick(double now) {
    if (!moveToward(found_, now)) return;
    const auto current = reportedSetting();
    for (const Knob k : {Knob::Frequency, Knob::BurstLength, Knob::Voltage, Knob::TuningMode}) {
        const auto i = static_cast<std::size_t>(k);
        if (reportCount_[static_cast<std::size_t>(knobValue(k))] <= restoreCountAt_[i]) return;
        if (!current || std::abs((*current)[k] - found_[k]) > 1e-3) {
            // A report since differs (the technician, or a step the probe took itself): again.
            resetMove();
            restoreCountAt_[i] = reportCount_[static_cast<std::size_t>(knobValue(k))];
            return;
        }
    }
    applied_ = false;
    finishRun("Restored as found: " + describe(found_) + ", " +
              (found_.tuningMode == 2 ? "auto" : "manual") +
              " tuning; verified from the probe's reports.");
}

void Assistant::fail(const std::string& why) {
    freshAfter_.reset();
    if (snapshot_ && phase_ != Phase::Restoring && !changedKnobs().empty()) {
        startRestore("Stopped: " + why + ". Stepping back to the snapshot.");
        return;
    }
    finishRun("Stopped: " + why + "." +
              (changedKnobs().empty() ? "" : " Some parameters are left changed."));
}

void Assistant::finishRun(std::string outcome) {
    resetMove();
    freshAfter_.reset();
    phase_ = Phase::Idle;
    outcome_ = std::move(outcome);
    status_ = outcome_;
    if (snapshot_) writeRecord();
    touch();
}

void Assistant::writeRecord() {
    if (!startTime_) return;
    recordFile_ = folder_ / serviceRecordName(*startTime_);
    recordProblem_ = writeServiceRecord(recordFile_, *this, wall_.now());
    if (!recordProblem_.empty()) recordFile_.clear();
}

// What the window shows ------------------------------------------------------------

bool Assistant::revision(std::uint64_t& seen) const {
    if (seen == revision_) return false;
    seen = revision_;
    return true;
}

std::vector<Knob> Assistant::changedKnobs() const {
    std::vector<Knob> out;
    const auto now = reportedSetting();
    if (!snapshot_ || !now) return out;
    for (const Knob k : {Knob::Frequency, Knob::BurstLength, Knob::Voltage, Knob::TuningMode}) {
        if (std::abs((*now)[k] - found_[k]) > 1e-3) out.push_back(k);
    }
    return out;
}

std::string Assistant::changedNames() const {
    std::string names;
    for (const Knob k : changedKnobs())
        names += (names.empty() ? "" : ", ") + std::string(knobName(k));
    return names;
}

std::optional<std::size_t> Assistant::currentStep() const {
    if (phase_ != Phase::Sweeping && phase_ != Phase::Paused) return std::nullopt;
    if (next_ >= steps_.size()) return std::nullopt;
    return next_;
}

int Assistant::stepsDone() const {
    return static_cast<int>(
        std::count_if(steps_.begin(), steps_.end(), [](const StepResult& s) { return s.done; }));
}

double Assistant::cycleSeconds() const {
    if (cycleSeconds_ > 0.0) return cycleSeconds_;
    return cycleSecondsAt(context_.baudRate, context_.echoRecords, context_.recordBytes);
}

double Assistant::secondsLeft() const {
    const int done = stepsDone();
    const int left = std::max(0, planned_ - done);
    // The steps' own pace once a few are measured, the plan's until then.
    if (done >= 3) return left * (steady_.seconds() - startedAt_) / done;
    return left * estimateSeconds(found_, cycleSeconds()) / std::max(1, planned_);
}

std::string Assistant::deadTimeSuggestion() const {
    const StepResult* at = verify_ && verify_->done ? &*verify_ : nullptr;
    if (!at && best_) at = &steps_[*best_];
    if (!at || !at->figures.shape || !at->figures.shape->echoStart ||
        at->figures.distanceMedianMm <= 0.0) {
        return "Dead time: no suggestion (no echo records with an echo at the chosen settings).";
    }
    const EchoShape& shape = *at->figures.shape;
    // Sample 0 is the burst's start, so samples scale with distance as the echo's does.
    const double mmPerSample = at->figures.distanceMedianMm / *shape.echoStart;
    const double ringCm = shape.ringEnd * mmPerSample / 10.0;
    const int suggested = static_cast<int>(std::ceil(ringCm * 1.2 + 5.0));
    return "Dead time: about " + std::to_string(suggested) +
           " cm would do (the ringing ends at about " + std::to_string(std::lround(ringCm)) +
           " cm at the chosen settings; 20 % and 5 cm more for margin); the probe has " +
           std::to_string(std::lround(deadZoneMm() / 10.0)) +
           " cm. Not set: change it with the dead time buttons if you agree.";
}

}  // namespace purlo::tuning
