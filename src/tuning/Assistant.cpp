// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/Assistant.h"

#include <algorithm>
#include <cmath>

#include "observe/FrequencyTable.h"

namespace purlo::tuning {

namespace {

// A probe that reports nothing for this long has stopped answering.
constexpr double kSilenceSeconds = 15.0;
// A step command's report comes with the next reply line; this is generous.
constexpr double kReportSeconds = 10.0;
std::size_t slot(ProbeValue v) {
    return static_cast<std::size_t>(v);
}

// What the snapshot needs, and the query that asks for each.
constexpr std::pair<ProbeValue, char> kSnapshotValues[] = {
    {ProbeValue::FrequencyKhz, 'q'},
    {ProbeValue::BurstLength, 'P'},
    {ProbeValue::TransducerVoltage, 's'},
    {ProbeValue::DeadZone, 'm'},
    {ProbeValue::TuningMode, 'a'},
    {ProbeValue::BurstInterval, 'j'},
    {ProbeValue::SampleRate, 'Y'},
    {ProbeValue::SoundSpeed, 'w'},
    {ProbeValue::TemperatureCoefficient, 'k'},
    {ProbeValue::ProbeBaudRate, 'x'},
    {ProbeValue::ReceiveMode, 'o'},
};

constexpr Knob kKnobs[] = {Knob::TuningMode, Knob::Frequency, Knob::BurstLength, Knob::Voltage};

bool same(double a, double b) {
    return std::abs(a - b) < 1e-3;
}

}  // namespace

Assistant::Assistant(ProbeCommands& commands, const SteadyClock& steady, const WallClock& wall)
    : commands_(commands), steady_(steady), wall_(wall) {}

// Observer -------------------------------------------------------------------

void Assistant::replyDecoded(const DecodedReply& r) {
    if (playback_) return;
    reported_.set(r);
    ++reportCount_[slot(r.value)];
    noteLine();
    const double now = steady_.seconds();
    if (r.value == ProbeValue::EchoBounce) {
        if (lastEchoAt_ >= 0.0) {
            const double dt = now - lastEchoAt_;
            cycleSeconds_ = cycleSeconds_ > 0.0 ? 0.8 * cycleSeconds_ + 0.2 * dt : dt;
        }
        lastEchoAt_ = now;
    }
    if (stage_ != Stage::Collecting) return;
    StepReadings* into = nullptr;
    if (phase_ == Phase::Sweeping && next_ < steps_.size()) into = &steps_[next_].readings;
    if (phase_ == Phase::Applying && verify_) into = &verify_->readings;
    if (!into) return;
    if (r.value == ProbeValue::EchoBounce) into->echoBounce.push_back(r.number);
    if (r.value == ProbeValue::BurstBounce) into->burstBounce.push_back(r.number);
    if (r.value == ProbeValue::FillHeight) {
        into->distanceMm.push_back(distanceOf(r.unit == "inch" ? r.number * 25.4 : r.number));
    }
    touch();
}

void Assistant::echoRecord(std::span<const std::uint8_t> bytes) {
    if (playback_) return;
    noteLine();
    if (stage_ != Stage::Collecting) return;
    if (phase_ == Phase::Sweeping && next_ < steps_.size()) steps_[next_].readings.addRecord(bytes);
    if (phase_ == Phase::Applying && verify_) verify_->readings.addRecord(bytes);
}

void Assistant::commandSent(char command) {
    if (sendingOwn_ || !changesProbe(command)) return;
    if (phase_ != Phase::Snapshot && phase_ != Phase::Sweeping && phase_ != Phase::Applying) return;
    pausedFrom_ = phase_;
    phase_ = Phase::Paused;
    status_ = std::string("Paused: \"") + command +
              "\" was sent meanwhile, so this step's readings would be wrong. Go on (the step "
              "is measured again) or keep the probe as it was?";
    touch();
}

void Assistant::linkOpened(std::string_view /*portName*/, std::string_view /*device*/) {
    live_ = true;
    playback_ = false;
    lastLineAt_ = steady_.seconds();
    if (phase_ == Phase::LinkGone)
        startRestore("Acquisition is back: stepping back to the snapshot.");
}

void Assistant::linkClosed() {
    live_ = false;
    const bool active = phase_ == Phase::Snapshot || phase_ == Phase::Sweeping ||
                        phase_ == Phase::Paused || phase_ == Phase::Done ||
                        phase_ == Phase::Applying || phase_ == Phase::Restoring;
    if (!active) return;
    awaiting_.reset();
    if (changedKnobs().empty()) {
        finishRun("Acquisition stopped; nothing was left changed.");
        return;
    }
    phase_ = Phase::LinkGone;
    status_ = "Acquisition ended with " + changedNames() +
              " changed. They are stepped back when acquisition runs again (Start).";
    touch();
}

void Assistant::linkLost() {
    linkClosed();
}

void Assistant::playbackStarted(std::uint64_t /*fileBytes*/, std::int32_t /*pcBaudRate*/) {
    playback_ = true;
    live_ = false;
}

void Assistant::playbackEnded() {
    playback_ = false;
}

// Starting --------------------------------------------------------------------

std::string Assistant::whyNotReady() const {
    if (playback_) {
        return "A playback runs. Tuning needs the probe itself: end the playback, then click "
               "Start for live acquisition.";
    }
    if (!live_) {
        return "Tuning needs live acquisition: connect the probe, choose its port and click "
               "Start in the console, then start the sweep.";
    }
    if (phase_ != Phase::Idle && phase_ != Phase::Done) return "A run is under way.";
    return {};
}

void Assistant::start(const RunContext& context, const std::filesystem::path& folder) {
    if (!whyNotReady().empty()) return;
    context_ = context;
    folder_ = folder;
    steps_.clear();
    snapshot_.reset();
    snapshotTime_.reset();
    best_.reset();
    chosen_.reset();
    verify_.reset();
    applied_ = false;
    recordFile_.clear();
    recordProblem_.clear();
    outcome_.clear();
    startTime_ = wall_.now();
    startedAt_ = steady_.seconds();
    lastLineAt_ = startedAt_;
    awaiting_.reset();
    stage_ = Stage::Moving;
    phase_ = Phase::Snapshot;
    planned_ = summarise(reportedSetting().value_or(Setting{}), context.echoRecords).steps;
    status_ = "Taking the snapshot: every parameter as the probe reports it.";
    touch();
}

// The snapshot: asks for what has not been reported, then takes it and
// plans the coarse pass from it.
void Assistant::snapshotTick(double now) {
    if (awaiting_ || awaitingQuery_) {
        if (reportCount_[slot(awaitingQueryValue_)] > awaitingCountAt_) {
            awaitingQuery_ = false;
        } else if (now - sentAt_ > kReportSeconds) {
            fail("the probe did not report its " +
                 std::string(probeValueName(awaitingQueryValue_)));
            return;
        } else {
            return;
        }
    }
    for (const auto& [value, query] : kSnapshotValues) {
        if (reported_[value]) continue;
        if (linesSinceSend_ == 0) return;
        awaitingQuery_ = true;
        awaitingQueryValue_ = value;
        awaitingCountAt_ = reportCount_[slot(value)];
        sentAt_ = now;
        send(query);
        return;
    }
    const auto setting = reportedSetting();
    if (!setting) {
        fail("the probe reports a frequency index the list does not hold");
        return;
    }
    snapshot_ = reported_;
    snapshotTime_ = wall_.now();
    found_ = *setting;
    Setting manual = found_;
    manual.tuningMode = 1;
    chosen_ = manual;
    steps_.push_back({PlannedStep{Pass::AsFound, Knob::Frequency, manual}, {}, {}, {}, false});
    for (const PlannedStep& p : coarseSteps(manual)) steps_.push_back({p, {}, {}, {}, false});
    phase_ = Phase::Sweeping;
    beginStep(0);
}

// Moving ----------------------------------------------------------------------

void Assistant::noteLine() {
    ++linesSinceSend_;
    lastLineAt_ = steady_.seconds();
}

void Assistant::send(char c) {
    linesSinceSend_ = 0;
    sendingOwn_ = true;
    commands_.send(c);
    sendingOwn_ = false;
}

std::optional<Setting> Assistant::runFrom() const {
    if (phase_ == Phase::Idle || phase_ == Phase::Snapshot || !snapshot_) return std::nullopt;
    return found_;
}

std::optional<Setting> Assistant::reportedSetting() const {
    Setting s;
    for (const Knob k : kKnobs) {
        const auto& n = reported_[knobValue(k)];
        if (!n) return std::nullopt;
        if (k == Knob::Frequency) {
            const auto index = frequencyIndexOf(*n);
            if (!index) return std::nullopt;
            s[k] = *index;
        } else {
            s[k] = *n;
        }
    }
    return s;
}

bool Assistant::moveToward(const Setting& target, double now) {
    if (freshAfter_) {
        for (const Knob k : kKnobs) {
            if (reportCount_[slot(knobValue(k))] > (*freshAfter_)[static_cast<std::size_t>(k)])
                continue;
            if (now - resumedAt_ > 2 * kReportSeconds)
                fail("the probe did not report its " + std::string(knobName(k)) + " again");
            return false;
        }
        freshAfter_.reset();
    }
    if (awaiting_) {
        const Knob k = *awaiting_;
        const auto count = reportCount_[slot(knobValue(k))];
        const auto s = reportedSetting();
        const bool unchanged = s && same((*s)[k], awaitingValue_);
        // A query the request cycle sent just before the command may come
        // back first with the old value: only a second report that still
        // has it means the step changed nothing, at the end of the probe's range.
        if (count <= awaitingCountAt_ || (unchanged && count <= awaitingCountAt_ + 1)) {
            if (now - sentAt_ > kReportSeconds) {
                fail("the probe did not report its " + std::string(knobName(k)) +
                     " after a step command");
            }
            return false;
        }
        awaiting_.reset();
        if (unchanged) atLimit_[static_cast<std::size_t>(k)] = true;
    }
    const auto current = reportedSetting();
    if (!current) return false;
    // Manual tuning before anything moves, auto tuning back only after the
    // rest: in auto tuning the probe steps its voltage itself.
    static constexpr Knob kAutoLast[] = {Knob::Frequency, Knob::BurstLength, Knob::Voltage,
                                         Knob::TuningMode};
    for (const Knob k : target.tuningMode == 2 ? std::span<const Knob>(kAutoLast)
                                               : std::span<const Knob>(kKnobs)) {
        const auto i = static_cast<std::size_t>(k);
        const double from = (*current)[k];
        const double to = target[k];
        if (same(from, to) || atLimit_[i]) continue;
        const int direction = to > from ? 1 : -1;
        // Past the target in steps that do not meet it exactly: this is as near as it gets.
        if (lastDirection_[i] != 0 && lastDirection_[i] != direction) continue;
        const auto command = stepCommand(k, from, to);
        if (!command) continue;
        if (linesSinceSend_ == 0) return false;
        awaiting_ = k;
        awaitingCountAt_ = reportCount_[slot(knobValue(k))];
        awaitingValue_ = from;
        lastDirection_[i] = direction;
        sentAt_ = now;
        send(*command);
        return false;
    }
    return true;
}

void Assistant::resetMove() {
    awaiting_.reset();
    atLimit_ = {};
    lastDirection_ = {};
    stage_ = Stage::Moving;
}

// Sweeping ---------------------------------------------------------------------

void Assistant::beginStep(std::size_t index) {
    next_ = index;
    resetMove();
    steps_[index].readings = {};
    steps_[index].done = false;
    const PlannedStep& p = steps_[index].plan;
    status_ = "Step " + std::to_string(index + 1) + " of about " + std::to_string(planned_) + ": " +
              std::string(passName(p.pass)) + ".";
    touch();
}

bool Assistant::enoughReadings(const StepReadings& r, int n) const {
    return static_cast<int>(r.echoBounce.size()) >= n &&
           static_cast<int>(r.burstBounce.size()) >= n && (!context_.echoRecords || r.records >= n);
}

// Moving, then one cycle discarded (up to the next echo bounce report), then readings.
bool Assistant::measure(StepResult& step, int readings, double now) {
    switch (stage_) {
        case Stage::Moving:
            if (!moveToward(step.plan.target, now)) return false;
            step.actual = *reportedSetting();
            echoSeenAtSettle_ = reportCount_[slot(ProbeValue::EchoBounce)];
            stage_ = Stage::Discarding;
            return false;
        case Stage::Discarding:
            if (reportCount_[slot(ProbeValue::EchoBounce)] > echoSeenAtSettle_) {
                step.readings = {};
                stage_ = Stage::Collecting;
            }
            return false;
        case Stage::Collecting: break;
    }
    return enoughReadings(step.readings, readings);
}

void Assistant::sweepTick(double now) {
    StepResult& step = steps_[next_];
    if (!measure(step, kReadingsPerStep, now)) return;
    step.figures = figuresOf(step.readings, deadZoneMm());
    step.done = true;
    stage_ = Stage::Moving;
    touch();
    planNext();
}

void Assistant::tick() {
    const double now = steady_.seconds();
    const bool waiting = phase_ == Phase::Snapshot || phase_ == Phase::Sweeping ||
                         phase_ == Phase::Applying || phase_ == Phase::Restoring;
    if (waiting && now - lastLineAt_ > kSilenceSeconds) {
        fail("the probe has stopped answering");
        return;
    }
    // Goes on while a pass makes progress (a step settled, a stage ended), so
    // one tick does what is due now; a command sent waits for its reply line.
    for (int pass = 0; pass < 8; ++pass) {
        const auto revision = revision_;
        const auto stage = stage_;
        const auto phase = phase_;
        switch (phase_) {
            case Phase::Snapshot: snapshotTick(now); break;
            case Phase::Sweeping: sweepTick(now); break;
            case Phase::Applying: applyTick(now); break;
            case Phase::Restoring: restoreTick(now); break;
            default: return;
        }
        const bool moved = revision != revision_ || stage != stage_ || phase != phase_;
        if (!moved || linesSinceSend_ == 0) return;
    }
}

double Assistant::deadZoneMm() const {
    const auto& dz = reported_[ProbeValue::DeadZone];
    if (!dz) return 0.0;
    return reported_.unitOf(ProbeValue::DeadZone) == "in" ? *dz * 25.4 : *dz * 10.0;
}

double Assistant::distanceOf(double fillMm) const {
    return context_.zeroOffsetMm - fillMm;
}

}  // namespace purlo::tuning
