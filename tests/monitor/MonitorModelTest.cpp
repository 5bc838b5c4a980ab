// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "MonitorFakes.h"
#include "fakes/Harness.h"
#include "monitor/MonitorModel.h"

namespace purlo::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

DecodedReply fill(double v, std::string_view unit = "mm") {
    return {ProbeValue::FillHeight, v, unit};
}
DecodedReply temperature(double v) {
    return {ProbeValue::Temperature, v, "°C"};
}

struct Monitor {
    explicit Monitor(bool csvLog = true) : model(steady, wall, {dir.path(), csvLog, 1000, 16}) {}
    TempDir dir;
    FakeSteadyClock steady;
    FakeWallClock wall;
    MonitorModel model;
    std::string csv() const { return readFile(dir.path() / "Purlo.csv"); }
};

TEST(MonitorModel, LiveEventsAreTimedByTheSteadyClockFromTheLinkOpening) {
    Monitor m;
    m.steady.now = 1000;
    m.model.linkOpened("Comm1", "/dev/ttyUSB0");
    EXPECT_EQ(m.model.timeBase(), TimeBase::Live);
    EXPECT_EQ(m.model.liveStartedAt(), m.wall.time);
    EXPECT_EQ(m.model.timeAxisLabel(), "time (s)");
    m.steady.now = 1002.5;
    m.model.replyDecoded(fill(500));
    m.model.replyDecoded(temperature(21.5));
    m.steady.now = 1003;
    m.model.echoRecord(Bytes{0x80});

    EXPECT_EQ(m.model.fillHeight().newest(), (TrendPoint{2.5, 500}));
    EXPECT_EQ(m.model.temperature().newest(), (TrendPoint{2.5, 21.5}));
    EXPECT_EQ(m.model.echoes().row(0).time, 3.0);
    EXPECT_EQ(m.model.portName(), "Comm1");

    // Stop and Start again: the same live axis goes on, with a gap.
    const auto epoch = m.model.epoch();
    m.model.linkClosed();
    m.steady.now = 1100;
    m.model.linkOpened("Comm1", "/dev/ttyUSB0");
    m.model.replyDecoded(fill(501));
    EXPECT_EQ(m.model.epoch(), epoch);
    EXPECT_EQ(m.model.fillHeight().size(), 2u);
    EXPECT_EQ(m.model.fillHeight().newest()->time, 100.0);
}

TEST(MonitorModel, PlaybackIsTimedByBytesReadAtThePcBaudRateFromZeroEachTime) {
    Monitor m;
    m.steady.now = 50;
    m.model.replyDecoded(fill(100));  // live before the playback
    m.model.playbackStarted(100000, 9600);
    EXPECT_EQ(m.model.timeBase(), TimeBase::Recording);
    EXPECT_TRUE(m.model.fillHeight().empty());
    EXPECT_EQ(m.model.timeAxisLabel(),
              "recording time (from bytes at 9600 bit/s; the file holds no timestamps)");

    m.model.playbackPosition(960);  // 9600 bits: one second
    m.model.replyDecoded(fill(700));
    m.model.playbackPosition(2400);
    m.model.echoRecord(Bytes{1, 2});
    EXPECT_EQ(m.model.fillHeight().newest(), (TrendPoint{1.0, 700}));
    EXPECT_EQ(m.model.echoes().row(0).time, 2.5);
    EXPECT_EQ(m.model.playbackRead(), 2400u);
    EXPECT_EQ(m.model.playbackBytes(), 100000u);

    m.model.playbackEnded();
    m.model.playbackStarted(100000, 38400);
    m.model.playbackPosition(384);
    m.model.replyDecoded(fill(701));
    ASSERT_EQ(m.model.fillHeight().size(), 1u);
    EXPECT_EQ(m.model.fillHeight().newest()->time, 0.1);
    EXPECT_EQ(m.model.echoes().size(), 0u);
    m.model.playbackEnded();

    // Live again after a playback: a fresh live axis.
    const auto epoch = m.model.epoch();
    m.steady.now = 80;
    m.model.replyDecoded(fill(702));
    EXPECT_EQ(m.model.timeBase(), TimeBase::Live);
    EXPECT_GT(m.model.epoch(), epoch);
    EXPECT_EQ(m.model.fillHeight().newest(), (TrendPoint{0.0, 702}));
}

