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
constexpr Knob kKnobOrder[] = {Knob::Frequency, Knob::BurstLength, Knob::Voltage, Knob::TuningMode};

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
            if (s.plan.pass != Pass::Coarse || !s.done) continue;
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
        handle(Event::Swept);
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
        if ((s.plan.pass != Pass::Coarse && s.plan.pass != Pass::Fine) || !s.done ||
            !s.figures.eligible()) {
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
        if ((s.plan.pass != Pass::Coarse && s.plan.pass != Pass::Fine) || !s.done ||
            !s.figures.eligible() || std::abs(index - centre) > kFrequencyWindow) {
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
        if (steps_[i].plan.pass != pass || !steps_[i].done) continue;
        figures.push_back(steps_[i].figures);
        index.push_back(i);
    }
    const auto best = bestStep(figures);
    if (!best) return;  // no step qualified: this parameter stays as found
    best_ = index[*best];
    (*chosen_)[knob] = steps_[*best_].actual[knob];
}

std::string Assistant::sweptStatus() const {
    const double seconds = steady_.seconds() - startedAt_;
    std::string text = "Swept " + std::to_string(stepsDone()) + " steps in " +
                       std::to_string(std::lround(seconds)) + " s. ";
    if (best_) {
        text += "Best: " + describe(*chosen_) + ". Apply the best, or keep the probe as it was.";
    } else {
        text +=
            "No setting qualified: no step kept the echo (detection 80 % or more) without "
            "ringing past the dead time. Keep the probe as it was.";
    }
    for (const std::string& note : notes_) text += " " + note;
    return text;
}

// Sweeping ---------------------------------------------------------------------

void Assistant::beginStep(std::size_t index) {
    next_ = index;
    stage_ = Stage::Moving;
    stepper_.retarget();
    steps_[index].readings = {};
    steps_[index].done = false;
    const PlannedStep& p = steps_[index].plan;
    status_ = "Step " + std::to_string(index + 1) + " of about " + std::to_string(planned_) + ": " +
              std::string(passName(p.pass)) + ".";
    touch();
}

void Assistant::sweepTick(double now) {
    StepResult& step = steps_[next_];
    const Stage before = stage_;
    const bool measured = measure(step, kReadingsPerStep, now);
    if (phase_ != Phase::Sweeping) return;
    if (before == Stage::Moving && stage_ == Stage::Discarding) {
        // The knob stopped short of the step: a limit of the probe or its
        // button. Where that value is measured already, the step is not
        // measured again.
        const Knob k = step.plan.knob;
        const bool short_ = std::abs(step.actual[k] - step.plan.target[k]) > 1e-3;
        const bool again = std::any_of(steps_.begin(), steps_.end(), [&](const StepResult& s) {
            return s.done && s.actual == step.actual;
        });
        if (short_ && again) {
            step.skipped = true;
            stage_ = Stage::Moving;
            const std::string note = "The " + std::string(knobName(k)) + " cannot go past " +
                                     valueText(k, step.actual[k]) + " (" +
                                     std::string(passName(step.plan.pass)) +
                                     "): the steps beyond it are skipped.";
            if (std::find(notes_.begin(), notes_.end(), note) == notes_.end()) {
                notes_.push_back(note);
            }
            touch();
            planNext();
            return;
        }
    }
    if (!measured) return;
    step.figures = figuresOf(step.readings, deadZoneMm());
    step.done = true;
    stage_ = Stage::Moving;
    touch();
    planNext();
}

// Apply, the way back -------------------------------------------------------------

void Assistant::applyTick(double now) {
    if (!verified_) {
        if (!measure(*verify_, kVerifyReadings, now)) return;
        verify_->figures = figuresOf(verify_->readings, deadZoneMm());
        verify_->done = true;
        verified_ = true;
        stepper_.retarget();
        touch();
    }
    // The tuning mode goes back as it was found.
    Setting target = verify_->plan.target;
    target.tuningMode = found_.tuningMode;
    if (moveToward(target, now) != Stepper::Move::Settled) return;
    // Applied only when the probe's reports show every chosen value.
    const auto current = reportedSetting();
    std::string missed;
    for (const Knob k : {Knob::Frequency, Knob::BurstLength, Knob::Voltage, Knob::TuningMode}) {
        if (k == Knob::Voltage && target.tuningMode == 2) continue;  // the probe's own in auto
        if (current && std::abs((*current)[k] - target[k]) < 1e-3) continue;
        missed += (missed.empty() ? "" : ", ") + std::string(knobName(k));
    }
    if (!missed.empty() || !current) {
        fail("the probe's reports do not show the chosen " + missed);
        return;
    }
    applied_ = true;
    const Figures& after = verify_->figures;
    const Figures& chosen = best_ ? steps_[*best_].figures : after;
    const bool holds =
        after.eligible() && after.echoMedian >= chosen.echoMedian - std::max(1.0, chosen.echoRange);
    why_ = "Applied " + describe(verify_->actual) +
           (holds ? "; the figures hold" : "; the figures did NOT hold") + " (echo bounce " +
           std::to_string(std::lround(after.echoMedian)) + ", burst bounce " +
           std::to_string(std::lround(after.burstMedian)) +
           "). Not written into the probe: use \"Write into the probe\" to keep it.";
    handle(Event::Applied);
}

