// SPDX-License-Identifier: GPL-3.0-or-later
// The live benchmark's check of a recording against the probe's traffic log:
// it must accept exactly what the console drops by design and catch any
// other loss.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sim/TrafficLog.h"
#include "support/FileBytes.h"
#include "support/RecordingCheck.h"
#include "support/ScratchDir.h"

namespace purlo::bench {
namespace {

constexpr int kSamples = 160;

// A record of 160 sample bytes, different for every seed, "=" bytes included.
std::string record(std::uint32_t seed) {
    std::string r = "=";
    for (int i = 0; i < kSamples; ++i) {
        seed = seed * 1103515245u + 12345u;
        r += static_cast<char>((seed >> 16) & 0xff);
    }
    r[20] = '=';
    return r;
}

std::vector<SentMessage> session() {
    return {{false, "D1500\r\n"}, {false, "j3\r\n"}, {true, record(1)},    {false, "D1501\r\n"},
            {false, "P4\r\n"},    {true, record(2)}, {false, "D1502\r\n"}, {false, "s100\r\n"},
            {false, "q30\r\n"},   {true, record(3)}, {false, "D1503\r\n"}};
}

TEST(RecordingCheck, AcceptsWhatTheConsoleDropsByDesign) {
    // Recording starts inside the first line; the line feed before each
    // record was waiting when the buffer was emptied; after record 2 the
    // first bytes of the distance reply were read with the record.
    const std::string recording = "500\r\nj3\r" + record(1) + "D1501\r\nP4\r\n" + record(2) +
                                  "502\r\ns100\r\nq30\r\n" + record(3).substr(0, 1 + kSamples - 3) +
                                  "D15";
    const RecordingComparison c = compareRecording(session(), recording, kSamples);
    EXPECT_TRUE(c.clean()) << c.firstProblem;
    EXPECT_EQ(c.recordsMatched, 3);
    EXPECT_EQ(c.recordsCutShort, 1);  // marker found at index 3: three sample bytes unused
    EXPECT_EQ(c.recordedBytes, static_cast<std::int64_t>(recording.size()));
    EXPECT_GT(c.droppedByDesign, 0);
}

TEST(RecordingCheck, CatchesEveryOtherLoss) {
    struct Case {
        const char* what;
        std::string recording;
        bool recordLost;
    };
    const Case cases[] = {
        {"a byte inside a line", "D1500\r\nj3\r\n" + record(1) + "D1501\r\nP\r\n" + record(2),
         false},
        {"a whole line between two kept ones",
         "D1500\r\nj3\r\n" + record(1) + "D1501\r\nP4\r\n" + record(2) + "D1502\r\nq30\r\n" +
             record(3),
         false},
        {"a record", "D1500\r\nj3\r\n" + record(1) + "D1501\r\n" + record(3), true},
        {"a changed byte", "D1500\r\nj3\r\n" + record(1) + "D1901\r\nP4\r\n" + record(2), false},
        {"a byte inside the text after the last record",
         "D1500\r\nj3\r\n" + record(1) + "D1501\r\nP4\r\n" + record(2) + "D1502\r\n100\r\n", false},
    };
    for (const Case& c : cases) {
        const RecordingComparison r = compareRecording(session(), c.recording, kSamples);
        EXPECT_FALSE(r.clean()) << c.what;
        EXPECT_FALSE(r.firstProblem.empty()) << c.what;
        EXPECT_EQ(r.recordsLost > 0, c.recordLost) << c.what;
    }
}

TEST(RecordingCheck, ReadsWhatTheSimulatorLogs) {
    const testsupport::ScratchDir dir("purlo-recording-check");
    const auto file = dir / "traffic.log";
    {
        sim::TrafficLog log(file);
        log.note(0.0, "probe at 38400 bit/s");
        log.fromPc(0.1, "?");
        log.toPc(0.2, "D1500\r\n");
        log.toPc(0.3, "q\"30\\\x01\r\n");
        log.toPc(0.4, record(7));
    }
    const std::string text = testsupport::readFile(file);
    const std::vector<SentMessage> sent = sentToPc(text);
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_FALSE(sent[0].record);
    EXPECT_EQ(sent[0].bytes, "D1500\r\n");
    EXPECT_EQ(sent[1].bytes, "q\"30\\\x01\r\n");
    EXPECT_TRUE(sent[2].record);
    EXPECT_EQ(sent[2].bytes, record(7));
}

}  // namespace
}  // namespace purlo::bench
