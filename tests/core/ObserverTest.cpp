// SPDX-License-Identifier: GPL-3.0-or-later
// What the console reports to its observer: every decoded value with its
// unit, each echo record as drawn, each command sent, the link, and a
// playback with its position, at the points where the window learns them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/Harness.h"
#include "fakes/ScriptedProbe.h"
#include "observe/Observer.h"
#include "support/SettingsFixture.h"

namespace purlo::test {
namespace {

struct Reply {
    ProbeValue value;
    double number;
    std::string unit;
    friend bool operator==(const Reply&, const Reply&) = default;
};

// Everything reported, as one ordered log of short entries besides the details.
struct LoggingObserver : Observer {
    void replyDecoded(const DecodedReply& r) override {
        replies.push_back({r.value, r.number, std::string(r.unit)});
        log += "r";
    }
    void echoRecord(std::span<const std::uint8_t> bytes) override {
        records.emplace_back(bytes.begin(), bytes.end());
        log += "e";
    }
    void commandSent(char command) override { commands += command; }
    void linkOpened(std::string_view port, std::string_view) override {
        log += "open(" + std::string(port) + ")";
    }
    void linkClosed() override { log += "closed"; }
    void linkLost() override { log += "lost"; }
    void playbackStarted(std::uint64_t bytes, std::int32_t baud) override {
        log += "play(" + std::to_string(bytes) + "," + std::to_string(baud) + ")";
    }
    void playbackPosition(std::uint64_t read) override {
        positions.push_back(read);
        log += "p";
    }
    void playbackSeeked(std::uint64_t read) override {
        log += "seek(" + std::to_string(read) + ")";
    }
    void playbackValue(const DecodedReply& r) override {
        log += "value(" + std::to_string(r.number) + ")";
    }
    void playbackEnded() override { log += "end"; }

