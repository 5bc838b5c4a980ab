// SPDX-License-Identifier: GPL-3.0-or-later
// End to end: the monitor window open beside the console while it acquires
// from the simulated probe, records, and plays the recording back.
#include <gtest/gtest.h>

#include <QLabel>
#include <filesystem>
#include <fstream>
#include <string>

#include "EchoViews.h"
#include "MonitorHost.h"
#include "MonitorWindow.h"
#include "TrendPanel.h"
#include "e2e/LiveConsole.h"
#include "monitor/Clocks.h"
#include "monitor/MonitorModel.h"
#include "qcustomplot.h"

namespace purlo {
namespace {

MonitorOptions withLog(const std::filesystem::path& folder) {
    MonitorOptions o;
    o.workingFolder = folder;
    o.csvLog = true;
    return o;
}

// As the program puts it together: the model hears the console from the
// start, the monitor window is open on it.
struct MonitorWithSimulator : ::testing::Test, e2e::LiveConsole {
    MonitorWithSimulator() : model(steady, wall, withLog(dir.path())), host(model, window) {
        console.setObserver(model);
        host.open();
    }
    ~MonitorWithSimulator() override { console.setObserver(nullObserver()); }

    MonitorWindow& monitor() { return *host.window(); }
    std::string newest() { return monitor().newestValues().text().toStdString(); }

    SystemSteadyClock steady;
    SystemWallClock wall;
    MonitorModel model;
    MonitorHost host;
};

long linesIn(const std::filesystem::path& file) {
    std::ifstream in(file);
    long n = 0;
    for (std::string line; std::getline(in, line);) ++n;
    return n;
}

TEST_F(MonitorWithSimulator, LiveValuesAndEchoRecordsReachTheOpenMonitorAndItsLog) {
    ASSERT_TRUE(startSimulator());
    bool sawLinkOpen = false;
    const bool met = runLiveUntil([&] {
        sawLinkOpen =
            sawLinkOpen || newest().find("Comm1 (" + link.string() + ") open") != std::string::npos;
        return model.echoes().added() >= 3 && model.fillHeight().size() >= 3;
    });
    ASSERT_TRUE(met) << "last list line: " << window.text(Control::List_Info);
    EXPECT_TRUE(sawLinkOpen) << newest();

    // The trend holds what the window showed: 1000 mm below the probe, from
    // a zero point at 2000 mm.
    ASSERT_TRUE(model.fillHeight().newest());
    EXPECT_FLOAT_EQ(model.fillHeight().newest()->value, console.s.fill_height);
    EXPECT_NEAR(model.fillHeight().newest()->value, 1000.0f, 30.0f);
    EXPECT_FALSE(model.temperature().empty());
    // Every record the simulator sent, whole: 160 sample bytes.
    EXPECT_EQ(model.echoes().row(0).bytes.size(), 160u);

    // One log row per fill height the trend holds, below the header.
    EXPECT_EQ(linesIn(dir.path() / "Purlo.csv"), static_cast<long>(model.fillHeight().size()) + 1);

    // The window draws the model: its next frame shows the series and the records.
    monitor().refresh();
    EXPECT_GT(monitor().trend().plot().graph(0)->dataCount(), 0);
    EXPECT_FALSE(monitor().echoHistory().image().isNull());
    EXPECT_EQ(newest().find(") open"), std::string::npos) << "stopped, yet: " << newest();
    EXPECT_FALSE(console.s.port_open);
}

TEST_F(MonitorWithSimulator, APlaybackShowsTheRecordingOnItsOwnTimeAndReadsItToTheEnd) {
    ASSERT_TRUE(startSimulator());
    bool recording = false;
    runLiveUntil([&] {
        if (!recording && !window.text(Control::Text_top).empty()) {
            send("#");
            recording = true;
        }
        if (recording && serial.echoRequests >= 4) {
            send("?");  // any command ends the recording
            return true;
        }
        return false;
    });
    ASSERT_FALSE(console.s.recording_on);
    const auto size = std::filesystem::file_size(dir.path() / "Purlo.Spl");
    ASSERT_GT(size, 2u * 161u);
    const long logRows = linesIn(dir.path() / "Purlo.csv");
    const std::uint64_t echoesLive = model.echoes().added();

    console.click(Control::Com_play_spl);
    ASSERT_TRUE(console.s.playback_on);
    console.click(Control::Com_start_stop);  // plays to the end of the file, then returns
    ASSERT_FALSE(console.s.playback_on);

    EXPECT_EQ(model.timeBase(), TimeBase::Recording);
    EXPECT_EQ(model.playbackRead(), size);
    EXPECT_FALSE(model.playingBack());
    EXPECT_FALSE(model.fillHeight().empty());
    // At 9600 bit/s a byte is 1/960 s: the last point lies within the file's span.
    EXPECT_LE(model.fillHeight().newest()->time, static_cast<double>(size) / 960.0);
    EXPECT_GE(model.echoes().added() - echoesLive, 2u);
    // A playback is not live data: the log has not grown.
    EXPECT_EQ(linesIn(dir.path() / "Purlo.csv"), logRows);

    monitor().refresh();
    EXPECT_GT(monitor().trend().plot().graph(0)->dataCount(), 0);
    EXPECT_NE(monitor().trend().plot().xAxis->label().indexOf(QStringLiteral("recording time")),
              -1);
}

}  // namespace
}  // namespace purlo
