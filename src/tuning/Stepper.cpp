// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/Stepper.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "protocol/Vocabulary.h"

namespace purlo::tuning {

namespace {

bool same(double a, double b) {
    return std::abs(a - b) < 1e-3;
}

std::size_t at(Knob k) {
    return static_cast<std::size_t>(k);
}

constexpr Knob kManualFirst[] = {Knob::TuningMode, Knob::Frequency, Knob::BurstLength,
                                 Knob::Voltage};
// In auto tuning the probe steps its voltage itself: auto goes back last.
constexpr Knob kAutoLast[] = {Knob::Frequency, Knob::BurstLength, Knob::Voltage, Knob::TuningMode};

}  // namespace

std::array<char, 2> Stepper::commandsOf(Knob k) {
    switch (k) {
        // The frequency list runs from high to low frequencies: "f" is the
        // button meant to lower the frequency, a higher index.
        case Knob::Frequency: {
            const protocol::Reported& r = protocol::reported(ProbeValue::FrequencyKhz);
            return {r.down, r.up};
        }
        case Knob::BurstLength: {
            const protocol::Reported& r = protocol::reported(ProbeValue::BurstLength);
            return {r.up, r.down};
        }
        case Knob::Voltage: {
            const protocol::Reported& r = protocol::reported(ProbeValue::TransducerVoltage);
            return {r.up, r.down};
        }
        // "Auto / Manuel": auto (2) with "A", manual (1) with "M".
        case Knob::TuningMode: break;
    }
    return {protocol::kAutoTuning, protocol::kManualTuning};
}

bool Stepper::sendPaced(char command) {
    const auto lines = linesSinceSend_;
    linesSinceSend_ = 0;
    if (probe_.send(command)) return true;
    linesSinceSend_ = lines;  // nothing went out: no reply to wait for
    return false;
}

bool Stepper::isBlocked(Knob k, int j, double value) const {
    for (const Limit& l : limits_) {
        if (l.knob == k && l.command == j && same(l.at, value)) return true;
    }
    return false;
}

std::optional<int> Stepper::pick(Knob k, double from, int want) const {
    const auto& effect = effect_[at(k)];
    const int meant = want > 0 ? 0 : 1;
    if (k == Knob::TuningMode) {
        if (isBlocked(k, meant, from)) return std::nullopt;
        return meant;
    }
    for (int j = 0; j < 2; ++j) {
        if (effect[static_cast<std::size_t>(j)] == want && !isBlocked(k, j, from)) return j;
    }
    if (effect[static_cast<std::size_t>(meant)] == 0) {
        if (isBlocked(k, meant, from)) return std::nullopt;
        return meant;
    }
    // The command meant for this way moves the other: its partner, until its
    // own first report says which way that goes. A command held back is
    // never a reason to try the other one (it might not come back).
    const int other = 1 - meant;
    if (effect[static_cast<std::size_t>(meant)] == -want &&
        effect[static_cast<std::size_t>(other)] == 0 && !isBlocked(k, other, from)) {
        return other;
    }
    return std::nullopt;
}

bool Stepper::blocked(Knob k, double from, double to) const {
    if (same(from, to)) return false;
    return !pick(k, from, to > from ? 1 : -1);
}

std::vector<Knob> Stepper::reversed() const {
    std::vector<Knob> out;
    for (const Knob k : {Knob::Frequency, Knob::BurstLength, Knob::Voltage}) {
        if (effect_[at(k)][0] < 0 || effect_[at(k)][1] > 0) out.push_back(k);
    }
    return out;
}

std::optional<Knob> Stepper::freshWanted() const {
    if (!freshAfter_) return std::nullopt;
    for (const Knob k : kManualFirst) {
        if (probe_.reports(k) <= (*freshAfter_)[at(k)]) return k;
    }
    return std::nullopt;
}

std::vector<Knob> Stepper::unconfirmed() const {
    std::vector<Knob> out = unsure_;
    if (awaiting_ && std::find(out.begin(), out.end(), awaiting_->knob) == out.end()) {
        out.push_back(awaiting_->knob);
    }
    return out;
}

void Stepper::markUnconfirmed(Knob k) {
    if (std::find(unsure_.begin(), unsure_.end(), k) == unsure_.end()) unsure_.push_back(k);
}

void Stepper::retarget() {
    lastDirection_ = {};
}

void Stepper::awaitFresh(double now) {
    std::array<std::uint64_t, kKnobCount> after{};
    for (const Knob k : kManualFirst) after[at(k)] = probe_.reports(k) + 1;
    freshAfter_ = after;
    freshSince_ = now;
    if (awaiting_) markUnconfirmed(awaiting_->knob);
    awaiting_.reset();
    lastDirection_ = {};
}

// What is unsure stays so: a new link does not say what the probe holds.
void Stepper::forget() {
    if (awaiting_) markUnconfirmed(awaiting_->knob);
    effect_ = {};
    stillTries_ = {};
    limits_.clear();
    awaiting_.reset();
    lastDirection_ = {};
    freshAfter_.reset();
    linesSinceSend_ = 1;
    late_.reset();
}

void Stepper::newRun() {
    if (awaiting_) markUnconfirmed(awaiting_->knob);
    stillTries_ = {};
    limits_.clear();
    awaiting_.reset();
    lastDirection_ = {};
    freshAfter_.reset();
    late_.reset();
}

Stepper::Move Stepper::toward(const Setting& target, double now, double deadline) {
    late_.reset();
    // A command whose report did not come may have moved the probe all the
    // same: nothing moves on reports older than it.
    if (!unsure_.empty() && !freshAfter_ && !awaiting_) awaitFresh(now);
    if (freshAfter_) {
        for (const Knob k : kManualFirst) {
            if (probe_.reports(k) > (*freshAfter_)[at(k)]) continue;
            if (now - freshSince_ > 2 * deadline) {
                late_ = k;
                markUnconfirmed(k);
                return Move::Late;
            }
            return Move::Waiting;
        }
        freshAfter_.reset();
        unsure_.clear();  // every knob reported twice since: the reports hold
    }
    if (awaiting_) {
        const Awaiting a = *awaiting_;
        const auto count = probe_.reports(a.knob);
        const auto s = probe_.reportedSetting();
        const double value = s ? (*s)[a.knob] : a.from;
        const bool unchanged = same(value, a.from);
        // A query the request cycle sent just before the command may come
        // back first with the old value: only a second report that still
        // has it means the command left the knob where it was.
        if (count <= a.countAt || (unchanged && count <= a.countAt + 1)) {
            if (now - a.sentAt <= deadline) return Move::Waiting;
            awaiting_.reset();
            late_ = a.knob;
            markUnconfirmed(a.knob);
            return Move::Late;
        }
        awaiting_.reset();
        std::erase(unsure_, a.knob);
        auto& tries = stillTries_[at(a.knob)][static_cast<std::size_t>(a.command)];
        if (unchanged) {
            if (++tries >= kTries) {
                limits_.push_back({a.knob, a.command, a.from});
                tries = 0;
            }
        } else {
            tries = 0;
            if (a.knob != Knob::TuningMode) {
                effect_[at(a.knob)][static_cast<std::size_t>(a.command)] = value > a.from ? 1 : -1;
            }
        }
    }
    const auto current = probe_.reportedSetting();
    if (!current) return Move::Waiting;
    for (const Knob k : target.tuningMode == 2 ? std::span<const Knob>(kAutoLast)
                                               : std::span<const Knob>(kManualFirst)) {
        const double from = (*current)[k];
        const double to = target[k];
        if (same(from, to)) continue;
        if (k == Knob::TuningMode && !same(to, 1) && !same(to, 2)) continue;
        // Back in auto tuning the probe sets its voltage itself.
        if (k == Knob::Voltage && same(target.tuningMode, 2) && same(current->tuningMode, 2)) {
            continue;
        }
        const int want = to > from ? 1 : -1;
        // Past the target in steps that do not meet it exactly: as near as it gets.
        if (lastDirection_[at(k)] != 0 && lastDirection_[at(k)] != want) continue;
        const auto j = pick(k, from, want);
        if (!j) continue;  // at a limit this way
        if (!mayPace()) return Move::Waiting;
        awaiting_ = Awaiting{k, *j, from, probe_.reports(k), now};
        if (!sendPaced(commandsOf(k)[static_cast<std::size_t>(*j)])) {
            // The button holds it back here: a limit as good as the probe's.
            awaiting_.reset();
            limits_.push_back({k, *j, from});
            continue;
        }
        lastDirection_[at(k)] = want;
        return Move::Waiting;
    }
    return Move::Settled;
}

}  // namespace purlo::tuning
