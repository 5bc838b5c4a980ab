// SPDX-License-Identifier: GPL-3.0-or-later
// The assistant's phases and the events that move them (one table, one
// function that enters a phase), what it hears from the console, and the
// snapshot.
#include "tuning/Assistant.h"

#include <algorithm>
#include <cmath>

#include "observe/FrequencyTable.h"
#include "protocol/Vocabulary.h"

namespace purlo::tuning {

namespace {

using P = Phase;
using E = Event;
using A = Action;

// Every way a run moves. An event a phase has no row for changes nothing.
// Closing the window is "keep as it was" while a run has the probe; once a
// run has ended (Idle), or while the probe is being stepped back, it changes nothing.
constexpr Transition kTransitions[] = {
    {P::Idle, E::Start, P::Snapshot, A::BeginRun},
    {P::Idle, E::WindowOpened, P::Idle, A::Acknowledge},

    {P::Snapshot, E::Tick, P::Snapshot, A::Work},
    {P::Snapshot, E::SnapshotTaken, P::Sweeping, A::None},
    {P::Snapshot, E::TechnicianCommand, P::Paused, A::Pause},
    {P::Snapshot, E::Keep, P::Idle, A::None},
    {P::Snapshot, E::WindowClosed, P::Idle, A::None},
    {P::Snapshot, E::AcquisitionStopped, P::Idle, A::None},
    {P::Snapshot, E::PortLost, P::Idle, A::None},
    {P::Snapshot, E::ExitAsked, P::Idle, A::None},
    {P::Snapshot, E::ExitForced, P::Idle, A::None},
    {P::Snapshot, E::Failed, P::Idle, A::None},
    {P::Snapshot, E::WindowOpened, P::Snapshot, A::Acknowledge},

    {P::Sweeping, E::Tick, P::Sweeping, A::Work},
    {P::Sweeping, E::Report, P::Sweeping, A::Collect},
    {P::Sweeping, E::TechnicianCommand, P::Paused, A::Pause},
    {P::Sweeping, E::Swept, P::AwaitingChoice, A::None},
    {P::Sweeping, E::Keep, P::Restoring, A::None},
    {P::Sweeping, E::WindowClosed, P::Restoring, A::None},
    {P::Sweeping, E::Failed, P::Restoring, A::None},
    {P::Sweeping, E::AcquisitionStopped, P::LinkGone, A::None},
    {P::Sweeping, E::PortLost, P::LinkGone, A::None},
    {P::Sweeping, E::ExitAsked, P::Restoring, A::HoldExit},
    {P::Sweeping, E::ExitForced, P::Idle, A::None},
    {P::Sweeping, E::WindowOpened, P::Sweeping, A::Acknowledge},

    {P::Paused, E::GoOn, P::Paused, A::Resume},
    {P::Paused, E::Keep, P::Restoring, A::None},
    {P::Paused, E::WindowClosed, P::Restoring, A::None},
    {P::Paused, E::AcquisitionStopped, P::LinkGone, A::None},
    {P::Paused, E::PortLost, P::LinkGone, A::None},
    {P::Paused, E::ExitAsked, P::Restoring, A::HoldExit},
    {P::Paused, E::ExitForced, P::Idle, A::None},
    {P::Paused, E::WindowOpened, P::Paused, A::Acknowledge},

    {P::AwaitingChoice, E::Apply, P::Applying, A::None},
    {P::AwaitingChoice, E::Keep, P::Restoring, A::None},
    {P::AwaitingChoice, E::WindowClosed, P::Restoring, A::None},
    {P::AwaitingChoice, E::AcquisitionStopped, P::LinkGone, A::None},
    {P::AwaitingChoice, E::PortLost, P::LinkGone, A::None},
    {P::AwaitingChoice, E::ExitAsked, P::Restoring, A::HoldExit},
    {P::AwaitingChoice, E::ExitForced, P::Idle, A::None},
    {P::AwaitingChoice, E::WindowOpened, P::AwaitingChoice, A::Acknowledge},

    {P::Applying, E::Tick, P::Applying, A::Work},
    {P::Applying, E::Report, P::Applying, A::Collect},
    {P::Applying, E::TechnicianCommand, P::Paused, A::Pause},
    {P::Applying, E::Applied, P::Idle, A::None},
    {P::Applying, E::Failed, P::Restoring, A::None},
    {P::Applying, E::Keep, P::Restoring, A::None},
    {P::Applying, E::WindowClosed, P::Restoring, A::None},
    {P::Applying, E::AcquisitionStopped, P::LinkGone, A::None},
    {P::Applying, E::PortLost, P::LinkGone, A::None},
    {P::Applying, E::ExitAsked, P::Restoring, A::HoldExit},
    {P::Applying, E::ExitForced, P::Idle, A::None},
    {P::Applying, E::WindowOpened, P::Applying, A::Acknowledge},

    {P::Restoring, E::Tick, P::Restoring, A::Work},
    {P::Restoring, E::Restored, P::Idle, A::None},
    {P::Restoring, E::Failed, P::Idle, A::None},
    {P::Restoring, E::AcquisitionStopped, P::LinkGone, A::None},
    {P::Restoring, E::PortLost, P::LinkGone, A::None},
    {P::Restoring, E::ExitAsked, P::Restoring, A::HoldExit},
    {P::Restoring, E::ExitForced, P::Idle, A::None},
    {P::Restoring, E::WindowOpened, P::Restoring, A::Acknowledge},

    {P::LinkGone, E::AcquisitionBack, P::Restoring, A::None},
    {P::LinkGone, E::RestoreNow, P::Restoring, A::None},
    {P::LinkGone, E::ExitAsked, P::Idle, A::None},
    {P::LinkGone, E::ExitForced, P::Idle, A::None},
    {P::LinkGone, E::WindowOpened, P::LinkGone, A::Acknowledge},
};

const Transition* transitionFor(Phase p, Event e) {
    for (const Transition& t : kTransitions) {
        if (t.from == p && t.event == e) return &t;
    }
    return nullptr;
}

std::size_t slot(ProbeValue v) {
    return static_cast<std::size_t>(v);
}

// What the snapshot needs (each asked for by its query in the probe's vocabulary).
constexpr ProbeValue kSnapshotValues[] = {
    ProbeValue::FrequencyKhz,  ProbeValue::BurstLength, ProbeValue::TransducerVoltage,
    ProbeValue::DeadZone,      ProbeValue::TuningMode,  ProbeValue::BurstInterval,
    ProbeValue::SampleRate,    ProbeValue::SoundSpeed,  ProbeValue::TemperatureCoefficient,
    ProbeValue::ProbeBaudRate, ProbeValue::ReceiveMode,
};

constexpr Knob kKnobs[] = {Knob::TuningMode, Knob::Frequency, Knob::BurstLength, Knob::Voltage};

// The shortest a deadline is, whatever the pace: a step command's report and
// the silence after which the probe counts as gone.
constexpr double kMinReportSeconds = 10.0;
constexpr double kMinSilenceSeconds = 15.0;
constexpr double kMinExitSeconds = 15.0;

}  // namespace

std::span<const Transition> transitions() {
    return kTransitions;
}

std::string_view phaseName(Phase p) {
    switch (p) {
        case P::Idle: return "Idle";
        case P::Snapshot: return "Snapshot";
        case P::Sweeping: return "Sweeping";
        case P::Paused: return "Paused";
        case P::AwaitingChoice: return "AwaitingChoice";
        case P::Applying: return "Applying";
        case P::Restoring: return "Restoring";
        case P::LinkGone: break;
    }
    return "LinkGone";
}

std::string_view eventName(Event e) {
    static constexpr std::string_view kNames[] = {
        "start",
        "report",
        "tick",
        "technician's command",
        "go on",
        "apply",
        "keep",
        "restore now",
        "window closed",
        "window opened",
        "acquisition stopped",
        "port lost",
        "acquisition back",
        "exit asked",
        "exit forced",
        "snapshot taken",
        "swept",
        "applied",
        "restored",
        "failed",
    };
    return kNames[static_cast<std::size_t>(e)];
}

std::string_view actionName(Action a) {
    static constexpr std::string_view kNames[] = {
        "", "begin the run", "work", "collect", "pause", "resume", "hold the exit", "acknowledge",
    };
    return kNames[static_cast<std::size_t>(a)];
}

Assistant::Assistant(ProbeCommands& commands, const SteadyClock& steady, const WallClock& wall)
    : commands_(commands), steady_(steady), wall_(wall) {}

// The table ---------------------------------------------------------------------

void Assistant::handle(Event e) {
    const Transition* t = transitionFor(phase_, e);
    if (!t) return;
    if (e == Event::Apply && !offers(Choice::Apply)) return;
    if (e == Event::RestoreNow && !offers(Choice::RestoreNow)) return;
    const auto entries = entries_;
    act(t->action, e);
    if (entries_ == entries && t->to != t->from) enter(t->to);
}

void Assistant::act(Action a, Event /*e*/) {
    switch (a) {
        case Action::None: break;
        case Action::BeginRun:
            steps_.clear();
            snapshot_.reset();
            snapshotTime_.reset();
            best_.reset();
            chosen_.reset();
            verify_.reset();
            notes_.clear();
            applied_ = false;
            exitDeadline_.reset();
            recordFile_.clear();
            recordProblem_.clear();
            outcome_.clear();
            startTime_ = wall_.now();
            startedAt_ = steady_.seconds();
            lastLineAt_ = startedAt_;
            awaitingQuery_.reset();
            stage_ = Stage::Moving;
            stepper_.newRun();
            // A knob not reported since a command: the snapshot waits for
            // its second report from now (the first may answer a query sent before).
            for (const Knob k : stepper_.unconfirmed()) {
                auto& at = countAtAcquisition_[slot(knobValue(k))];
                at = std::max(at, reportCount_[slot(knobValue(k))] + 1);
            }
            runOpen_ = true;
            planned_ = summarise(reportedSetting().value_or(Setting{}), context_.echoRecords).steps;
            break;
        case Action::Work: work(steady_.seconds()); break;
        case Action::Collect: collect(reply_, record_); break;
        case Action::Pause:
            pausedFrom_ = phase_;
            // Before the snapshot: it is taken from reports after the
            // technician's command (the second of each: the first may answer a query sent before
            // it).
            if (phase_ == Phase::Snapshot) {
                for (std::size_t i = 0; i < kProbeValueCount; ++i) {
                    countAtAcquisition_[i] = reportCount_[i] + 1;
                }
            }
            break;
        case Action::Resume: enter(pausedFrom_); break;
        case Action::HoldExit: {
            if (!acquiring_ || !snapshot_ ||
                (changedKnobs().empty() && stepper_.unconfirmed().empty())) {
                why_ = "Stopped: the console was ended.";
                enter(Phase::Idle);
                return;
            }
            if (!exitDeadline_) exitDeadline_ = steady_.seconds() + exitWaitSeconds();
            why_ =
                "Exit: stepping every changed parameter back to the snapshot; the console ends "
                "once the probe reports it (Exit again ends it at once).";
            if (phase_ == Phase::Restoring) status_ = why_;
            touch();
            break;
        }
        case Action::Acknowledge: touch(); break;
    }
}

// The one place a phase is entered: what the phase starts with, and what
// the technician reads.
void Assistant::enter(Phase p) {
    ++entries_;
    const Phase from = phase_;
    phase_ = p;
    const double now = steady_.seconds();
    switch (p) {
        case Phase::Idle: {
            std::string why = why_.empty() ? "Stopped before any change." : why_;
            if (!applied_ && snapshot_) {
                // A knob whose report did not come after a command is not
                // known to hold its last report: it is said to be unsure.
                const std::vector<Knob> unsure = stepper_.unconfirmed();
                const std::string left = changedNames();
                if (!left.empty()) {
                    why += " Left changed: " + left + ".";
                    ++alerts_;
                }
                for (const Knob k : unsure) {
                    why += " The " + std::string(knobName(k)) +
                           " may be left changed: the probe did not report it after a command.";
                    ++alerts_;
                }
            }
            outcome_ = why;
            status_ = outcome_;
            stage_ = Stage::Moving;
            exitDeadline_.reset();
            stepper_.newRun();
            awaitingQuery_.reset();
            if (runOpen_) writeRecord();
            break;
        }
        case Phase::Snapshot:
            status_ =
                "Taking the snapshot: every parameter as the probe reports it in this "
                "acquisition.";
            break;
        case Phase::Sweeping:
            if (from == Phase::Paused) stepper_.awaitFresh(now);
            beginStep(from == Phase::Paused ? next_ : 0);
            break;
        case Phase::Paused:
            status_ = std::string("Paused: \"") + pausedBy_ +
                      "\" was sent meanwhile, so this step's readings would be wrong. Go on (the "
                      "step is measured again) or keep the probe as it was?";
            break;
        case Phase::AwaitingChoice:
            planned_ = static_cast<int>(steps_.size());
            status_ = sweptStatus();
            break;
        case Phase::Applying:
            if (from == Phase::Paused) {
                stepper_.awaitFresh(now);
            } else {
                verify_ = StepResult{{Pass::Verify, Knob::Frequency, *chosen_}, {}, {}, {}, false};
            }
            verify_->readings = {};
            verified_ = false;
            stage_ = Stage::Moving;
            stepper_.retarget();
            status_ = "Applying " + describe(*chosen_) + ", then 10 fresh readings.";
            break;
        case Phase::Restoring:
            if (!snapshot_) {  // nothing was changed before the snapshot
                enter(Phase::Idle);
                return;
            }
            for (const Knob k : kKnobs) {
                // An unsure knob's next report may still answer a query sent before.
                const auto unsure = stepper_.unconfirmed();
                const bool twice = std::find(unsure.begin(), unsure.end(), k) != unsure.end();
                restoreCountAt_[static_cast<std::size_t>(k)] = reports(k) + (twice ? 1 : 0);
            }
            stuck_.clear();
            restoreSettledAt_ = -1.0;
            stage_ = Stage::Moving;
            stepper_.retarget();
            status_ =
                why_.empty() ? "Stepping every changed parameter back to the snapshot." : why_;
            break;
        case Phase::LinkGone:
            if (changedKnobs().empty() && stepper_.unconfirmed().empty()) {
                why_ = "Acquisition stopped; nothing was left changed.";
                enter(Phase::Idle);
                return;
            }
            status_ = "Acquisition ended with " + changedNames() +
                      " changed. They are stepped back as soon as acquisition runs again "
                      "(Start in the console).";
            ++alerts_;
            break;
    }
    why_.clear();
    touch();
}

bool Assistant::offers(Choice c) const {
    switch (c) {
        case Choice::Start: return phase_ == Phase::Idle && whyNotReady().empty();
        case Choice::GoOn: return phase_ == Phase::Paused;
        case Choice::Apply: return phase_ == Phase::AwaitingChoice && best_.has_value();
        case Choice::Keep:
            return phase_ == Phase::Snapshot || phase_ == Phase::Sweeping ||
                   phase_ == Phase::Paused || phase_ == Phase::AwaitingChoice ||
                   phase_ == Phase::Applying;
        case Choice::RestoreNow: return phase_ == Phase::LinkGone && acquiring_;
        case Choice::Write: return phase_ == Phase::Idle && applied_;
    }
    return false;
}

void Assistant::fail(const std::string& why) {
    const bool stepsBack = phase_ == Phase::Sweeping || phase_ == Phase::Applying;
    why_ = "Stopped: " + why + "." + (stepsBack ? " Stepping back to the snapshot." : "");
    handle(Event::Failed);
}

bool Assistant::holdExit() {
    why_ = "Stopped: the console was ended.";
    handle(Event::ExitAsked);
    why_.clear();
    return phase_ == Phase::Restoring && exitDeadline_.has_value();
}

void Assistant::abandon(const std::string& why) {
    why_ = "Stopped: " + why + ".";
    handle(Event::ExitForced);
    why_.clear();
}

std::optional<double> Assistant::exitSecondsLeft() const {
    if (phase_ != Phase::Restoring || !exitDeadline_) return std::nullopt;
    return std::max(0.0, *exitDeadline_ - steady_.seconds());
}

// Long enough for every step back at the pace measured, twice over (a
// probe may ignore a command now and then), and a cycle to verify.
double Assistant::exitWaitSeconds() const {
    const auto now = reportedSetting();
    double moves = 4;
    if (now) {
        moves += std::abs(now->frequencyIndex - found_.frequencyIndex) +
                 std::abs(now->burstLength - found_.burstLength) +
                 std::abs(now->volts - found_.volts) / 0.5 + 1;
    }
    // A move's report takes a few lines, and moves go out in the first half of a cycle.
    const double perMove = 6.0 * lineSeconds();
    return std::max(kMinExitSeconds, 2.0 * (moves * perMove + 2.0 * cycleSeconds()));
}

double Assistant::lineSeconds() const {
    // A request cycle brings a reply line for each request, and an echo record.
    constexpr double kLinesPerCycle = 17.0;
    return cycleSeconds() / kLinesPerCycle;
}

double Assistant::reportDeadline() const {
    return std::max(kMinReportSeconds, 3.0 * cycleSeconds());
}

// Observer -------------------------------------------------------------------

void Assistant::replyDecoded(const DecodedReply& r) {
    if (playback_) return;
    noteLine();
    // A line cut short when the console cleared its input for an echo record
    // may read as a knob's report with a value no probe holds: no report.
    for (const Knob k : kKnobs) {
        if (r.value == knobValue(k) && !knobReading(k, r)) return;
    }
    reported_.set(r);
    ++reportCount_[slot(r.value)];
    const double now = steady_.seconds();
    if (r.value == ProbeValue::EchoBounce && lastRecordAt_ < 0.0) {
        if (lastEchoAt_ >= 0.0) noteCycle(now - lastEchoAt_);
        lastEchoAt_ = now;
    }
    if (linkOpen_ && !acquiring_) {
        // The receive loop decodes: acquisition runs (a port opened by a
        // manual command has nobody reading it).
        acquiring_ = true;
        touch();
        handle(Event::AcquisitionBack);
    }
    reply_ = &r;
    handle(Event::Report);
    reply_ = nullptr;
    paceOn();
}

// One request cycle's time, smoothed over the last few.
void Assistant::noteCycle(double seconds) {
    cycleSeconds_ = cycleSeconds_ > 0.0 ? 0.8 * cycleSeconds_ + 0.2 * seconds : seconds;
}

// A reply line or a record with the way open for a command: the work due
// goes on now, not at the host's next tick (which may fall while the console
// waits for an echo record, when a reply would be lost).
void Assistant::paceOn() {
    if (stepper_.mayPace()) handle(Event::Tick);
}

void Assistant::echoRecord(std::span<const std::uint8_t> bytes) {
    if (playback_) return;
    const double now = steady_.seconds();
    if (lastRecordAt_ >= 0.0) {
        noteCycle(now - lastRecordAt_);
        // A whole cycle without its echo bounce: the pace leaves replies behind.
        if (reportCount_[slot(ProbeValue::EchoBounce)] == echoAtRecord_) asksBounces_ = true;
    }
    lastRecordAt_ = now;
    echoAtRecord_ = reportCount_[slot(ProbeValue::EchoBounce)];
    recordAwaited_ = false;
    sentSinceRecord_ = 0;
    bouncesAsked_ = 0;
    askedThisCycle_ = false;
    ++records_;
    updateReplyWindow();
    noteLine();
    record_ = bytes;
    handle(Event::Report);
    record_ = {};
    paceOn();
}

void Assistant::collect(const DecodedReply* r, std::span<const std::uint8_t> record) {
    if (stage_ != Stage::Collecting) return;
    StepReadings* into = nullptr;
    if (phase_ == Phase::Sweeping && next_ < steps_.size()) into = &steps_[next_].readings;
    if (phase_ == Phase::Applying && verify_) into = &verify_->readings;
    if (!into) return;
    if (!r) {
        into->addRecord(record);
        return;
    }
    if (r->value == ProbeValue::EchoBounce) into->echoBounce.push_back(r->number);
    if (r->value == ProbeValue::BurstBounce) into->burstBounce.push_back(r->number);
    if (r->value == ProbeValue::FillHeight) {
        into->distanceMm.push_back(distanceOf(r->unit == "inch" ? r->number * 25.4 : r->number));
    }
    touch();
}

void Assistant::commandSent(char command) {
    if (!playback_) {
        if (command == protocol::kEchoRecord) recordAwaited_ = true;
        ++sentSinceRecord_;
        updateReplyWindow();
    }
    if (sendingOwn_) {
        ownSent_ = true;
        return;
    }
    if (!changesProbe(command)) return;
    // A knob the technician steps holds what its report will say, not the last one.
    if (const auto k = knobOfCommand(command); k && phase_ != Phase::Idle) {
        stepper_.markUnconfirmed(*k);
        restoreCountAt_[static_cast<std::size_t>(*k)] = reports(*k) + 1;
    }
    pausedBy_ = command;
    handle(Event::TechnicianCommand);
}

// The reply to a command sent now comes before the console asks for the next
// echo record when no record is awaited and, where records come, the cycle
// has sent less than half its requests since the last one.
void Assistant::updateReplyWindow() {
    stepper_.setReplyWindow(
        !recordAwaited_ &&
        (lastRecordAt_ < 0.0 || sentSinceRecord_ < protocol::kRequestCycleLength / 2));
}

void Assistant::linkOpened(std::string_view /*portName*/, std::string_view /*device*/) {
    linkOpen_ = true;
    acquiring_ = false;
    playback_ = false;
    // The pace and the window are this link's own.
    lastEchoAt_ = lastRecordAt_ = -1.0;
    recordAwaited_ = asksBounces_ = false;
    sentSinceRecord_ = bouncesAsked_ = 0;
    updateReplyWindow();
    lastLineAt_ = steady_.seconds();
    // What was reported before belongs to another acquisition, maybe another probe.
    countAtAcquisition_ = reportCount_;
    stepper_.forget();
    touch();
}

void Assistant::linkClosed() {
    linkOpen_ = false;
    acquiring_ = false;
    touch();
    handle(Event::AcquisitionStopped);
}

void Assistant::linkLost() {
    linkOpen_ = false;
    acquiring_ = false;
    touch();
    handle(Event::PortLost);
}

void Assistant::playbackStarted(std::uint64_t /*fileBytes*/, std::int32_t /*pcBaudRate*/) {
    playback_ = true;
    acquiring_ = false;
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
    if (!acquiring_) {
        return "Tuning needs live acquisition: connect the probe, choose its port and click "
               "Start in the console, then start the sweep.";
    }
    if (phase_ != Phase::Idle) return "A run is under way.";
    return {};
}

void Assistant::start(const RunContext& context, const std::filesystem::path& folder) {
    if (!offers(Choice::Start)) return;
    context_ = context;
    folder_ = folder;
    handle(Event::Start);
}

// The snapshot: asks for what has not been reported in this acquisition,
// then takes it and plans the coarse pass from it.
void Assistant::snapshotTick(double now) {
    if (awaitingQuery_) {
        // Its reply may be lost to the next echo record at a slow rate: asked
        // again in the next cycle.
        if (reportCount_[slot(*awaitingQuery_)] > awaitingCountAt_ || records_ > recordsAtAsk_) {
            awaitingQuery_.reset();
        } else if (now - sentAt_ <= reportDeadline()) {
            return;
        }
    }
    for (const ProbeValue value : kSnapshotValues) {
        if (reportCount_[slot(value)] > countAtAcquisition_[slot(value)]) continue;
        if (now - startedAt_ > 2.0 * reportDeadline()) {
            fail("the probe did not report its " + std::string(probeValueName(value)));
            return;
        }
        if (awaitingQuery_ || !stepper_.mayPace()) return;
        awaitingQuery_ = value;
        awaitingCountAt_ = reportCount_[slot(value)];
        recordsAtAsk_ = records_;
        sentAt_ = now;
        stepper_.sendPaced(protocol::reported(value).query);
        return;
    }
    const auto setting = reportedSetting();
    if (!setting) {
        fail("the probe reports a frequency index the list does not hold");
        return;
    }
    stepper_.confirmAll();  // every value reported anew
    snapshot_ = reported_;
    snapshotTime_ = wall_.now();
    found_ = *setting;
    Setting manual = found_;
    manual.tuningMode = 1;
    chosen_ = manual;
    steps_.push_back({PlannedStep{Pass::AsFound, Knob::Frequency, manual}, {}, {}, {}, false});
    appendSteps(coarseSteps(manual));
    handle(Event::SnapshotTaken);
}

// Moving ----------------------------------------------------------------------

void Assistant::noteLine() {
    stepper_.line();
    lastLineAt_ = steady_.seconds();
}

bool Assistant::send(char c) {
    sendingOwn_ = true;
    ownSent_ = false;
    commands_.send(c);
    sendingOwn_ = false;
    return ownSent_;
}

std::uint64_t Assistant::reports(Knob k) const {
    return reportCount_[slot(knobValue(k))];
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

void Assistant::work(double now) {
    const double silence = std::max(kMinSilenceSeconds, 4.0 * cycleSeconds());
    if (now - lastLineAt_ > silence) {
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
        if (!moved || !stepper_.mayPace()) return;
    }
}

bool Assistant::enoughReadings(const StepReadings& r, int n) const {
    return static_cast<int>(r.echoBounce.size()) >= n &&
           static_cast<int>(r.burstBounce.size()) >= n && (!context_.echoRecords || r.records >= n);
}

// Moving, then one cycle discarded (up to the next echo bounce report), then readings.
bool Assistant::measure(StepResult& step, int readings, double now) {
    switch (stage_) {
        case Stage::Moving: {
            if (moveToward(step.plan.target, now) != Stepper::Move::Settled) return false;
            step.actual = *reportedSetting();
            echoSeenAtSettle_ = reportCount_[slot(ProbeValue::EchoBounce)];
            stage_ = Stage::Discarding;
            settledAt_ = now;
            return false;
        }
        case Stage::Discarding:
        case Stage::Collecting:
            // The readings come with every cycle: a step that gets too few
            // within three times their cycles has lost them.
            if (now - settledAt_ > 3.0 * (readings + 2) * cycleSeconds() + reportDeadline()) {
                fail("the probe did not report its echo and burst bounce");
                return false;
            }
            // Where the cycle loses them, asked for after each record.
            if (asksBounces_ && bouncesAsked_ < 2 && stepper_.mayPace()) {
                const ProbeValue v =
                    bouncesAsked_ == 0 ? ProbeValue::EchoBounce : ProbeValue::BurstBounce;
                if (stepper_.sendPaced(protocol::reported(v).query)) ++bouncesAsked_;
            }
            break;
    }
    switch (stage_) {
        case Stage::Moving: return false;
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

double Assistant::deadZoneMm() const {
    const auto& dz = reported_[ProbeValue::DeadZone];
    if (!dz) return 0.0;
    return reported_.unitOf(ProbeValue::DeadZone) == "in" ? *dz * 25.4 : *dz * 10.0;
}

double Assistant::distanceOf(double fillMm) const {
    return context_.zeroOffsetMm - fillMm;
}

}  // namespace purlo::tuning