TEST(MonitorModel, ASeekBackDropsWhatLiesAfterItAndASeekOnLeavesAGap) {
    Monitor m;
    m.model.playbackStarted(100000, 9600);
    for (int s = 1; s <= 6; ++s) {
        m.model.playbackPosition(std::uint64_t{960} * static_cast<std::uint64_t>(s));
        m.model.replyDecoded(fill(100 + s));
        m.model.replyDecoded(temperature(20 + s));
        m.model.echoRecord(Bytes{static_cast<std::uint8_t>(s)});
    }
    const auto epoch = m.model.epoch();
    m.model.playbackSeeked(960 * 3 + 10);  // just after the third second's data
    EXPECT_GT(m.model.epoch(), epoch);
    EXPECT_EQ(m.model.playbackRead(), 960u * 3 + 10);
    ASSERT_EQ(m.model.fillHeight().size(), 3u);
    EXPECT_EQ(m.model.fillHeight().newest(), (TrendPoint{3.0, 103}));
    EXPECT_EQ(m.model.temperature().size(), 3u);
    ASSERT_EQ(m.model.echoes().size(), 3u);
    EXPECT_EQ(m.model.echoes().row(0).bytes[0], 3);

    // Played on from there, the series go on in order.
    m.model.playbackPosition(std::uint64_t{960} * 4);
    m.model.replyDecoded(fill(200));
    m.model.echoRecord(Bytes{9});
    EXPECT_EQ(m.model.fillHeight().newest(), (TrendPoint{4.0, 200}));
    EXPECT_EQ(m.model.echoes().row(0).bytes[0], 9);
    EXPECT_EQ(m.model.echoes().row(1).bytes[0], 3);

    m.model.playbackSeeked(std::uint64_t{960} * 50);
    EXPECT_EQ(m.model.fillHeight().size(), 4u);
    m.model.playbackSeeked(0);
    EXPECT_TRUE(m.model.fillHeight().empty());
    EXPECT_EQ(m.model.echoes().size(), 0u);
    m.model.echoRecord(Bytes{7});
    EXPECT_EQ(m.model.echoes().row(0).bytes[0], 7);
}

TEST(MonitorModel, SwitchingUnitsConvertsTheFillHeightHistory) {
    Monitor m(false);
    m.model.replyDecoded(fill(254));
    m.model.replyDecoded(fill(10, "inch"));
    EXPECT_EQ(m.model.fillUnit(), "inch");
    ASSERT_EQ(m.model.fillHeight().size(), 2u);
    EXPECT_FLOAT_EQ(m.model.fillHeight().at(0).value, 10.0f);
    m.model.replyDecoded(fill(200));
    EXPECT_FLOAT_EQ(m.model.fillHeight().at(0).value, 254.0f);
    EXPECT_EQ(m.model.fillUnit(), "mm");
}

TEST(MonitorModel, LogsEveryLiveFillHeightWithTheValuesLastSeen) {
    Monitor m;
    m.model.replyDecoded(temperature(21.5));
    m.model.replyDecoded(fill(500));
    m.wall.time.unixSeconds += 1;
    m.model.replyDecoded({ProbeValue::ProbeBaudRate, 9600, "bit/s"});
    m.model.replyDecoded(fill(501));
    // Played-back replies have no wall-clock time: not logged.
    m.model.playbackStarted(1000, 9600);
    m.model.replyDecoded(fill(600));

    const std::string header = csvLogHeader();
    const std::string text = m.csv();
    ASSERT_EQ(text.rfind(header, 0), 0u);
    const std::string rows = text.substr(header.size());
    EXPECT_EQ(rows.rfind("2026-12-07T16:45:12+01:00,500,mm,21.5,,", 0), 0u) << rows;
    EXPECT_NE(rows.find("\r\n2026-12-07T16:45:13+01:00,501,mm,21.5,9600,"), std::string::npos);
    EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 2);
    EXPECT_TRUE(m.model.logging());
}

TEST(MonitorModel, ALiveRowHoldsOnlyWhatTheLiveProbeReportedSinceTheLinkOpened) {
    Monitor m;
    m.model.linkOpened("Comm1", "/dev/ttyUSB0");
    m.model.replyDecoded(temperature(20));
    m.model.replyDecoded(fill(500));
    // A playback reports other values, some the live request cycle never asks for.
    m.model.playbackStarted(1000, 9600);
    m.model.replyDecoded(temperature(77.7));
    m.model.replyDecoded({ProbeValue::ProbeBaudRate, 1200, "bit/s"});
    m.model.replyDecoded({ProbeValue::ReloadFrequency, 3, ""});
    m.model.replyDecoded(fill(600));
    m.model.playbackEnded();
    m.model.replyDecoded(fill(501));
    // A new link starts from nothing: the old probe's values are not this one's.
    m.model.linkClosed();
    m.model.linkOpened("Comm1", "/dev/ttyUSB0");
    m.model.replyDecoded(fill(502));

    LastValues live;
    std::string expected = csvLogHeader();
    live.set(temperature(20));
    live.set(fill(500));
    appendCsvLogRow(expected, m.wall.time, live);
    live.set(fill(501));
    appendCsvLogRow(expected, m.wall.time, live);
    LastValues afresh;
    afresh.set(fill(502));
    appendCsvLogRow(expected, m.wall.time, afresh);
    EXPECT_EQ(m.csv(), expected);
}

