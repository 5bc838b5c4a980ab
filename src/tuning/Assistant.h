// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/Clocks.h"
#include "monitor/CsvLog.h"
#include "observe/Observer.h"
#include "tuning/Figures.h"
#include "tuning/Plan.h"
#include "tuning/Stepper.h"

namespace purlo::tuning {

// Sends one command character as the button that carries it does. A
// button that holds its character back, or a closed port, sends nothing;
// the assistant finds out from the replies that do not come.
class ProbeCommands {
  public:
    virtual ~ProbeCommands() = default;
    virtual void send(char command) = 0;
};

// What the assistant needs to know of the console when it starts.
struct RunContext {
    std::int32_t baudRate = 9600;
    bool echoRecords = true;  // the echo drawing is on: every cycle brings a record
    int recordBytes = 160;
    int zeroOffsetMm = 0;  // the fill height is this less the distance
    bool inchUnits = false;
};

// Where a run stands. Every change of phase goes through the table of
// phases and events (Assistant.cpp, kTransitions).
enum class Phase : std::uint8_t {
    Idle,            // nothing asked yet, or a run ended (see `outcome`)
    Snapshot,        // asking for what has not been reported in this acquisition
    Sweeping,        // stepping through the plan and measuring each step
    Paused,          // the technician sent a command meanwhile: go on or stop?
    AwaitingChoice,  // swept: the technician applies the best or keeps the probe as it was
    Applying,        // stepping to the best and verifying it with fresh readings
    Restoring,       // stepping every changed parameter back to the snapshot
    LinkGone,        // acquisition stopped with parameters changed: back when it runs again
};
std::string_view phaseName(Phase p);

// What moves a run: the technician, the window, the console and the probe's
// reports, and (the last five) what the phase's own work comes to.
enum class Event : std::uint8_t {
    Start,
    Report,
    Tick,
    TechnicianCommand,
    GoOn,
    Apply,
    Keep,
    RestoreNow,
    WindowClosed,
    WindowOpened,
    AcquisitionStopped,
    PortLost,
    AcquisitionBack,
    ExitAsked,
    ExitForced,
    SnapshotTaken,
    Swept,
    Applied,
    Restored,
    Failed,
};
std::string_view eventName(Event e);

// What the window may offer the technician now.
enum class Choice : std::uint8_t { Start, GoOn, Apply, Keep, RestoreNow, Write };

// What a transition does besides entering its phase.
enum class Action : std::uint8_t {
    None,
    BeginRun,     // a new run: its record, snapshot and plan start afresh
    Work,         // the phase's own work: a query, a move, a step measured
    Collect,      // a reading or echo record for the step being measured
    Pause,        // remember where the run stood
    Resume,       // back to the phase that paused; moves wait for fresh reports
    HoldExit,     // Exit waits while the probe is stepped back, for as long as its pace needs
    Acknowledge,  // the technician has seen the window
};
std::string_view actionName(Action a);

struct Transition {
    Phase from;
    Event event;
    Phase to;  // the same phase: it stays; Resume goes back to the phase that paused
    Action action;
};
// The whole table, for the documentation and the tests.
std::span<const Transition> transitions();

// A step as it ran.
struct StepResult {
    PlannedStep plan;
    Setting actual;  // what the probe reported when the step began collecting
    StepReadings readings;
    Figures figures;
    bool done = false;
    bool skipped = false;  // its knob could not reach it and the value it stood at was measured
};

// The tuning assistant: an automated operator that steps the probe's
// frequency, burst length and voltage with the buttons' own commands, one
// per reply line, measures each step from the decoded replies and echo
// records it observes, and leaves the probe as found unless the best is
// applied. It never blocks: `tick` (a timer, a few times a second) sends
// the next command when one is due, the observer calls only take notes.
// Everything that moves a run is an Event, looked up in one table.
class Assistant final : public Observer, private Stepper::Probe {
  public:
    Assistant(ProbeCommands& commands, const SteadyClock& steady, const WallClock& wall);

    // Observer
    void replyDecoded(const DecodedReply& reply) override;
    void echoRecord(std::span<const std::uint8_t> bytes) override;
    void commandSent(char command) override;
    void linkOpened(std::string_view portName, std::string_view device) override;
    void linkClosed() override;
    void linkLost() override;
    void playbackStarted(std::uint64_t fileBytes, std::int32_t pcBaudRate) override;
    void playbackEnded() override;

