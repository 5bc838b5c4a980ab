#include <gtest/gtest.h>

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
              "Close communication port first with command button [Stop]\r\nThen, Select button [#] and [start]. "
              "Make sure that the recorded file Purlo.Spl is present in the Purlo program directory. Function "
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
    EXPECT_EQ(h.ui.lastListLine(), " **** Show recorded Purlo.Spl file. Start with command [start] **** ");
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
    EXPECT_EQ(h.ui.lastListLine(), "* Error or no Purlo.Spl file, See program info. * Check Comport!");
    EXPECT_FALSE(h.s.playback_on);
}

TEST(Playback, PlaysEveryLineToTheTrueEndOfTheFile) {
    PlaybackHarness h;
    h.s.zero_offset_mm = 2000;
    // Lines end at the line feed; the carriage return before it is harmless,
    // and the last line has no line feed at all.
    h.record("c215\r\nq30\r\nD1500");
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

}  // namespace
}  // namespace purlo::test
