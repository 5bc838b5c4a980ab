// SPDX-License-Identifier: GPL-3.0-or-later
// What the probe sends as time passes: transmit modes, echo records, the
// dead-zone alarm, the moving level, temperature and auto tuning.
#include <gtest/gtest.h>

#include <regex>

#include "ProbeTestSupport.h"

namespace purlo::sim::test {
namespace {

int countLines(const std::string& text, char code) {
    int n = 0;
    for (const std::string& line : lines(text)) n += !line.empty() && line.front() == code;
    return n;
}

struct ModeCase {
    const char* command;
    int minLines;
    int maxLines;
};

class TransmitMode : public ::testing::TestWithParam<ModeCase> {};

// Three seconds at the default burst interval of 0.3 s: ten bursts.
TEST_P(TransmitMode, SendsDistanceLinesAtItsOwnPace) {
    ProbeModel probe(stillSurface());
    send(probe, GetParam().command);
    probe.advance(3.0);
    const std::string out = probe.takeOutput();
    const int n = countLines(out, 'D');
    EXPECT_GE(n, GetParam().minLines);
    EXPECT_LE(n, GetParam().maxLines);
    for (const std::string& line : lines(out)) EXPECT_EQ(line, "D2000");
}

INSTANTIATE_TEST_SUITE_P(Modes, TransmitMode,
                         ::testing::Values(ModeCase{"1", 30, 45},  // non-stop: several per burst
                                           ModeCase{"2", 10, 10},  // one before each burst
                                           ModeCase{"3", 0, 0}));  // only on request

TEST(TransmitMode, BurstIntervalSetsThePaceOfMode2) {
    ProbeModel probe(stillSurface());
    send(probe, "II");  // 0.5 s
    probe.advance(5.0);
    EXPECT_EQ(countLines(probe.takeOutput(), 'D'), 10);
}

TEST(TransmitMode, OnRequestStillAnswersQueries) {
    ProbeModel probe(stillSurface());
    send(probe, "3");
    probe.advance(2.0);
    EXPECT_EQ(send(probe, "?"), "D2000\r\n");
}

TEST(TransmitMode, SecondsToNextEventPointsAtTheNextBurst) {
    ProbeModel probe(stillSurface());
    EXPECT_NEAR(probe.secondsToNextEvent(), 0.3, 1e-9);
    probe.advance(0.2);
    EXPECT_NEAR(probe.secondsToNextEvent(), 0.1, 1e-9);
    probe.advance(0.1 - 1e-9);
    EXPECT_EQ(probe.takeOutput(), "");
    probe.advance(2e-9);
    EXPECT_EQ(probe.takeOutput(), "D2000\r\n");
}

TEST(EchoRecordRequest, ComesAtTheNextBurstWithNothingInFront) {
    ProbeOptions options = stillSurface();
    options.samplesPerRecord = 100;
    ProbeModel probe(options);
    probe.advance(0.1);
    EXPECT_EQ(send(probe, "=="), "");  // nothing at once; asking twice gives one record
    EXPECT_TRUE(probe.recordPending());
    probe.advance(0.2 + 1e-6);
    const std::string out = probe.takeOutput();
    ASSERT_EQ(out.size(), 101u);
    EXPECT_EQ(out.front(), '=');
    EXPECT_FALSE(probe.recordPending());
    probe.advance(0.3);
    EXPECT_EQ(probe.takeOutput(), "D2000\r\n");  // the next burst has its line again
}

TEST(EchoRecordRequest, NonStopLinesPauseWhileTheRecordIsPending) {
    ProbeModel probe(stillSurface());
    send(probe, "1");
    probe.advance(0.31);
    probe.takeOutput();
    send(probe, "=");
    probe.advance(0.3);
    const std::string out = probe.takeOutput();
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.front(), '=');
}

TEST(EchoRecordRequest, IsServedInTransmitMode3Too) {
    ProbeModel probe(stillSurface());
    send(probe, "3");
    EXPECT_EQ(recordOf(probe).size(), 160u);
}

TEST(Alarm, SurfaceInTheDeadZoneSendsTheAlarmAtEachBurst) {
    ProbeOptions options = stillSurface();
    options.alarm = true;
    ProbeModel probe(options);
    probe.advance(3.0);
    const std::string out = probe.takeOutput();
    EXPECT_EQ(countLines(out, 'O'), 10);
    for (const std::string& line : lines(out)) {
        if (line.front() == 'O') {
            EXPECT_EQ(line, "OOO");
        }
    }
    // The nearest distance the probe can see: the 30 cm dead zone at 20 degrees.
    const long mm = probe.distanceReplyMm();
    EXPECT_GE(mm, 295);
    EXPECT_LE(mm, 320);
    EXPECT_TRUE(probe.lastBurst().surfaceInDeadZone);
}

TEST(Alarm, RisingLevelReachesTheDeadZone) {
    ProbeOptions options = stillSurface();
    options.levelMinMm = 100.0;
    options.levelMaxMm = 600.0;
    options.levelSpeedMmPerS = 100.0;
    ProbeModel probe(options);
    probe.advance(12.0);  // more than a full sweep
    EXPECT_GT(countLines(probe.takeOutput(), 'O'), 0);
}

TEST(Alarm, NotSentOnRequestOnlyMode) {
    ProbeOptions options = stillSurface();
    options.alarm = true;
    ProbeModel probe(options);
    send(probe, "3");
    probe.advance(3.0);
    EXPECT_EQ(probe.takeOutput(), "");
}

TEST(World, LevelMovesBetweenItsLimits) {
    ProbeOptions options = stillSurface();
    options.levelMinMm = 1000.0;
    options.levelMaxMm = 1500.0;
    options.levelSpeedMmPerS = 50.0;
    ProbeModel probe(options);
    long lowest = 1'000'000;
    long highest = 0;
    for (int i = 0; i < 400; ++i) {
        probe.advance(0.1);
        lowest = std::min(lowest, probe.distanceReplyMm());
        highest = std::max(highest, probe.distanceReplyMm());
    }
    EXPECT_LE(lowest, 1020);
    EXPECT_GE(lowest, 1000);
    EXPECT_GE(highest, 1480);
    EXPECT_LE(highest, 1500);
}

TEST(World, TemperatureDriftsAndTheDistanceStaysCorrected) {
    ProbeOptions options = stillSurface();
    options.temperatureSwingC = 5.0;
    ProbeModel probe(options);
    send(probe, "3");
    int coolest = 10000;
    int warmest = -10000;
    for (int i = 0; i < 60; ++i) {
        probe.advance(10.0);
        const int tenths = std::stoi(send(probe, "c").substr(1));
        coolest = std::min(coolest, tenths);
        warmest = std::max(warmest, tenths);
        // The probe's own 331.0 m/s + 0.60 m/s per degree matches the air.
        EXPECT_EQ(send(probe, "?"), "D2000\r\n");
    }
    EXPECT_LE(coolest, 160);
    EXPECT_GE(warmest, 240);
}

TEST(World, WrongSpeedOfSoundGivesAWrongDistance) {
    ProbeModel probe(stillSurface());
    send(probe, "3" + std::string(100, 'V'));  // 341.0 m/s instead of 331.0
    probe.advance(0.31);
    // 2000 mm * (341 + 12) / (331 + 12)
    EXPECT_EQ(send(probe, "?"), "D2058\r\n");
}

TEST(World, LostEchoKeepsTheLastDistance) {
    ProbeOptions options = stillSurface();
    options.levelMinMm = 6000.0;
    options.levelMaxMm = 7000.0;
    options.levelSpeedMmPerS = 100.0;
    ProbeModel probe(options);
    probe.advance(0.31);
    const long before = probe.distanceReplyMm();
    send(probe, "3" + std::string(20, 'u') + "rrr");  // 1 V, 1 period: too weak for 6 m
    probe.advance(2.0);
    EXPECT_EQ(probe.distanceReplyMm(), before);
    EXPECT_EQ(send(probe, "e"), "e0\r\n");
}

TEST(World, NoiseJittersTheDistanceDeterministically) {
    ProbeOptions options = stillSurface();
    options.noiseMm = 5.0;
    options.seed = 42;
    ProbeModel a(options);
    ProbeModel b(options);
    a.advance(3.0);
    b.advance(3.0);
    const std::string out = a.takeOutput();
    EXPECT_EQ(out, b.takeOutput());
    std::set<std::string> distinct;
    for (const std::string& line : lines(out)) {
        EXPECT_TRUE(std::regex_match(line, std::regex("D(19[6-9][0-9]|20[0-3][0-9])"))) << line;
        distinct.insert(line);
    }
    EXPECT_GT(distinct.size(), 3u);
    options.seed = 43;
    ProbeModel c(options);
    c.advance(3.0);
    EXPECT_NE(out, c.takeOutput());
}

TEST(AutoTuning, RaisesAWeakDriveAndLowersAStrongOne) {
    ProbeModel far(stillSurface(6000.0));
    send(far, std::string(10, 'u') + "A");  // 5 V at 6 m: weak echo
    far.advance(6.0);
    EXPECT_GT(far.parameters().voltageTenths, 50);

    ProbeModel near(stillSurface(600.0));
    send(near, std::string(20, 'U') + "A");  // 20 V at 0.6 m: far too strong
    near.advance(6.0);
    EXPECT_LT(near.parameters().voltageTenths, 200);
}

TEST(AutoTuning, ManualModeKeepsTheSettings) {
    ProbeModel probe(stillSurface(6000.0));
    send(probe, std::string(10, 'u'));
    probe.advance(6.0);
    EXPECT_EQ(probe.parameters().voltageTenths, 50);
}

}  // namespace
}  // namespace purlo::sim::test