    // Why a run cannot start now (empty when it can): live acquisition must run.
    std::string whyNotReady() const;
    // Starts a run (offers(Choice::Start)); the service record goes into `folder`.
    void start(const RunContext& context, const std::filesystem::path& folder);
    void tick() { handle(Event::Tick); }

    // The technician's answers, and the window.
    void goOn() { handle(Event::GoOn); }
    void keepAsItWas() { handle(Event::Keep); }
    void applyBest() { handle(Event::Apply); }
    void restoreNow() { handle(Event::RestoreNow); }
    void windowClosed() { handle(Event::WindowClosed); }
    void windowOpened() { handle(Event::WindowOpened); }
    // Exit asked: true when the console should wait while the probe is
    // stepped back (a run left parameters changed and acquisition runs); the
    // restore starts then. Otherwise the run, if any, ends as `abandon` ends it.
    bool holdExit();
    // The console ends now: the run ends here, its record naming what is left changed.
    void abandon(const std::string& why);
    // While Exit waits: the seconds left before the console ends anyway.
    std::optional<double> exitSecondsLeft() const;

    bool offers(Choice c) const;
    Phase phase() const { return phase_; }
    // One line for the technician: what happens now, or how the run ended.
    const std::string& status() const { return status_; }
    // How the last run ended, for the window's "before and after".
    const std::string& outcome() const { return outcome_; }
    bool revision(std::uint64_t& seen) const;
    // Counts the moments the technician must know of (a restore failed,
    // parameters left changed): the window then opens itself.
    std::uint64_t alerts() const { return alerts_; }
    // Whether acquisition runs: the receive loop decodes replies on an open link.
    bool acquiring() const { return acquiring_; }

    // What the probe reported last, and the snapshot taken before the first command.
    const LastValues& reported() const { return reported_; }
    const std::optional<LastValues>& snapshot() const { return snapshot_; }
    std::optional<LocalTime> snapshotTime() const { return snapshotTime_; }
    std::optional<Setting> reportedSetting() const override;
    // The setting the run under way started from (its plan's ground), once
    // the snapshot is taken; nothing while no run is under way.
    std::optional<Setting> runFrom() const;
    // Knobs whose last report differs from the snapshot.
    std::vector<Knob> changedKnobs() const;
    // "frequency 14.0 kHz (index 53, found 30)": the knobs left changed, with their values.
    std::string changedNames(const std::vector<Knob>& leaveOut = {}) const;

    const std::vector<StepResult>& steps() const { return steps_; }
    std::optional<std::size_t> currentStep() const;
    std::optional<std::size_t> bestStepIndex() const { return best_; }
    std::optional<Setting> chosen() const { return chosen_; }
    std::optional<StepResult> verification() const { return verify_; }
    // What the run had to say about its plan (a pass skipped at a limit).
    const std::vector<std::string>& notes() const { return notes_; }
    // The dead time as the probe last reported it, as a distance in mm.
    double deadZoneMm() const;
    // A dead time that clears the ringing at the chosen setting, and why.
    std::string deadTimeSuggestion() const;

    // Progress: steps finished of the steps planned, and the seconds left.
    int stepsDone() const;
    int stepsPlanned() const { return planned_; }
    double secondsLeft() const;
    double cycleSeconds() const;
    // How long a step command's report, or a whole cycle's, may take at the pace measured.
    double reportDeadline() const;
    // The service record written at the run's end (empty path when none).
    const std::filesystem::path& recordFile() const { return recordFile_; }
    const std::string& recordProblem() const { return recordProblem_; }

  private:
    enum class Stage : std::uint8_t { Moving, Discarding, Collecting };
    // Stepper::Probe
    std::uint64_t reports(Knob k) const override;
    bool send(char c) override;

    void handle(Event e);
    void act(Action a, Event e);
    void enter(Phase p);
    void fail(const std::string& why);
    void collect(const DecodedReply* reply, std::span<const std::uint8_t> record);

