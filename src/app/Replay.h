// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <bitset>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "app/ConsoleState.h"
#include "files/SampleFiles.h"

namespace purlo {

// Seconds from an arbitrary start, never going back: the time base a paced
// replay runs on. Tests give the console a clock of their own.
class ReplayClock {
  public:
    virtual ~ReplayClock() = default;
    virtual double seconds() const = 0;
};

// std::chrono::steady_clock.
const ReplayClock& systemReplayClock();

// Seconds into a recording after `bytes` of it at `baud` bits a second (10
// bits a byte: the file holds no timestamps); 0 without a baud rate.
double recordingSeconds(std::int64_t bytes, std::int32_t baud);
// The bytes of a recording that take `seconds`, the other way round.
std::int64_t recordingBytes(double seconds, std::int32_t baud);
// recordingSeconds as "hh:mm:ss", whole seconds (hours go on past 99).
std::string recordingClock(std::int64_t bytes, std::int32_t baud);

// The decoded state of a playback at a line start: what a seek restores
// before the playback goes on from there.
struct ReplayCheckpoint {
    std::int64_t position = 0;  // bytes of the recording read (playback_pos)
    std::int32_t records = 0;   // echo records read before (playback_count)
    ConsoleState state;         // its probe values and reply code are the ones restored
    // What the window showed of those values: one text per control a reply
    // sets (in the order the seek knows them), then the window caption.
    std::vector<std::string> texts;
    // The reply codes decoded since the playback began: their values are
    // the recording's there, the others those from before it.
    std::bitset<128> reported;
};

// How the operator wants a recording played back: flat out (the default),
// or paced at a multiple of the time it took to record, paused, one echo
// record at a time, or from another place. The monitor window sets it; the
// receive loop asks it before every byte of a playback, and looks no further
// while it plays flat out and unpaused (engaged() is false).
class Replay {
  public:
    // Recording seconds played a second; kFastest plays as fast as possible.
    static constexpr double kFastest = 0.0;
    // A paced playback wakes at most this often and reads every byte due by
    // then at once, so real time costs five wakes a second, not one a byte
    // (and under 1 % of a core; at 40 wakes a second it was 3.7 %).
    static constexpr double kChunkSeconds = 0.2;
    // Further behind than this (the window was busy, a dialog was open), it
    // carries on from where it is instead of rushing to catch up.
    static constexpr double kBehindSeconds = 0.25;
    // A silent replay keeps a checkpoint about this often.
    static constexpr std::int64_t kCheckpointBytes = std::int64_t{1} << 20;
    static constexpr double kPaused = std::numeric_limits<double>::infinity();

    explicit Replay(const ReplayClock& clock = systemReplayClock()) : clock_(&clock) {}

    void setClock(const ReplayClock& clock);
    const ReplayClock& clock() const { return *clock_; }

    void setSpeed(double factor);
    double speed() const { return speed_; }
    void setPaused(bool paused);
    bool paused() const { return paused_; }
    // Reads on to the end of the next echo record, then pauses.
    void step();
    bool stepping() const { return steps_ > 0; }
    // Asks to go on from `position` (bytes read), or rather from the first
    // line start at or after it; taken by the receive loop.
    void seek(std::int64_t position);
    std::optional<std::int64_t> takeSeek();
    bool seekPending() const { return seek_.has_value(); }

    // Whether the receive loop must ask before the next byte.
    bool engaged() const { return engaged_; }

    // Seconds to wait before the byte after `position` is due at `baud` bits a
    // second (10 bits a byte): 0 when it is due now, kPaused while paused.
    // A wait lasts a chunk at least, but never past the end of the recording
    // (`length` bytes), so it ends on time.
    double waitBefore(std::int64_t position, std::int32_t baud, std::int64_t length);
    // An echo record was read: ends a step.
    void recordRead();
    // Paces afresh from the next byte on (after a seek, a new start).
    void restartPace() { anchored_ = false; }
    // The playback ended or was disarmed: a pause, step or seek asked for it
    // does not carry over to the next one (whose Start must never seem to do
    // nothing); the speed chosen does, as the replay bar shows it.
    void playbackEnded() {
        paused_ = false;
        steps_ = 0;
        seek_.reset();
        anchored_ = false;
        update();
    }
    // A playback was armed: nothing pressed before applies to it (a pause
    // from before must not hold its Start), and the checkpoints of the file
    // armed before go.
    void playbackArmed() {
        playbackEnded();
        checkpoints.clear();
        checkpointsComplete = false;
        startRun = ~std::uint64_t{0};
    }

    // Checkpoints of this playback, ordered by position; the first is its start.
    std::vector<ReplayCheckpoint> checkpoints;
    std::int64_t checkpointBytes = kCheckpointBytes;
    // Whether they reach the end of the recording.
    bool checkpointsComplete = false;
    // The Start run (Console::startRuns) that kept the first checkpoint.
    std::uint64_t startRun = ~std::uint64_t{0};
    // The file the checkpoints were read from, as it was then.
    FileIdentity checkpointsOf;

  private:
    void update() { engaged_ = speed_ != kFastest || paused_ || steps_ > 0 || seek_.has_value(); }

    const ReplayClock* clock_;
    double speed_ = kFastest;
    bool paused_ = false;
    int steps_ = 0;
    std::optional<std::int64_t> seek_;
    bool engaged_ = false;
    bool anchored_ = false;
    double anchorTime_ = 0.0;
    std::int64_t anchorPosition_ = 0;
};

}  // namespace purlo
