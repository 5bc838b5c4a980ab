// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "monitor/Clocks.h"
#include "monitor/CsvLog.h"
#include "observe/Observer.h"
#include "tuning/Figures.h"
#include "tuning/Plan.h"

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

enum class Phase : std::uint8_t {
    Idle,      // nothing asked yet, or a run ended (see `outcome`)
    Snapshot,  // asking for what has not been reported, switching to manual tuning
    Sweeping,
    Paused,  // the technician sent a command meanwhile: go on or stop?
    Done,    // swept: apply the best or keep the probe as it was
    Applying,
    Restoring,
    LinkGone,  // acquisition stopped or the port was lost with parameters changed
};

// A step as it ran.
struct StepResult {
    PlannedStep plan;
    Setting actual;  // what the probe reported when the step began collecting
    StepReadings readings;
    Figures figures;
    bool done = false;
};

// The tuning assistant: an automated operator that steps the probe's
// frequency, burst length and voltage with the buttons' own commands, one
// per reply line, measures each step from the decoded replies and echo
// records it observes, and leaves the probe as found unless the best is
// applied. It never blocks: `tick` (a timer, a few times a second) sends
// the next command when one is due, the observer calls only take notes.
class Assistant final : public Observer {
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
    // Starts a run (whyNotReady() empty); the service record goes into `folder`.
    void start(const RunContext& context, const std::filesystem::path& folder);
    void tick();

    // The technician's answers.
    void goOn();         // Paused: measure the interrupted step again
    void keepAsItWas();  // any time: step every changed parameter back
    void applyBest();    // Done: step to the best and verify with ten readings
    void restoreNow();   // LinkGone with acquisition back: restore at once
    // Exit asked: true when the console should wait while the probe is
    // stepped back (a run left parameters changed and acquisition runs); the
    // restore starts then. Otherwise the run, if any, ends as `abandon` ends it.
    bool holdExit();
    // The console ends now: the run ends here, its record naming what is left changed.
    void abandon(const std::string& why);

    Phase phase() const { return phase_; }
    // One line for the technician: what happens now, or how the run ended.
    const std::string& status() const { return status_; }
    // How the last run ended, for the window's "before and after".
    const std::string& outcome() const { return outcome_; }
    bool revision(std::uint64_t& seen) const;

    // What the probe reported last, and the snapshot taken before the first command.
    const LastValues& reported() const { return reported_; }
    const std::optional<LastValues>& snapshot() const { return snapshot_; }
    std::optional<LocalTime> snapshotTime() const { return snapshotTime_; }
    std::optional<Setting> reportedSetting() const;
    // The setting the run under way started from (its plan's ground), once
    // the snapshot is taken; nothing while no run is under way.
    std::optional<Setting> runFrom() const;
    // Knobs whose last report differs from the snapshot.
    std::vector<Knob> changedKnobs() const;

    const std::vector<StepResult>& steps() const { return steps_; }
    std::optional<std::size_t> currentStep() const;
    std::optional<std::size_t> bestStepIndex() const { return best_; }
    std::optional<Setting> chosen() const { return chosen_; }
    std::optional<StepResult> verification() const { return verify_; }
    // The dead time as the probe last reported it, as a distance in mm.
    double deadZoneMm() const;
    // A dead time that clears the ringing at the chosen setting, and why.
    std::string deadTimeSuggestion() const;

    // Progress: steps finished of the steps planned, and the seconds left.
    int stepsDone() const;
    int stepsPlanned() const { return planned_; }
    double secondsLeft() const;
    double cycleSeconds() const;
    // The service record written at the run's end (empty path when none).
    const std::filesystem::path& recordFile() const { return recordFile_; }
    const std::string& recordProblem() const { return recordProblem_; }

  private:
    enum class Stage : std::uint8_t { Moving, Discarding, Collecting };
    void send(char c);
    void noteLine();
    void resetMove();
    bool moveToward(const Setting& target, double now);
    bool enoughReadings(const StepReadings& r, int n) const;
    bool measure(StepResult& step, int readings, double now);
    void snapshotTick(double now);
    void beginStep(std::size_t index);
    void sweepTick(double now);
    void planNext();
    void appendSteps(const std::vector<PlannedStep>& steps);
    void chooseFrequency();
    void chooseBy(Pass pass, Knob knob);
    void finishRun(std::string outcome);
    void startRestore(std::string why);
    void restoreTick(double now);
    void applyTick(double now);
    void fail(const std::string& why);
    std::string changedNames() const;
    void touch() { ++revision_; }
    double distanceOf(double fillMm) const;
    void writeRecord();

    ProbeCommands& commands_;
    const SteadyClock& steady_;
    const WallClock& wall_;
    RunContext context_;
    std::filesystem::path folder_;

    Phase phase_ = Phase::Idle;
    Phase pausedFrom_ = Phase::Idle;
    Stage stage_ = Stage::Moving;
    std::string status_;
    std::string outcome_;
    std::uint64_t revision_ = 1;

    bool live_ = false;
    bool playback_ = false;
    LastValues reported_;
    std::array<std::uint64_t, kProbeValueCount> reportCount_{};
    std::optional<LastValues> snapshot_;
    std::optional<LocalTime> snapshotTime_;
    std::optional<LocalTime> startTime_;
    Setting found_;

    // Pacing: one command per reply line, and a command that steps waits for its report.
    bool sendingOwn_ = false;
    std::uint64_t linesSinceSend_ = 1;
    double lastLineAt_ = 0;
    double startedAt_ = 0;
    std::optional<Knob> awaiting_;
    bool awaitingQuery_ = false;
    ProbeValue awaitingQueryValue_ = ProbeValue::FillHeight;
    std::uint64_t awaitingCountAt_ = 0;
    double awaitingValue_ = 0;
    double sentAt_ = 0;
    std::array<bool, kKnobCount> atLimit_{};
    std::array<int, kKnobCount> lastDirection_{};
    std::array<std::uint64_t, kKnobCount> restoreCountAt_{};
    bool verified_ = false;  // Apply: the ten readings are in, the tuning mode goes back
    // After a pause: every knob's report count the view must pass before a move.
    std::optional<std::array<std::uint64_t, kKnobCount>> freshAfter_;
    double resumedAt_ = 0;

    std::vector<StepResult> steps_;
    std::size_t next_ = 0;  // the step being measured
    std::uint64_t echoSeenAtSettle_ = 0;
    int planned_ = 0;
    std::optional<std::size_t> best_;
    std::optional<Setting> chosen_;
    std::optional<StepResult> verify_;
    bool applied_ = false;

    // The pace of the request cycle, from the time between echo bounce reports.
    double lastEchoAt_ = -1.0;
    double cycleSeconds_ = 0.0;

    std::filesystem::path recordFile_;
    std::string recordProblem_;
};

}  // namespace purlo::tuning