    void noteLine();
    double lineSeconds() const;
    double exitWaitSeconds() const;
    void work(double now);
    bool measure(StepResult& step, int readings, double now);
    bool enoughReadings(const StepReadings& r, int n) const;
    void snapshotTick(double now);
    void beginStep(std::size_t index);
    void sweepTick(double now);
    void planNext();
    void appendSteps(const std::vector<PlannedStep>& steps);
    void chooseFrequency();
    void chooseBy(Pass pass, Knob knob);
    std::string sweptStatus() const;
    void restoreTick(double now);
    Stepper::Move moveToward(const Setting& target, double now);
    void askOncePerCycle(Knob k);
    void applyTick(double now);
    bool movedSinceSnapshot() const;
    void touch() { ++revision_; }
    double distanceOf(double fillMm) const;
    void writeRecord();

    ProbeCommands& commands_;
    const SteadyClock& steady_;
    const WallClock& wall_;
    RunContext context_;
    std::filesystem::path folder_;
    Stepper stepper_{*this};

    Phase phase_ = Phase::Idle;
    Phase pausedFrom_ = Phase::Idle;
    Stage stage_ = Stage::Moving;
    std::string status_;
    std::string outcome_;
    std::string why_;  // what the event under way says (a failure, an outcome)
    char pausedBy_ = '\0';
    std::uint64_t revision_ = 1;
    std::uint64_t entries_ = 0;  // phases entered: an action that entered one itself
    std::uint64_t alerts_ = 0;
    const DecodedReply* reply_ = nullptr;
    std::span<const std::uint8_t> record_;

    bool linkOpen_ = false;
    bool acquiring_ = false;
    bool playback_ = false;
    LastValues reported_;
    std::array<std::uint64_t, kProbeValueCount> reportCount_{};
    std::array<std::uint64_t, kProbeValueCount> countAtAcquisition_{};
    std::optional<LastValues> snapshot_;
    std::optional<LocalTime> snapshotTime_;
    std::optional<LocalTime> startTime_;
    Setting found_;
    bool runOpen_ = false;  // a run whose record is not written yet

    // Sending: whether the console sent our command (its button may hold it back).
    bool sendingOwn_ = false;
    bool ownSent_ = false;
    double lastLineAt_ = 0;
    double startedAt_ = 0;
    std::optional<ProbeValue> awaitingQuery_;
    std::uint64_t awaitingCountAt_ = 0;
    double sentAt_ = 0;
    std::uint64_t records_ = 0;  // echo records received
    std::uint64_t recordsAtAsk_ = 0;
    std::array<std::uint64_t, kKnobCount> restoreCountAt_{};
    std::vector<Knob> stuck_;         // knobs a restore cannot bring back
    double restoreSettledAt_ = -1.0;  // when the restore's moves were done
    bool verified_ = false;           // Apply: the ten readings are in, the tuning mode goes back
    std::optional<double> exitDeadline_;

    std::vector<StepResult> steps_;
    std::size_t next_ = 0;  // the step being measured
    std::uint64_t echoSeenAtSettle_ = 0;
    double settledAt_ = 0;
    int planned_ = 0;
    std::optional<std::size_t> best_;
    std::optional<Setting> chosen_;
    std::optional<StepResult> verify_;
    bool applied_ = false;
    std::vector<std::string> notes_;

    // The pace of the request cycle, from the time between echo records (or
    // between echo bounce reports, without records).
    double lastEchoAt_ = -1.0;
    double lastRecordAt_ = -1.0;
    double cycleSeconds_ = 0.0;
    // Where the request cycle stands: the console clears what it has not
    // read when it asks for an echo record, so at a slow rate the replies of
    // the cycle's last queries, and of commands sent late in it, never come.
    bool recordAwaited_ = false;
    int sentSinceRecord_ = 0;
    // Seen in this acquisition: a cycle whose echo bounce was lost; the
    // assistant then asks for both bounces itself after each record.
    bool asksBounces_ = false;
    int bouncesAsked_ = 0;
    bool askedThisCycle_ = false;  // a knob the restore waits for was asked for
    std::uint64_t echoAtRecord_ = 0;
    void noteCycle(double seconds);
    void updateReplyWindow();
    void paceOn();

    std::filesystem::path recordFile_;
    std::string recordProblem_;
};

}  // namespace purlo::tuning
