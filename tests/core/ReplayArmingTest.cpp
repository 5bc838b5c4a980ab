// SPDX-License-Identifier: GPL-3.0-or-later
// What belongs to one arming of a playback: the seek checkpoints of the file
// opened then, and a pause or step asked for while it was armed.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "acquisition/Replaying.h"
#include "fakes/ReplayHarness.h"

namespace purlo::test {
namespace {

// The texts a seek restores that both recordings below report, and the count.
struct Place {
    std::string baud;
    std::string frequency;
    std::string temperature;
    std::string caption;
    std::string count;
    friend bool operator==(const Place&, const Place&) = default;
};

Place place(const Harness& h) {
    return {h.ui.text(Control::Com_micro_view_baudrate), h.ui.text(Control::Com_view_us_fq),
            h.ui.text(Control::Com_view_temperature), h.ui.windowCaption(),
            h.ui.text(Control::Com_play_spl)};
}

// The place `position` of `file` as a playback from its start shows it.
Place playedTo(const std::string& file, std::int64_t position) {
    ReplayHarness h(file);
    Place there;
    h.arm();
    h.at(static_cast<std::int32_t>(position), [&] {
        EXPECT_EQ(h.s.playback_pos, position);
        there = place(h);
        h.console.click(Control::Com_exit);
    });
    h.start();
    return there;
}

// Two recordings that differ before their places alike: the second reports
// another baud rate and frequency, and its records lie elsewhere.
const std::string kFirst = "x9600\r\nq20\r\n" + recording(50);
const std::string kSecond = "x4800\r\nq30\r\nc99\r\nc98\r\n" + recording(70);

// Seeks to `target` in the playback armed last, and returns where it landed.
std::int64_t seekThere(ReplayHarness& h, std::int64_t target) {
    seekPlayback(h.console, target);
    return h.s.playback_pos;
}

TEST(ReplayArming, ARecordingArmedAfterAnotherSeeksOnItsOwnValues) {
    ReplayHarness h(kFirst);
    h.console.replay.checkpointBytes = 300;
    h.arm();
    std::string line;
    ASSERT_TRUE(playbackMayRead(h.console, line));
    // Checkpoints all through the first file, then disarmed far into it.
    seekThere(h, static_cast<std::int64_t>(kFirst.size()) - 60);
    ASSERT_GT(h.console.replay.checkpoints.size(), 5u);
    h.arm();
    ASSERT_FALSE(h.s.playback_on);
    ASSERT_GT(h.s.playback_pos, 0);  // where the next playback goes on from

    writeFile(h.console.file("Purlo.Spl"), kSecond);
    h.arm();
    for (const std::int64_t target : {std::int64_t{1500}, std::int64_t{2900}, std::int64_t{700}}) {
        SCOPED_TRACE(target);
        const std::int64_t landed = seekThere(h, target);
        EXPECT_EQ(landed, firstLineStartFrom(kSecond, target));
        EXPECT_EQ(place(h), playedTo(kSecond, landed));
    }
}

TEST(ReplayArming, AFileChangedUnderTheArmedPlaybackDropsItsCheckpoints) {
    ReplayHarness h(kFirst);
    h.console.replay.checkpointBytes = 300;
    h.arm();
    std::string line;
    ASSERT_TRUE(playbackMayRead(h.console, line));
    seekThere(h, static_cast<std::int64_t>(kFirst.size()));
    ASSERT_GT(h.console.replay.checkpoints.size(), 5u);
    // Written again in place (the same file, another size and time), as a
    // recording into it does.
    writeFile(h.console.file("Purlo.Spl"), kSecond);
    for (const std::int64_t target : {std::int64_t{2500}, std::int64_t{1100}}) {
        SCOPED_TRACE(target);
        const std::int64_t landed = seekThere(h, target);
        EXPECT_EQ(landed, firstLineStartFrom(kSecond, target));
        EXPECT_EQ(place(h), playedTo(kSecond, landed));
    }
}

// Play/Pause and Step pressed with nothing armed, or in a playback that
// ended: the next playback armed plays when Start is clicked.
TEST(ReplayArming, APauseOrStepFromBeforeArmingDoesNotHoldThePlayback) {
    for (const bool step : {false, true}) {
        SCOPED_TRACE(step);
        ReplayHarness h;
        h.ui.maxYields = 20000;
        if (step) {
            h.console.replay.step();
        } else {
            h.console.replay.setPaused(true);
        }
        h.arm();
        h.start();
        EXPECT_EQ(h.seen.records, kRecords);
        EXPECT_FALSE(h.s.playback_on);
    }
    // Paused after arming, it waits for the operator as asked.
    ReplayHarness h;
    h.arm();
    h.console.replay.setPaused(true);
    h.ui.atYield[50] = [&h] {
        EXPECT_TRUE(h.console.replay.paused());
        EXPECT_EQ(h.s.playback_pos, 0);
        h.console.replay.setPaused(false);
    };
    h.start();
    EXPECT_EQ(h.seen.records, kRecords);
}

}  // namespace
}  // namespace purlo::test
