// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "acquisition/Replaying.h"
#include "fakes/ReplayHarness.h"

namespace purlo::test {
namespace {

TEST(Replay, RecordingTimeIsTenBitsAByteAtThePcRate) {
    EXPECT_EQ(recordingClock(0, kBaud), "00:00:00");
    EXPECT_EQ(recordingClock(959, kBaud), "00:00:00");
    EXPECT_EQ(recordingClock(960, kBaud), "00:00:01");
    // Forty minutes at 9600 bit/s, and a day and more at 1200.
    EXPECT_EQ(recordingClock(2'304'000, kBaud), "00:40:00");
    EXPECT_EQ(recordingClock(46'656'000 + 120 * 61, 1200), "108:01:01");
    EXPECT_EQ(recordingClock(5000, 0), "00:00:00");
    EXPECT_EQ(recordingBytes(recordingSeconds(123'456, kBaud), kBaud), 123'456);
    EXPECT_EQ(recordingBytes(-1.0, kBaud), 0);
}

TEST(Replay, EachSpeedTakesTheRecordingsTimeOverTheSpeedInAFewWakesASecond) {
    for (const double speed : {1.0, 2.0, 5.0, 10.0, 100.0}) {
        SCOPED_TRACE(speed);
        ReplayHarness h;
        h.console.replay.setSpeed(speed);
        h.arm();
        h.start();
        const double expected = static_cast<double>(h.file.size()) * kSecondsPerByte / speed;
        EXPECT_GE(h.clock.now, expected);
        EXPECT_LE(h.clock.now, expected + Replay::kChunkSeconds);
        // Paced in chunks: never more wakes than chunks in the time it took.
        EXPECT_GT(h.ui.timedYields, 0);
        EXPECT_LE(h.ui.timedYields, std::ceil(h.clock.now / Replay::kChunkSeconds) + 1);
        EXPECT_EQ(h.seen.records, kRecords);
        EXPECT_FALSE(h.s.playback_on);
    }
}

TEST(Replay, AsFastAsPossibleNeverWaits) {
    ReplayHarness h;
    h.arm();
    h.start();
    EXPECT_EQ(h.ui.timedYields, 0);
    EXPECT_EQ(h.ui.idleYields, 0);
    EXPECT_EQ(h.seen.records, kRecords);
    // Set back after a paced one, too.
    h.console.replay.setSpeed(10.0);
    h.console.replay.setSpeed(Replay::kFastest);
    EXPECT_FALSE(h.console.replay.engaged());
}

TEST(Replay, PauseHoldsThePositionUntilResumedAndStepReadsOneRecordAtATime) {
    ReplayHarness h;
    h.console.replay.setSpeed(1.0);
    std::int32_t pausedAt = 0;
    int countAtPause = 0;
    int yieldsPaused = 0;
    std::vector<int> afterSteps;
    int stepsAsked = 0;
    h.ui.everyYield = [&](int) {
        Replay& r = h.console.replay;
        if (pausedAt == 0 && h.s.playback_pos >= 700) {
            r.setPaused(true);
            pausedAt = h.s.playback_pos;
            countAtPause = h.s.playback_count;
        } else if (pausedAt != 0 && r.paused()) {
            ++yieldsPaused;
            if (!r.stepping()) {
                EXPECT_EQ(h.s.playback_count, countAtPause + stepsAsked);
            }
            // Held for a while, then two steps, each given time to run on.
            if (yieldsPaused == 50) {
                EXPECT_EQ(h.s.playback_pos, pausedAt);
            }
            if (yieldsPaused == 50 || yieldsPaused == 80) {
                r.step();
                ++stepsAsked;
            }
            if (yieldsPaused == 79 || yieldsPaused == 110) afterSteps.push_back(h.s.playback_count);
            if (yieldsPaused == 110) r.setPaused(false);
        }
    };
    h.arm();
    h.start();
    ASSERT_EQ(afterSteps.size(), 2u);
    EXPECT_EQ(afterSteps[0], countAtPause + 1);
    EXPECT_EQ(afterSteps[1], countAtPause + 2);
    EXPECT_EQ(h.seen.records, kRecords);
    EXPECT_FALSE(h.s.playback_on);
}

// Paused when it was disarmed: the next playback armed starts playing, at the
// speed chosen, and not paused where the operator may not see the bar.
TEST(Replay, APauseEndsWithItsPlaybackTheSpeedStays) {
    ReplayHarness h;
    h.console.replay.setSpeed(100.0);
    int disarmedAt = 0;
    h.ui.everyYield = [&](int n) {
        if (disarmedAt == 0 && h.s.playback_on && h.s.playback_pos >= 700) {
            h.console.replay.setPaused(true);
            h.arm();  // disarmed while paused: the loop goes live...
            disarmedAt = n;
        }
        if (disarmedAt != 0 && n == disarmedAt + 5) h.start();  // ...and is stopped
    };
    h.arm();
    h.start();
    ASSERT_FALSE(h.s.playback_on);
    ASSERT_LT(h.seen.records, kRecords);

    h.ui.everyYield = nullptr;
    h.seen.records = 0;
    h.arm();
    EXPECT_FALSE(h.console.replay.paused());
    EXPECT_EQ(h.console.replay.speed(), 100.0);
    h.start();  // from where the last one was disarmed, as ever, to the end
    EXPECT_GT(h.seen.records, 0);
    EXPECT_FALSE(h.s.playback_on);
    EXPECT_EQ(h.ui.text(Control::Com_play_spl), "#");
}

// What an ending leaves behind, as the operator and the probe see it.
struct Outcome {
    std::vector<std::string> texts;
    std::vector<std::optional<Colour>> backs;
    std::string caption;
    std::vector<std::string> list;
    bool playing = false;
    std::int32_t position = 0;
    std::int32_t count = 0;
    std::vector<std::string> portLog;
    std::string sent;
    bool ended = false;
    std::size_t lines = 0;
    int records = 0;
    friend bool operator==(const Outcome&, const Outcome&) = default;
};

enum class Ending { EndOfFile, Disarm, NestedStart, Exit };

// Plays at `speed` (paused just before the ending when `pausedFirst`) and
// ends the way asked, 1500 bytes in.
Outcome play(double speed, Ending ending, bool pausedFirst) {
    ReplayHarness h;
    h.console.replay.setSpeed(speed);
    int endedAt = 0;
    int pausedYields = 0;
    h.ui.everyYield = [&](int n) {
        if (endedAt == 0 && h.s.playback_on && h.s.playback_pos >= 1500 &&
            ending != Ending::EndOfFile) {
            if (pausedFirst && pausedYields++ < 5) {
                h.console.replay.setPaused(true);
                return;
            }
            endedAt = n;
            if (ending == Ending::Disarm) h.arm();
            // The run that takes over goes on paused, as it was (resumed below).
            if (ending == Ending::NestedStart) h.start();
            if (ending == Ending::Exit) h.console.click(Control::Com_exit);
        }
        if (ending == Ending::NestedStart && pausedFirst && endedAt != 0 && n == endedAt + 5) {
            h.console.replay.setPaused(false);
        }
        // Disarmed, the loop goes live; stop it a few passes later.
        if (ending == Ending::Disarm && endedAt != 0 && n == endedAt + 5) h.start();
    };
    h.arm();
    h.start();
    Outcome o;
    for (const ControlInfo& info : controlTable()) {
        o.texts.push_back(h.ui.text(info.id));
        o.backs.push_back(h.ui.back(info.id));
    }
    o.caption = h.ui.windowCaption();
    o.list = h.ui.list;
    o.playing = h.s.playback_on;
    o.position = h.s.playback_pos;
    o.count = h.s.playback_count;
    o.portLog = h.port.log;
    o.sent = h.port.sent;
    o.ended = h.ui.ended;
    o.lines = h.surface.lines.size();
    o.records = h.seen.records;
    return o;
}

TEST(Replay, EveryEndingLeavesWhatItLeavesFlatOutAtEverySpeedAndPaused) {
    for (const Ending ending :
         {Ending::EndOfFile, Ending::Disarm, Ending::NestedStart, Ending::Exit}) {
        SCOPED_TRACE(static_cast<int>(ending));
        const Outcome flatOut = play(Replay::kFastest, ending, false);
        for (const double speed : {1.0, 2.0, 5.0, 10.0, 100.0}) {
            SCOPED_TRACE(speed);
            EXPECT_EQ(play(speed, ending, false), flatOut);
            if (ending != Ending::EndOfFile) {
                EXPECT_EQ(play(speed, ending, true), flatOut);
            }
        }
    }
}

// The state a playback from the start shows at `position`: the recording
// cut there, played flat out to its end.
struct Shown {
    std::vector<std::string> texts;
    std::string caption;
    float fill = 0;
    float temperature = 0;
    friend bool operator==(const Shown&, const Shown&) = default;
};

Shown shown(const Harness& h) {
    Shown s;
    for (const Control c : {Control::Com_view_temperature, Control::Com_micro_view_baudrate,
                            Control::Com_view_us_fq}) {
        s.texts.push_back(h.ui.text(c));
    }
    s.caption = h.ui.windowCaption();
    s.fill = h.s.fill_height;
    s.temperature = h.s.temperature;
    return s;
}

Shown playedTo(const std::string& file, std::int64_t position) {
    ReplayHarness h(file.substr(0, static_cast<std::size_t>(position)));
    h.arm();
    h.start();
    return shown(h);
}

TEST(Replay, SeekLandsOnTheNextLineStartWithTheValuesAndCountOfThere) {
    std::string file = "x9600\r\nq30\r\n" + recording(40);
    ReplayHarness h(file);
    h.console.replay.checkpointBytes = 300;  // several on the way
    h.arm();
    std::string line;
    ASSERT_TRUE(playbackMayRead(h.console, line));  // the start is kept
    const auto size = static_cast<std::int64_t>(file.size());
    // Forward, into a record, a reply, exactly on a line start; then back,
    // past the checkpoints made on the way; and beyond the end.
    for (const std::int64_t target :
         {std::int64_t{900}, std::int64_t{30}, std::int64_t{1203}, firstLineStartFrom(file, 1500),
          std::int64_t{1900}, std::int64_t{0}, std::int64_t{444}, size + 50}) {
        SCOPED_TRACE(target);
        seekPlayback(h.console, target);
        const std::int64_t landed = firstLineStartFrom(file, target);
        EXPECT_EQ(h.s.playback_pos, landed);
        EXPECT_EQ(h.seen.seeks.back(), static_cast<std::uint64_t>(landed));
        const auto before = std::count(file.begin(), file.begin() + landed, '=');
        EXPECT_EQ(h.s.playback_count, before);
        EXPECT_EQ(h.ui.text(Control::Com_play_spl), before == 0 ? "#" : std::to_string(before));
        EXPECT_EQ(shown(h), playedTo(file, landed));
    }
    EXPECT_GT(h.console.replay.checkpoints.size(), 4u);
}

TEST(Replay, ASeekWhilePausedGoesOnFromThereToTheEnd) {
    ReplayHarness h;
    h.console.replay.setSpeed(5.0);
    const std::int64_t target = firstLineStartFrom(h.file, std::int64_t{10} * 54 + 3);
    const auto before = static_cast<int>(std::count(h.file.begin(), h.file.begin() + target, '='));
    int recordsAtSeek = 0;
    int pausedYields = 0;
    h.ui.everyYield = [&](int) {
        Replay& r = h.console.replay;
        if (h.s.playback_pos >= 2000 && !r.paused() && pausedYields == 0) r.setPaused(true);
        if (!r.paused()) return;
        ++pausedYields;
        if (pausedYields == 3) {
            recordsAtSeek = h.seen.records;
            r.seek(target - 2);
        }
        if (pausedYields == 10) {
            EXPECT_EQ(h.s.playback_pos, target);
            EXPECT_EQ(h.s.playback_count, before);
            r.setPaused(false);
        }
    };
    h.arm();
    h.start();
    EXPECT_EQ(h.seen.records, recordsAtSeek + kRecords - before);
    EXPECT_EQ(h.ui.windowCaption(),
              playedTo(h.file, static_cast<std::int64_t>(h.file.size())).caption);
    EXPECT_FALSE(h.s.playback_on);
}

TEST(Replay, WaitingKeepsCheckpointsAheadToTheEndAndSeeksFromThemAlike) {
    ReplayHarness h;
    h.console.replay.checkpointBytes = 200;
    std::vector<std::int64_t> landed;
    h.ui.everyYield = [&](int n) {
        Replay& r = h.console.replay;
        if (n == 40) {
            EXPECT_TRUE(r.checkpointsComplete);
            EXPECT_GE(r.checkpoints.size(), h.file.size() / 200 - 1);
            for (std::size_t k = 1; k < r.checkpoints.size(); ++k) {
                const std::int64_t at = r.checkpoints[k].position;
                EXPECT_EQ(at, firstLineStartFrom(h.file, at));
                EXPECT_EQ(r.checkpoints[k].records,
                          std::count(h.file.begin(), h.file.begin() + at, '='));
            }
            r.seek(2222);
        }
        if (n == 45) {
            landed.push_back(h.s.playback_pos);
            EXPECT_EQ(shown(h), playedTo(h.file, h.s.playback_pos));
            h.console.click(Control::Com_exit);
        }
    };
    h.arm();
    h.console.replay.setPaused(true);  // armed, then paused before Start
    h.start();
    EXPECT_EQ(landed, std::vector<std::int64_t>{firstLineStartFrom(h.file, 2222)});
}

TEST(Replay, ASeekAskedForBeforeStartIsWhereThePlaybackBegins) {
    ReplayHarness h;
    h.arm();
    const std::int64_t target = firstLineStartFrom(h.file, std::int64_t{30} * 54);
    h.console.replay.seek(target);
    h.start();
    const auto before = static_cast<int>(std::count(h.file.begin(), h.file.begin() + target, '='));
    EXPECT_EQ(h.seen.records, kRecords - before);
    EXPECT_FALSE(h.s.playback_on);
}

}  // namespace
}  // namespace purlo::test