// One move toward `target`; a report the move waits for is asked for, and
// one that does not come in time stops the run.
Stepper::Move Assistant::moveToward(const Setting& target, double now) {
    const auto move = stepper_.toward(target, now, reportDeadline());
    if (move == Stepper::Move::Late) {
        fail("the probe did not report its " + std::string(knobName(*stepper_.lateKnob())) +
             " after a step command");
    }
    if (const auto k = stepper_.freshWanted(); move == Stepper::Move::Waiting && k) {
        askOncePerCycle(*k);
    }
    return move;
}

// A knob's report awaited: asked for once a cycle (at a slow rate the
// cycle's own report of it may never come).
void Assistant::askOncePerCycle(Knob k) {
    if (!askedThisCycle_ && stepper_.mayPace() &&
        stepper_.sendPaced(protocol::reported(knobValue(k)).query)) {
        askedThisCycle_ = true;
    }
}

// Steps back, then waits until the probe has reported every knob anew at its
// snapshot value. A knob the probe will not bring back is named at once.
void Assistant::restoreTick(double now) {
    if (moveToward(found_, now) != Stepper::Move::Settled) return;
    // The reports are awaited from here: the moves may take long at a slow rate.
    if (restoreSettledAt_ < 0.0) restoreSettledAt_ = now;
    const std::vector<Knob> left = changedKnobs();
    if (left != stuck_) {
        stuck_ = left;
        if (!stuck_.empty()) {
            status_ = "Cannot step back the " + changedNames() +
                      ": the probe does not move it further. Stepping back the rest.";
            ++alerts_;
            touch();
        }
    }
    for (const Knob k : kKnobOrder) {
        if (std::find(stuck_.begin(), stuck_.end(), k) != stuck_.end()) continue;
        if (reports(k) > restoreCountAt_[static_cast<std::size_t>(k)]) continue;
        askOncePerCycle(k);
        // Still not reported: the probe's value cannot be known.
        if (now - restoreSettledAt_ > 2 * reportDeadline()) {
            stepper_.markUnconfirmed(k);
            why_ = "Stopped: the probe did not report its " + std::string(knobName(k)) +
                   " again, so it cannot be known to be back.";
            handle(Event::Failed);
        }
        return;
    }
    if (!stuck_.empty()) {
        why_ = "Stopped: not everything could be stepped back.";
        handle(Event::Failed);
        return;
    }
    for (const Knob k : kKnobOrder) stepper_.confirm(k);
    applied_ = false;
    why_ = "Restored as found: " + describe(found_) + ", " +
           (found_.tuningMode == 2 ? "auto" : "manual") +
           " tuning; verified from the probe's reports.";
    handle(Event::Restored);
}

void Assistant::writeRecord() {
    runOpen_ = false;
    if (!startTime_) return;
    recordFile_ = freeRecordPath(folder_, *startTime_);
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
    for (const Knob k : kKnobOrder) {
        // In auto tuning the voltage is the probe's own.
        if (k == Knob::Voltage && found_.tuningMode == 2 && now->tuningMode == 2) continue;
        if (std::abs((*now)[k] - found_[k]) > 1e-3) out.push_back(k);
    }
    return out;
}

std::string Assistant::changedNames(const std::vector<Knob>& leaveOut) const {
    std::string names;
    const auto now = reportedSetting();
    for (const Knob k : changedKnobs()) {
        if (std::find(leaveOut.begin(), leaveOut.end(), k) != leaveOut.end()) continue;
        names += (names.empty() ? "" : ", ") + std::string(knobName(k)) + " " +
                 valueText(k, (*now)[k]) + " (found " + valueText(k, found_[k]) + ")";
    }
    return names;
}

std::optional<std::size_t> Assistant::currentStep() const {
    if (phase_ != Phase::Sweeping && phase_ != Phase::Paused) return std::nullopt;
    if (next_ >= steps_.size()) return std::nullopt;
    return next_;
}

int Assistant::stepsDone() const {
    return static_cast<int>(std::count_if(steps_.begin(), steps_.end(),
                                          [](const StepResult& s) { return s.done || s.skipped; }));
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
