// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "diagram/EchoDrawing.h"
#include "diagram/Slots.h"
#include "fakes/Harness.h"
#include "fakes/ScriptedProbe.h"

namespace purlo::test {
namespace {

using Line = RecordingSurface::Line;

const std::string kSampleError = "* Error while getting draw diagram Samples! ";

// A console in live acquisition whose probe answers "=" with `record`.
struct LiveEcho : Harness {
    LiveEcho() {
        s.sample_length = 160;
        draw_3_diagrams_vertical_position(console);
        surface.lines.clear();
        port.open = true;
        s.port_open = true;
        port.inputLen = 1;  // text reads of one character, as the receive loop has it
        port.onOutput = [this](std::string_view data) {
            if (data == "=") port.feed(record);
        };
    }
    std::string readFile(std::string_view name) const { return test::readFile(console.file(name)); }
    void record_into_file() {
        console.files.openRecording(console.file("Purlo.Spl"));
        s.recording_on = true;
    }
    bool portLeftForTextReads() const { return port.mode == InputMode::Text && port.inputLen == 1; }
    std::string record;
};

// Reads the samples back from the trace: one baseline segment per sample,
// followed by a bar in the trace colour when the sample is high.
std::string tracedBits(const std::vector<Line>& lines) {
    std::string bits;
    for (const Line& l : lines) {
        if (l.colour != kTrace) continue;
        if (l.y1 == l.y2) {
            bits += '0';
        } else if (!bits.empty()) {
            bits.back() = '1';
        }
    }
    return bits;
}

std::string bitsOf(std::string_view bytes) {
    std::string bits;
    for (const char ch : bytes) {
        for (int bit = 7; bit >= 0; --bit)
            bits += ((static_cast<unsigned char>(ch) >> bit) & 1) ? '1' : '0';
    }
    return bits;
}

// Sample bytes without a marker or a "D" among them.
std::string sampleBytes(std::size_t count, unsigned seed) {
    std::string bytes;
    for (std::size_t i = 0; i < count; ++i) {
        auto b = static_cast<unsigned char>((i * 37 + seed) % 256);
        if (b == '=' || b == 'D') ++b;
        bytes += static_cast<char>(b);
    }
    return bytes;
}

struct ByteCase {
    unsigned char byte;
    std::vector<float> barsAt;
};

void PrintTo(const ByteCase& c, std::ostream* os) {
    *os << "byte " << int{c.byte};
}

class SampleByte : public testing::TestWithParam<ByteCase> {};

TEST_P(SampleByte, DrawsEightColumnsWithBarsForItsHighBits) {
    LiveEcho h;
    h.s.sample_length = 1;
    h.record = std::string("=") + static_cast<char>(GetParam().byte);
    Draw_one_sample(h.console);

    std::vector<Line> expected;
    for (float x = 0; x < 80; x += 10) {
        expected.push_back({kErase, x, 858, x, 558});
        expected.push_back({kTrace, x, 708, x + 10, 708});
        for (const float bar : GetParam().barsAt) {
            if (bar == x) expected.push_back({kTrace, x, 858, x, 558});
        }
    }
    EXPECT_EQ(h.surface.lines, expected);
    EXPECT_EQ(h.s.draw_x, 80);
    EXPECT_EQ(h.s.draw_y, 708);
}

INSTANTIATE_TEST_SUITE_P(EchoDrawing, SampleByte,
                         testing::Values(ByteCase{16, {30}}, ByteCase{17, {30, 70}},
                                         ByteCase{255, {0, 10, 20, 30, 40, 50, 60, 70}},
                                         ByteCase{0, {}}));

TEST(EchoDrawing, MarkerFirstDrawsAndRecordsTheWholeRecord) {
    LiveEcho h;
    h.record_into_file();
    const std::string samples = sampleBytes(160, 3);
    h.record = "=" + samples + "tail";
    Draw_one_sample(h.console);
    EXPECT_EQ(tracedBits(h.surface.lines), bitsOf(samples));
    EXPECT_EQ(h.s.draw_x, 12800);
    EXPECT_EQ(h.readFile("Purlo.Spl"), "=" + samples);
    EXPECT_EQ(h.port.sent, "=");
}

TEST(EchoDrawing, BytesInFrontOfTheMarkerAndBeyondTheRecordAreDropped) {
    LiveEcho h;
    h.record_into_file();
    const std::string samples = sampleBytes(160, 5);
    h.record = "D1\r=" + samples;  // an unread reply in front of the marker
    Draw_one_sample(h.console);
    EXPECT_EQ(tracedBits(h.surface.lines), bitsOf(samples.substr(0, 157)));
    EXPECT_EQ(h.readFile("Purlo.Spl"), "=" + samples.substr(0, 157));
}

TEST(EchoDrawing, WithoutAMarkerTheBytesFromIndex52AreDrawnAndRecorded) {
    LiveEcho h;
    h.record_into_file();
    const std::string received = sampleBytes(200, 11);
    h.record = received;
    Draw_one_sample(h.console);
    EXPECT_EQ(tracedBits(h.surface.lines), bitsOf(received.substr(52, 109)));
    EXPECT_EQ(h.readFile("Purlo.Spl"), received.substr(52, 109));
}

TEST(EchoDrawing, RasterTickMarksTheStartOfEveryByte) {
    LiveEcho h;
    h.s.sample_length = 2;
    h.s.raster_on = true;
    h.s.zoom_vertical = 250;
    h.record = std::string("=\0\0", 3);
    Draw_one_sample(h.console);
    ASSERT_GE(h.surface.lines.size(), 2u);
    EXPECT_EQ(h.surface.lines[0], (Line{kRasterTick, 0, 508, 0, 408}));
    // The erase of the first column then shortens the tick to above 458.
    EXPECT_EQ(h.surface.lines[1], (Line{kErase, 0, 958, 0, 458}));
    EXPECT_EQ(h.surface.lines[17], (Line{kRasterTick, 80, 508, 80, 408}));
    int ticks = 0;
    for (const Line& l : h.surface.lines) ticks += l.colour == kRasterTick;
    EXPECT_EQ(ticks, 2);
}

TEST(EchoDrawing, InfoLineGoesToTheSelectedSlotPieceByPiece) {
    LiveEcho h;
    h.ui.separator = ',';
    h.s.diagram_slot = 2;
    h.s.burst_b = -7;
    h.s.fill_height = -12.5f;
    h.s.echo_b = -2147483647 - 1;
    h.s.transducer_volt = 1234.0f;
    h.s.burst_length = 255;
    h.s.burst_interval = 0;
    h.s.sample_rate = 9;
    h.record = "=" + sampleBytes(160, 2);
    Draw_one_sample(h.console);
    EXPECT_EQ(h.ui.text(Control::Text_mid),
              "Burst B; -7     -12,5    Echo B; -2147483648      Us Volt; 1234      255 Pd    "
              "    int; 0    Sd; 9");
    EXPECT_EQ(h.ui.text(Control::Text_top), "");
    EXPECT_EQ(h.ui.text(Control::Text_bot), "");
    EXPECT_EQ(h.s.draw_y, 2436);
    EXPECT_EQ(h.surface.lines[1].y1, 2436);
}

TEST(EchoDrawing, BottomSlotGetsFractionsWithTheirSeparator) {
    LiveEcho h;
    h.s.diagram_slot = 3;
    h.s.fill_height = 0.25f;
    h.s.transducer_volt = 9.5f;
    h.s.burst_b = 12;
    h.s.echo_b = 340;
    h.s.burst_length = 4;
    h.s.burst_interval = 20;
    h.s.sample_rate = 2;
    h.record = "=" + sampleBytes(160, 4);
    Draw_one_sample(h.console);
    EXPECT_EQ(
        h.ui.text(Control::Text_bot),
        "Burst B; 12     0.25    Echo B; 340      Us Volt; 9.5      4 Pd        int; 20    Sd; 2");
    EXPECT_EQ(h.s.draw_y, 4188);
}

TEST(EchoPort, NormalRecordPreparesThePortAndRestoresTextReads) {
    LiveEcho h;
    h.port.feed("D12");  // an unread reply is discarded, not taken for the record
    h.record = "=" + sampleBytes(160, 6);
    Draw_one_sample(h.console);
    EXPECT_EQ(h.port.log, (std::vector<std::string>{"nulldiscard off", "mode binary", "clear",
                                                    "len 0", "mode text", "len 1"}));
    EXPECT_EQ(h.port.sent, "=");
    EXPECT_EQ(tracedBits(h.surface.lines).size(), 1280u);
    EXPECT_EQ(h.ui.listCount(), 1);
}

TEST(EchoPort, ClosedPortSendsAndDrawsNothing) {
    LiveEcho h;
    h.s.port_open = false;
    h.port.open = false;
    h.ui.setText(Control::Text_top, "earlier");
    Draw_one_sample(h.console);
    EXPECT_EQ(h.port.sent, "");
    EXPECT_TRUE(h.surface.lines.empty());
    EXPECT_EQ(h.ui.text(Control::Text_top), "earlier");
    EXPECT_EQ(h.ui.listCount(), 1);
    EXPECT_TRUE(h.portLeftForTextReads());
}

TEST(EchoPort, TraceStopsQuietlyAtTheLargestCoordinate) {
    LiveEcho h;
    h.record_into_file();
    h.s.zoom_horizontal = 26;
    const std::string samples(160, '\xff');
    h.record = "=" + samples;
    Draw_one_sample(h.console);
    EXPECT_EQ(h.ui.listCount(), 1);  // no error line
    EXPECT_TRUE(h.portLeftForTextReads());
    EXPECT_EQ(h.s.draw_x, 32760);
    EXPECT_EQ(tracedBits(h.surface.lines).size(), 1260u);
    float rightmost = 0;
    for (const Line& l : h.surface.lines) rightmost = std::max({rightmost, l.x1, l.x2});
    EXPECT_EQ(rightmost, 32760);
    EXPECT_NE(h.ui.text(Control::Text_top), "");
    // The recording keeps the whole record; only the view is cut.
    EXPECT_EQ(h.readFile("Purlo.Spl"), "=" + samples);
}

TEST(EchoPort, ABarBeyondTheCoordinateRangeFailsAfterTheRasterTick) {
    LiveEcho h;
    h.s.raster_on = true;
    h.s.slot_y_top = 32700;  // the tick fits, the bottom of a bar does not
    h.record = "=" + sampleBytes(160, 3);
    Draw_one_sample(h.console);
    EXPECT_EQ(h.ui.lastListLine(), kSampleError);
    const std::vector<Line> tick = {{kRasterTick, 0, 32500, 0, 32400}};
    EXPECT_EQ(h.surface.lines, tick);
    EXPECT_TRUE(h.portLeftForTextReads());
}

struct FailureCase {
    const char* name;
    std::function<void(LiveEcho&)> arrange;
};

void PrintTo(const FailureCase& f, std::ostream* os) {
    *os << f.name;
}

class EchoFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(EchoFailure, IsReportedAndLeavesThePortForTextReads) {
    LiveEcho h;
    h.record = "=" + sampleBytes(160, 8);
    GetParam().arrange(h);
    Draw_one_sample(h.console);
    EXPECT_EQ(h.ui.lastListLine(), kSampleError);
    EXPECT_EQ(h.ui.listIndex(), h.ui.listCount() - 1);
    EXPECT_TRUE(h.portLeftForTextReads());
}

INSTANTIATE_TEST_SUITE_P(
    EchoPort, EchoFailure,
    testing::Values(FailureCase{"FailingRead", [](LiveEcho& h) { h.port.failInput = true; }},
                    FailureCase{"FailingOutput", [](LiveEcho& h) { h.port.failOutput = true; }},
                    FailureCase{"PortFailsDuringTheWait",
                                [](LiveEcho& h) {
                                    h.record.clear();
                                    // The link dies under us: acquisition still thinks it runs.
                                    h.ui.atYield[3] = [&h] { h.port.setPortOpen(false); };
                                }},
                    FailureCase{"RecordingFileNotOpen",
                                [](LiveEcho& h) { h.s.recording_on = true; }},
                    FailureCase{"ShortRecordWithoutMarker",
                                [](LiveEcho& h) {
                                    h.s.sample_length = 10;
                                    h.record = sampleBytes(11, 1);
                                }}),
    [](const testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

TEST(EchoPort, ExitDuringTheWaitReturnsAtOnce) {
    LiveEcho h;
    h.ui.atYield[2] = [&h] { h.console.Com_exit_Click(); };
    Draw_one_sample(h.console);
    EXPECT_TRUE(h.ui.ended);
    EXPECT_EQ(h.ui.yields, 2);
    EXPECT_EQ(h.ui.listCount(), 1);
    EXPECT_TRUE(h.surface.lines.empty());
    EXPECT_TRUE(h.portLeftForTextReads());
}

TEST(EchoPort, WaitBlocksOnlyWhileNothingNewArrives) {
    LiveEcho h;
    const std::string record = "=" + sampleBytes(160, 9);
    h.ui.atYield[3] = [&] { h.port.feed(record.substr(0, 80)); };
    h.ui.atYield[5] = [&] { h.port.feed(record.substr(80)); };
    Draw_one_sample(h.console);
    // Yields 1 (first look) and 4 (80 bytes came) return at once; 2, 3, 5 block.
    EXPECT_EQ(h.ui.yields, 5);
    EXPECT_EQ(h.ui.idleYields, 3);
    EXPECT_EQ(tracedBits(h.surface.lines), bitsOf(record.substr(1)));
}

// A console playing Purlo.Spl back, the receive loop having just read the "=" at position 1.
struct PlaybackEcho : LiveEcho {
    explicit PlaybackEcho(const std::string& fileBytes) {
        s.port_open = false;
        port.open = false;
        std::ofstream(console.file("Purlo.Spl"), std::ios::binary) << fileBytes;
        console.files.openPlayback(console.file("Purlo.Spl"));
        s.playback_on = true;
        s.playback_pos = 1;
        port.log.clear();
    }
};

TEST(EchoPlayback, DrawsAtMost147BytesOfARecord) {
    const std::string samples = sampleBytes(160, 12);
    PlaybackEcho h("=" + samples + std::string(300, 'x'));
    h.console.files.openRecording(h.console.file("Other.Spl"));
    h.s.recording_on = true;
    Draw_one_sample(h.console);
    EXPECT_EQ(tracedBits(h.surface.lines), bitsOf(samples.substr(0, 147)));
    EXPECT_EQ(h.s.playback_pos, 148);
    EXPECT_EQ(h.readFile("Other.Spl"), "");  // nothing is recorded during playback
    EXPECT_EQ(h.port.sent, "");
    EXPECT_EQ(h.port.log, (std::vector<std::string>{"mode text", "len 1"}));
    EXPECT_EQ(h.ui.listCount(), 1);
}

TEST(EchoPlayback, TheReplyAfterTheRecordEndsItUndrawn) {
    PlaybackEcho h(std::string("=\x01\x02") + "D1234\r\n");
    Draw_one_sample(h.console);
    EXPECT_EQ(tracedBits(h.surface.lines), bitsOf("\x01\x02"));
    EXPECT_EQ(h.s.playback_pos, 3);  // the receive loop reads the "D" next
}

TEST(EchoPlayback, AReplyRightAfterTheMarkerDrawsNothing) {
    PlaybackEcho h("=D12\r\n");
    h.ui.setText(Control::Text_top, "earlier");
    Draw_one_sample(h.console);
    EXPECT_TRUE(tracedBits(h.surface.lines).empty());
    EXPECT_EQ(h.ui.text(Control::Text_top), "earlier");
}

TEST(EchoPlayback, ARecordCutByTheEndOfTheFileFinishesNormally) {
    const std::string samples = sampleBytes(10, 13);
    PlaybackEcho h("=" + samples);
    Draw_one_sample(h.console);
    EXPECT_EQ(tracedBits(h.surface.lines), bitsOf(samples));
    EXPECT_EQ(h.ui.listCount(), 1);
    EXPECT_NE(h.ui.text(Control::Text_top), "");
    EXPECT_TRUE(h.portLeftForTextReads());
    EXPECT_EQ(h.s.playback_pos, 12);
    EXPECT_FALSE(h.console.files.byteAt(h.s.playback_pos + 1));
}

// The receive loop around the drawing: after an echo record it must go on
// reading reply lines one character at a time.
TEST(EchoInTheLoop, LiveRecordAtStep16ThenTheCycleGoesOn) {
    Harness h;
    ScriptedProbe probe(h.port);
    const std::string samples = sampleBytes(160, 14);
    probe.replies['='] = "=" + samples;
    h.s.settings_loaded = true;
    h.s.sample_length = 160;
    h.ui.atYield[2000] = [&h] { h.console.click(Control::Com_start_stop); };
    h.console.click(Control::Com_start_stop);
    EXPECT_EQ(tracedBits(h.surface.lines).substr(0, 1280), bitsOf(samples));
    // "j" goes out only after the reply to "?" was read as a whole line.
    EXPECT_NE(h.port.sent.find("=?j"), std::string::npos);
    EXPECT_EQ(h.ui.listCount(), 1);
}

TEST(EchoInTheLoop, PlaybackOfARecordCutByTheEndOfTheFileEndsThePlayback) {
    Harness h;
    h.s.settings_loaded = true;
    const std::string samples = sampleBytes(10, 15);
    std::ofstream(h.console.file("Purlo.Spl"), std::ios::binary) << "D1234\r\n=" + samples;
    h.console.click(Control::Com_play_spl);
    h.console.click(Control::Com_start_stop);
    EXPECT_EQ(tracedBits(h.surface.lines), bitsOf(samples));
    EXPECT_FALSE(h.s.playback_on);
    EXPECT_EQ(h.s.playback_pos, 0);
    EXPECT_EQ(h.ui.lastListLine(),
              " **** Show recorded Purlo.Spl file. Start with command [start] **** ");
}

}  // namespace
}  // namespace purlo::test