TEST(MonitorModel, TheLogCanBeTurnedOnAndOffBetweenReplies) {
    Monitor m(false);
    m.model.replyDecoded(fill(500));
    EXPECT_FALSE(m.model.logging());
    EXPECT_FALSE(std::filesystem::exists(m.dir.path() / "Purlo.csv"));

    const std::uint64_t before = m.model.revision();
    m.model.setLogging(true);
    EXPECT_GT(m.model.revision(), before);
    EXPECT_TRUE(m.model.logging());
    m.model.replyDecoded(fill(501));
    m.model.setLogging(false);
    m.model.replyDecoded(fill(502));

    const std::string rows = m.csv().substr(csvLogHeader().size());
    EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 1);
    EXPECT_NE(rows.find(",501,mm,"), std::string::npos);
    EXPECT_EQ(m.model.workingFolder(), m.dir.path());
}

TEST(MonitorModel, AFailingLogStopsAloneAndSaysWhy) {
    Monitor m;
    // A folder where the log should be: it cannot be opened.
    std::filesystem::create_directory(m.dir.path() / "Purlo.csv");
    m.model.replyDecoded(fill(500));
    EXPECT_FALSE(m.model.logging());
    ASSERT_TRUE(m.model.logFailure());
    EXPECT_NE(m.model.logFailure()->find("Purlo.csv: cannot be opened"), std::string::npos);
    m.model.replyDecoded(fill(501));
    // Everything else carries on.
    EXPECT_EQ(m.model.fillHeight().size(), 2u);
    EXPECT_NE(m.model.logFailure()->find("the log has stopped"), std::string::npos);
    // Turning it on again does not pretend the file is written.
    m.model.setLogging(true);
    EXPECT_FALSE(m.model.logging());
}

TEST(MonitorModel, ReferenceIsTheNewestRecordAndSurvivesAFailedLoad) {
    Monitor m(false);
    std::vector<SampleMatch> out;
    EXPECT_FALSE(m.model.takeReference());
    m.model.echoRecord(Bytes{0xf0});
    m.model.echoRecord(Bytes{0x0f});
    ASSERT_TRUE(m.model.takeReference());
    EXPECT_EQ(m.model.reference(), Bytes{0x0f});
    const MatchCounts c = m.model.compareWithReference(1, out);
    EXPECT_EQ(c.onlyNew, 4u);
    EXPECT_EQ(c.onlyReference, 4u);

    EXPECT_FALSE(m.model.saveReference());
    m.model.setReference(Bytes{0x55});
    EXPECT_FALSE(m.model.loadReference());
    EXPECT_EQ(m.model.reference(), Bytes{0x0f});

    writeFile(m.dir.path() / "Purlo-reference.echo", "GIF89a");
    const auto error = m.model.loadReference();
    ASSERT_TRUE(error);
    EXPECT_EQ(*error, "Purlo-reference.echo: not a reference echo file");
    EXPECT_EQ(m.model.reference(), Bytes{0x0f});
}

TEST(MonitorModel, ExportsTheTrendMergedByTime) {
    Monitor m(false);
    m.model.replyDecoded(fill(500));
    m.model.replyDecoded(temperature(21.5));
    m.steady.now = 1.5;
    m.model.replyDecoded(temperature(22));
    m.steady.now = 2.25;
    m.model.replyDecoded(fill(499.5));
    EXPECT_EQ(m.model.exportTrend(),
              "time (s),fill height (mm),temperature (°C)\r\n"
              "0.000,500,21.5\r\n"
              "1.500,,22\r\n"
              "2.250,499.5,\r\n");
    EXPECT_EQ(m.model.exportTrend(1, 2),
              "time (s),fill height (mm),temperature (°C)\r\n1.500,,22\r\n");
}

}  // namespace
}  // namespace purlo::test
