// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "acquisition/Playback.h"
#include "fakes/Harness.h"

namespace purlo::test {
namespace {

struct PlaybackHarness : Harness {
    PlaybackHarness() { s.settings_loaded = true; }
    void record(const std::string& bytes) { writeFile(console.file("Purlo.Spl"), bytes); }
    void arm() { console.click(Control::Com_play_spl); }
    void start() { console.click(Control::Com_start_stop); }
};

TEST(Playback, ArmingWhileLiveOnlyShowsTheMessage) {
    PlaybackHarness h;
    h.s.port_open = true;
    h.arm();
    ASSERT_EQ(h.ui.messages.size(), 1u);
    EXPECT_EQ(h.ui.messages[0].text,
              "Close communication port first with command button [Stop]\r\nThen, Select button "
              "[#] and [start]. "
              "Make sure that the recorded file Purlo.Spl is present in the Purlo program "
              "directory. Function "
              "can be stopped by pusshing button [#] again.");
    EXPECT_EQ(h.ui.messages[0].title, "");
    EXPECT_EQ(h.ui.messages[0].buttons, Buttons::Ok);
    EXPECT_FALSE(h.s.playback_on);
    EXPECT_FALSE(h.console.files.playing());
}

TEST(Playback, ArmingCreatesAMissingFile) {
    PlaybackHarness h;
    h.arm();
    EXPECT_TRUE(h.s.playback_on);
    EXPECT_TRUE(std::filesystem::exists(h.console.file("Purlo.Spl")));
    EXPECT_EQ(h.ui.back(Control::Com_play_spl), Colour::of(160, 0, 0));
    EXPECT_EQ(h.ui.lastListLine(),
              " **** Show recorded Purlo.Spl file. Start with command [start] **** ");
    EXPECT_EQ(h.ui.listIndex(), 1);
}

TEST(Playback, DisarmingRestoresBothButtons) {
    PlaybackHarness h;
    h.arm();
    h.arm();
    EXPECT_FALSE(h.s.playback_on);
    EXPECT_FALSE(h.console.files.playing());
    EXPECT_EQ(h.ui.back(Control::Com_play_spl), Colour::face());
    EXPECT_EQ(h.ui.text(Control::Com_play_spl), "#");
    EXPECT_EQ(h.ui.text(Control::Com_start_stop), "Start");
    EXPECT_EQ(h.ui.back(Control::Com_start_stop), Colour::face());
}

TEST(Playback, AFileThatCannotBeOpenedIsReported) {
    PlaybackHarness h;
    std::filesystem::create_directory(h.console.file("Purlo.Spl"));
    h.arm();
    EXPECT_EQ(h.ui.lastListLine(),
              "* Error or no Purlo.Spl file, See program info. * Check Comport!");
    EXPECT_FALSE(h.s.playback_on);
}

TEST(Playback, PlaysEveryLineToTheTrueEndOfTheFile) {
    PlaybackHarness h;
    h.s.zero_offset_mm = 2000;
    // Lines end at the line feed; the carriage return before it is harmless,
    // and the last line has no line feed at all (the recording stopped
    // right after its carriage return).
    h.record("c215\r\nq30\r\nD1500\r");
    h.arm();
    h.start();
    EXPECT_EQ(h.ui.text(Control::Com_view_temperature), "21.5");
    EXPECT_EQ(h.ui.text(Control::Com_view_us_fq), "25.1kc");
    EXPECT_EQ(h.ui.windowCaption(), " 500 mm");
    // The end resets everything for the next playback from the start.
    EXPECT_FALSE(h.s.playback_on);
    EXPECT_FALSE(h.console.files.playing());
    EXPECT_EQ(h.s.playback_pos, 0);
    EXPECT_EQ(h.s.playback_count, 0);
    EXPECT_EQ(h.ui.text(Control::Com_play_spl), "#");
    EXPECT_EQ(h.ui.back(Control::Com_play_spl), Colour::face());
    // Nothing was sent: the port was never opened.
    EXPECT_FALSE(h.port.open);
    EXPECT_EQ(h.port.sent, "");
}

TEST(Playback, AnEmptyFileEndsAtOnce) {
    PlaybackHarness h;
    h.arm();
    h.start();
    EXPECT_FALSE(h.s.playback_on);
    EXPECT_EQ(h.ui.yields, 1);
}

TEST(Playback, ASecondStartDuringPlaybackDoesNotStopIt) {
    PlaybackHarness h;
    h.record("c215\r\nc100\r\nc50\r\n");
    h.ui.atYield[3] = [&h] { h.start(); };
    h.arm();
    h.start();
    EXPECT_EQ(h.ui.text(Control::Com_view_temperature), "5");
    EXPECT_FALSE(h.s.playback_on);
    EXPECT_FALSE(h.port.open);
}

TEST(Playback, DisarmedWhileRunningGoesLiveAndResumesLater) {
    PlaybackHarness h;
    h.record("c215\r\nc100\r\nc50\r\n");
    // Disarm after the first line; the loop then starts live acquisition, which we stop.
    h.ui.atYield[8] = [&h] { h.arm(); };
    h.ui.atYield[9] = [&h] { EXPECT_EQ(h.ui.text(Control::Com_start_stop), "Stop"); };
    h.ui.atYield[12] = [&h] { h.start(); };
    h.arm();
    h.start();
    EXPECT_EQ(h.ui.text(Control::Com_view_temperature), "21.5");
    EXPECT_EQ(h.s.playback_pos, 7);
    EXPECT_EQ(h.ui.text(Control::Com_start_stop), "Start");
    EXPECT_EQ(h.port.sent, "?");  // live for a moment
    // Armed again, the playback goes on after the kept position.
    h.ui.atYield.clear();
    h.arm();
    h.start();
    EXPECT_EQ(h.ui.text(Control::Com_view_temperature), "5");
    EXPECT_EQ(h.s.playback_pos, 0);
}

TEST(Playback, ALastLineThatNeverEndedIsNotDecoded) {
    // A recording stopped in the middle of "x9600", and one that stopped
    // inside an echo record's sample bytes read as text.
    for (const std::string tail : {"x96",
                                   "\x81\x82"
                                   "c9"}) {
        PlaybackHarness h;
        h.ui.setText(Control::Com_micro_view_baudrate, "");
        h.record("x9600\r\nc215\r\n" + tail);
        h.arm();
        h.start();
        EXPECT_EQ(h.ui.text(Control::Com_micro_view_baudrate), "9600") << tail;
        EXPECT_EQ(h.ui.text(Control::Com_view_temperature), "21.5") << tail;
        EXPECT_FALSE(h.s.playback_on);
        EXPECT_EQ(h.ui.list.size(), 2u) << h.ui.lastListLine();
    }
}

TEST(Playback, ALastLineThatFailsToDecodeStillEndsThePlayback) {
    PlaybackHarness h;
    h.record("c215\r\nq300\r");  // a frequency index beyond 8 bits
    h.arm();
    h.start();
    EXPECT_EQ(h.ui.lastListLine(), "* Error while getting RS232 data via communication chanel!");
    EXPECT_EQ(std::ranges::count(h.ui.list, h.ui.lastListLine()), 1);
    EXPECT_FALSE(h.s.playback_on);
    EXPECT_FALSE(h.console.files.playing());
    EXPECT_EQ(h.s.playback_pos, 0);
    EXPECT_EQ(h.ui.text(Control::Com_play_spl), "#");
    EXPECT_EQ(h.ui.back(Control::Com_play_spl), Colour::face());
    EXPECT_EQ(h.ui.text(Control::Com_start_stop), "Start");
    // Armed again, it plays from the start.
    h.arm();
    h.start();
    EXPECT_EQ(h.ui.text(Control::Com_view_temperature), "21.5");
}

// A Start clicked during a playback runs nested and takes over. However the
// nested run ends, the outer run must then end too, never start acquisition
// again behind the operator's back.
struct NestedTakeOver : PlaybackHarness {
    NestedTakeOver() {
        std::string lines;
        for (int i = 0; i < 100; ++i) lines += "c215\r\n";
        record(lines);
        ui.atYield[3] = [this] { start(); };  // the nested run carries on the playback
        ui.atYield[6] = [this] { arm(); };    // disarmed: the nested run goes live
    }
    int count(std::string_view line) const {
        return static_cast<int>(std::ranges::count(ui.list, line));
    }
};

TEST(Playback, AfterANestedRunIsDisarmedAndStoppedNothingStartsAgain) {
    NestedTakeOver h;
    h.ui.atYield[9] = [&h] { h.start(); };  // the operator's Stop
    h.arm();
    h.start();
    EXPECT_EQ(h.port.sent, "?");  // once, when the nested run went live
    EXPECT_FALSE(h.port.open);
    EXPECT_FALSE(h.s.port_open);
    EXPECT_EQ(h.ui.text(Control::Com_start_stop), "Start");
    EXPECT_EQ(h.ui.back(Control::Com_start_stop), Colour::face());
}

TEST(Playback, AfterANestedRunFailsNothingStartsAgain) {
    NestedTakeOver h;
    h.ui.atYield[9] = [&h] { h.port.failInput = true; };
    h.arm();
    h.start();
    EXPECT_EQ(h.port.sent, "?");
    EXPECT_FALSE(h.port.open);
    EXPECT_EQ(h.count("* Error while getting RS232 data via communication chanel!"), 1);
    EXPECT_EQ(h.ui.lastListLine(), "* Error while getting RS232 data via communication chanel!");
    EXPECT_EQ(h.ui.text(Control::Com_start_stop), "Start");
}

TEST(Playback, AfterANestedRunCannotOpenThePortNothingIsTriedAgain) {
    NestedTakeOver h;
    h.ui.atYield[5] = [&h] { h.port.failOpen = true; };
    h.arm();
    h.start();
    EXPECT_EQ(h.port.sent, "");
    EXPECT_EQ(h.count("* Error while setting Comm. Port or baudrate!"), 1);
    EXPECT_EQ(h.ui.lastListLine(), "* Error while setting Comm. Port or baudrate!");
}

TEST(Playback, AfterANestedRunFailsWhilePlayingTheOuterRunDoesNotResumeIt) {
    PlaybackHarness h;
    std::string lines;
    for (int i = 0; i < 100; ++i) lines += "c215\r\n";
    h.record(lines + "q300\r\n" + lines);
    h.ui.atYield[3] = [&h] { h.start(); };
    h.arm();
    h.start();
    // The failure keeps the playback armed where it stopped, for the operator
    // to decide; the outer run must not carry it on by itself.
    EXPECT_EQ(h.ui.lastListLine(), "* Error while getting RS232 data via communication chanel!");
    EXPECT_TRUE(h.s.playback_on);
    EXPECT_EQ(h.s.playback_pos, static_cast<int>(lines.size()) + 6);
}

}  // namespace
}  // namespace purlo::test