    std::vector<Reply> replies;
    std::vector<std::vector<std::uint8_t>> records;
    std::vector<std::uint64_t> positions;
    std::string commands;
    std::string log;
};

std::string record(int length) {
    std::string r = "=";
    for (int i = 0; i < length; ++i) r += static_cast<char>(0x80 | ((i * 37) & 0x3f));
    return r;
}

struct Observed : Harness {
    Observed() {
        console.setObserver(seen);
        s.settings_loaded = true;
        s.sample_length = 40;
        s.zero_offset_mm = 2000;
    }
    LoggingObserver seen;
};

TEST(Observer, LiveAcquisitionReportsValuesRecordsCommandsAndTheLink) {
    Observed h;
    ScriptedProbe probe(h.port);
    probe.replies['='] = record(40);
    runUntil(h, [&] { return h.seen.records.size() >= 2; });

    EXPECT_TRUE(h.seen.log.starts_with("open(Comm1)")) << h.seen.log;
    EXPECT_TRUE(h.seen.log.ends_with("closed")) << h.seen.log;
    // Every command that went out, in order: the port's own log.
    EXPECT_EQ(h.seen.commands, h.port.sent);
    EXPECT_TRUE(h.seen.commands.starts_with("?jPsqYmwkxcego")) << h.seen.commands;
    // Values as the decoder stored them, in the operator's units.
    const auto has = [&](Reply r) {
        return std::find(h.seen.replies.begin(), h.seen.replies.end(), r) != h.seen.replies.end();
    };
    EXPECT_TRUE(has({ProbeValue::FillHeight, 2000.0 - 1234.0, "mm"}));
    EXPECT_TRUE(has({ProbeValue::Temperature, static_cast<double>(21.5f), "°C"}));
    EXPECT_TRUE(has({ProbeValue::FrequencyKhz, static_cast<double>(25.1f), "kHz"}));
    EXPECT_TRUE(has({ProbeValue::ProbeBaudRate, 9600.0, "bit/s"}));
    EXPECT_TRUE(has({ProbeValue::ReceiveMode, 2.0, ""}));
    EXPECT_TRUE(has({ProbeValue::EchoBounce, 5.0, ""}));  // shown nowhere, reported all the same
    // The records' bytes as drawn, after their marker.
    const std::string bytes = record(40).substr(1);
    ASSERT_GE(h.seen.records.size(), 2u);
    EXPECT_EQ(h.seen.records[0], std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    EXPECT_TRUE(h.seen.positions.empty()) << "no playback";
}

// More than one listener: each hears everything, in the order it happened.
TEST(Observer, AListPassesEveryEventToEachObserver) {
    Harness h;
    h.s.settings_loaded = true;
    h.s.sample_length = 40;
    LoggingObserver first;
    LoggingObserver second;
    ObserverList both;
    both.add(first);
    both.add(second);
    h.console.setObserver(both);
    ScriptedProbe probe(h.port);
    probe.replies['='] = record(40);
    runUntil(h, [&] { return first.records.size() >= 2; });
    EXPECT_TRUE(first.log.ends_with("closed")) << first.log;
    EXPECT_EQ(first.log, second.log);
    EXPECT_EQ(first.replies, second.replies);
    EXPECT_EQ(first.commands, h.port.sent);
    EXPECT_EQ(second.commands, h.port.sent);
    // What only a seek of the replay bar reports.
    both.playbackSeeked(7);
    both.playbackValue({ProbeValue::Temperature, 20.5, "°C"});
    EXPECT_TRUE(second.log.ends_with("seek(7)value(20.500000)")) << second.log;
    EXPECT_EQ(first.log, second.log);
}

TEST(Observer, InchUnitsComeWithTheirValues) {
    Observed h;
    h.s.inch_units = true;
    ScriptedProbe probe(h.port);
    runUntil(h, [&] { return h.seen.replies.size() >= 16; });
    int inInch = 0;
    for (const Reply& r : h.seen.replies) {
        if (r.value == ProbeValue::FillHeight || r.value == ProbeValue::DeadZone ||
            r.value == ProbeValue::TemperatureCoefficient) {
            EXPECT_TRUE(r.unit == "inch" || r.unit == "in" || r.unit == "in/s") << r.unit;
            ++inInch;
        }
    }
    EXPECT_GE(inInch, 3);
}

TEST(Observer, APortThatFailsWhileOpenIsReportedLostOnce) {
    Observed h;
    h.ui.atYield[5] = [&h] { h.port.failInput = true; };
    h.console.click(Control::Com_start_stop);
    EXPECT_EQ(h.seen.log, "open(Comm1)lost");
}

TEST(Observer, APlaybackReportsItsLengthPositionsValuesRecordsAndEnd) {
    Observed h;
    const std::string file = "c215\r\nD1500\r" + record(10) + "D1400\r\nx96";
    writeFile(h.console.file("Purlo.Spl"), file);
    h.s.pc_baud_rate = 9600;
    h.console.click(Control::Com_play_spl);
    h.console.click(Control::Com_start_stop);

    EXPECT_EQ(h.seen.log, "play(" + std::to_string(file.size()) + ",9600)prprpeprpend")
        << h.seen.log;
    // Each position reported covers the bytes of what follows it.
    EXPECT_EQ(h.seen.positions, (std::vector<std::uint64_t>{6, 13, 23, 30, file.size()}));
    ASSERT_EQ(h.seen.replies.size(), 3u);
    EXPECT_EQ(h.seen.replies[1], (Reply{ProbeValue::FillHeight, 500.0, "mm"}));
    ASSERT_EQ(h.seen.records.size(), 1u);
    EXPECT_EQ(h.seen.records[0].size(), 10u);
    EXPECT_TRUE(h.seen.commands.empty());
}

// Armed before the first Start has read purlo.Set: the playback is told again
// at the rate read, before its first byte, so its time base is right.
TEST(Observer, APlaybackArmedBeforeTheSettingsAreReadIsToldTheirBaudRate) {
    Observed h;
    h.s.settings_loaded = false;
    ConsoleState settings = testsupport::startUpSettings();
    settings.pc_baud_rate = 9600;
    testsupport::writeSettingsFile(h.dir.path(), settings);
    writeFile(h.console.file("Purlo.Spl"), "c215\r\n");
    h.console.click(Control::Com_play_spl);
    h.console.click(Control::Com_start_stop);
    EXPECT_EQ(h.seen.log, "play(6,300)play(6,9600)prpend") << h.seen.log;
}

TEST(Observer, DisarmingAPlaybackEndsIt) {
    Observed h;
    writeFile(h.console.file("Purlo.Spl"), "c215\r\n");
    h.console.click(Control::Com_play_spl);
    h.console.click(Control::Com_play_spl);
    EXPECT_EQ(h.seen.log, "play(6,300)end");
}

}  // namespace
}  // namespace purlo::test
