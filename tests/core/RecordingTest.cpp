// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>

#include "fakes/Harness.h"
#include "fakes/ScriptedProbe.h"

namespace purlo::test {
namespace {

// An echo record of `length` sample bytes that holds none of the bytes a
// playback treats specially (line feed, "=", "D"), so live and playback draw alike.
std::string echoRecord(int length) {
    std::string r = "=";
    for (int i = 0; i < length; ++i) r += static_cast<char>(0x80 | ((i * 37) & 0x3f));
    return r;
}

// The lines of the echo trace, without the slot baselines each Start draws.
std::vector<RecordingSurface::Line> echoLines(const std::vector<RecordingSurface::Line>& lines) {
    std::vector<RecordingSurface::Line> echo;
    for (const auto& l : lines) {
        if (l.colour != kBaseline) echo.push_back(l);
    }
    return echo;
}

void sendCommand(Harness& h, const std::string& box) {
    h.ui.setText(Control::Text_command_to_send, box);
    h.console.click(Control::Com_command_to_send);
}

struct LiveSession {
    explicit LiveSession(Harness& h) : probe(h.port) {
        h.s.settings_loaded = true;
        h.s.sample_length = 140;
        h.s.zero_offset_mm = 2000;
        probe.replies['='] = echoRecord(140);
    }
    ScriptedProbe probe;
};

TEST(Recording, KeepsExactlyWhatTheProbeSentDuringLiveAcquisition) {
    Harness h;
    LiveSession live(h);
    std::size_t recordedFrom = 0;
    auto stopped = std::make_shared<bool>(false);
    h.ui.atYield[5] = [&] {
        recordedFrom = live.probe.toPc.size() - h.port.inbox.size();
        sendCommand(h, "#");
    };
    h.ui.everyYield = [&, stopped](int) {
        // Two full request cycles, each with an echo record.
        if (!*stopped && h.ui.yields > 5 && h.port.sent.size() >= 40) {
            *stopped = true;
            sendCommand(h, "?");  // any other command ends the recording
            h.console.click(Control::Com_start_stop);
        }
    };
    h.console.click(Control::Com_start_stop);
    ASSERT_TRUE(*stopped);
    EXPECT_FALSE(h.s.recording_on);
    EXPECT_EQ(h.port.sent.find("#"), std::string::npos);  // the recorder command is never sent
    const std::string recorded = readFile(h.console.file("Purlo.Spl"));
    EXPECT_GT(recorded.size(), 2 * 141u);
    // Whatever arrived after the recording started, up to the bytes still
    // waiting unread at the stop, less what the console discards by design:
    // the line feed still waiting when an echo record is asked for.
    std::string expected = live.probe.toPc.substr(recordedFrom);
    for (auto at = expected.find("\r\n="); at != std::string::npos;
         at = expected.find("\r\n=", at)) {
        expected.erase(at + 1, 1);
    }
    expected.resize(expected.size() - h.port.inbox.size());
    EXPECT_EQ(recorded, expected);
}

TEST(Recording, BytesDiscardedBeforeAnEchoRecordAreNotKept) {
    Harness h;
    LiveSession live(h);
    // The probe sends stray bytes before the marker: they are neither drawn nor recorded.
    live.probe.replies['='] = "xy" + echoRecord(140);
    h.console.files.openRecording(h.console.file("Purlo.Spl"));
    h.s.recording_on = true;
    auto stopped = std::make_shared<bool>(false);
    h.ui.everyYield = [&, stopped](int) {
        if (!*stopped && h.port.sent.find('=') != std::string::npos) {
            *stopped = true;
            h.console.click(Control::Com_start_stop);
        }
    };
    h.console.click(Control::Com_start_stop);
    // The marker at index 2 leaves room for 138 sample bytes of the 140 read.
    const std::string recorded = readFile(h.console.file("Purlo.Spl"));
    EXPECT_TRUE(recorded.ends_with("\r" + echoRecord(140).substr(0, 139))) << recorded;
    EXPECT_EQ(recorded.find("xy="), std::string::npos);
}

TEST(Recording, PlaybackShowsWhatLiveShowed) {
    Harness live;
    LiveSession session(live);
    live.console.files.openRecording(live.console.file("Purlo.Spl"));
    live.s.recording_on = true;
    auto stopped = std::make_shared<bool>(false);
    live.ui.everyYield = [&, stopped](int) {
        // Stop right after the distance reply that follows the first echo record.
        if (!*stopped && live.port.sent.size() >= 18 && live.port.inbox.empty()) {
            *stopped = true;
            live.console.click(Control::Com_start_stop);
        }
    };
    live.console.click(Control::Com_start_stop);
    live.console.files.closeRecording();
    const auto liveEcho = echoLines(live.surface.lines);

    Harness replay;
    replay.s.settings_loaded = true;
    replay.s.sample_length = 140;
    replay.s.zero_offset_mm = 2000;
    std::filesystem::copy_file(live.console.file("Purlo.Spl"), replay.console.file("Purlo.Spl"));
    replay.console.click(Control::Com_play_spl);
    replay.console.click(Control::Com_start_stop);

    EXPECT_FALSE(replay.s.playback_on);
    EXPECT_FALSE(replay.port.open);
    for (Control c :
         {Control::Com_view_burst_interval, Control::Com_view_us_fq, Control::Com_view_zender_volt,
          Control::Com_view_dead_time, Control::Com_view_koef, Control::Com_view_temperature,
          Control::Com_view_us_speed, Control::Com_micro_view_baudrate, Control::Com_auto_manuel,
          Control::Com_probe_print_on, Control::Text_top}) {
        EXPECT_EQ(replay.ui.text(c), live.ui.text(c)) << controlInfo(c).name;
    }
    EXPECT_EQ(replay.ui.windowCaption(), live.ui.windowCaption());
    EXPECT_FALSE(liveEcho.empty());
    EXPECT_EQ(echoLines(replay.surface.lines), liveEcho);
}

TEST(Recording, ANewRecordingLeavesNoTailOfAnOlderOne) {
    Harness h;
    {
        std::ofstream old(h.console.file("Purlo.Spl"), std::ios::binary);
        old << std::string(5000, 'Z');
    }
    h.port.open = true;
    h.s.port_open = true;
    sendCommand(h, "#");
    EXPECT_TRUE(h.s.recording_on);
    EXPECT_EQ(readFile(h.console.file("Purlo.Spl")), "");
}

TEST(Recording, AFullDiskEndsAcquisitionAndTheRecordingAndKeepsWhatWasWritten) {
    Harness h;
    LiveSession live(h);
    sendCommand(h, "#");
    ASSERT_TRUE(h.s.recording_on);
    h.console.click(Control::Com_start_stop);  // closes the link the send opened
    h.ui.atYield[30] = [&] {
        // From here on every write fails, as on a full disk.
        h.console.files.closeRecording();
        h.console.files.openRecording("/dev/full");
    };
    h.console.click(Control::Com_start_stop);
    const auto n = h.ui.list.size();
    ASSERT_GE(n, 2u);
    EXPECT_EQ(
        h.ui.list[n - 2],
        "* Recording stopped: Purlo.Spl could not be written. What was recorded before is kept.");
    EXPECT_EQ(h.ui.list[n - 1], "* Error while getting RS232 data via communication chanel!");
    EXPECT_EQ(h.ui.text(Control::Com_start_stop), "Start");
    EXPECT_FALSE(h.port.open);
    // The recording is over: the box is black again and nothing holds the file.
    EXPECT_FALSE(h.s.recording_on);
    EXPECT_FALSE(h.console.files.recording());
    EXPECT_EQ(h.ui.fore(Control::Text_command_to_send), Colour::palette(0));
    const std::string kept = readFile(h.console.file("Purlo.Spl"));
    EXPECT_FALSE(kept.empty());
    EXPECT_EQ(kept, live.probe.toPc.substr(0, kept.size()));

    // The next Start works: acquisition runs until the operator stops it.
    h.ui.atYield.clear();
    h.port.sent.clear();
    h.ui.atYield[h.ui.yields + 40] = [&] { h.console.click(Control::Com_start_stop); };
    h.console.click(Control::Com_start_stop);
    EXPECT_EQ(h.ui.list.size(), n);
    EXPECT_TRUE(h.port.sent.starts_with("?")) << h.port.sent;
    EXPECT_GT(h.port.sent.size(), 5u) << "the request cycle went on";
    EXPECT_EQ(h.ui.text(Control::Com_start_stop), "Start");
}

TEST(Recording, AFullDiskDuringAnEchoRecordEndsTheRecordingToo) {
    Harness h;
    LiveSession live(h);
    sendCommand(h, "#");
    h.console.click(Control::Com_start_stop);
    // Every write fails from the echo record's marker on.
    const auto answer = h.port.onOutput;
    h.port.onOutput = [&, answer](std::string_view data) {
        if (data == "=") {
            h.console.files.closeRecording();
            h.console.files.openRecording("/dev/full");
        }
        answer(data);
    };
    h.ui.atYield[400] = [&] { h.console.click(Control::Com_start_stop); };
    h.console.click(Control::Com_start_stop);
    EXPECT_FALSE(h.s.recording_on);
    EXPECT_EQ(h.ui.fore(Control::Text_command_to_send), Colour::palette(0));
    EXPECT_NE(std::ranges::find(h.ui.list, "* Error while getting draw diagram Samples! "),
              h.ui.list.end());
    EXPECT_EQ(std::ranges::count(h.ui.list,
                                 "* Recording stopped: Purlo.Spl could not be written. What was "
                                 "recorded before is kept."),
              1);
}

}  // namespace
}  // namespace purlo::test
