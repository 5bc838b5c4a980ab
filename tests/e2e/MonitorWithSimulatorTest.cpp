// SPDX-License-Identifier: GPL-3.0-or-later
// End to end: the monitor window open beside the console while it acquires
// from the simulated probe, records, and plays the recording back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QTimer>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
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
    // At 9600 bit/s a byte takes ten bits: the last point lies within the
    // file's span, give or take the rounding of the trend's float time offsets.
    const double span = static_cast<double>(size) * 10.0 / 9600.0;
    EXPECT_LE(model.fillHeight().newest()->time,
              span * (1.0 + std::numeric_limits<float>::epsilon()));
    EXPECT_GE(model.echoes().added() - echoesLive, 2u);
    // A playback is not live data: the log has not grown.
    EXPECT_EQ(linesIn(dir.path() / "Purlo.csv"), logRows);

    monitor().refresh();
    EXPECT_GT(monitor().trend().plot().graph(0)->dataCount(), 0);
    EXPECT_NE(monitor().trend().plot().xAxis->label().indexOf(QStringLiteral("recording time")),
              -1);
}

// A save dialog of the monitor held open for seconds, the way a technician
// thinks about a file name: live rows, the recording and the trend go on.
TEST_F(MonitorWithSimulator, AnExportDialogHeldOpenKeepsAcquisitionRecordingAndLogGoing) {
    ASSERT_TRUE(startSimulator());
    QAction* pdf = nullptr;
    for (QAction* a : monitor().exportMenu().actions()) {
        if (a->text() == QStringLiteral("Save window as PDF…")) pdf = a;
    }
    ASSERT_NE(pdf, nullptr);
    const auto csv = dir.path() / "Purlo.csv";
    const auto spl = dir.path() / "Purlo.Spl";
    bool recording = false;
    bool opened = false;
    long rowsAtOpen = 0;
    long rowsHeld = 0;
    std::uintmax_t recordedAtOpen = 0;
    std::uintmax_t recordedHeld = 0;
    std::size_t pointsAtOpen = 0;
    std::size_t pointsHeld = 0;
    QElapsedTimer held;
    const auto closeDialog = [&] {
        rowsHeld = linesIn(csv);
        recordedHeld = std::filesystem::file_size(spl);
        pointsHeld = model.fillHeight().size();
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        QMetaObject::invokeMethod(dialog, "accept");
    };
    const bool met = runLiveUntil(
        [&] {
            if (!recording && model.fillHeight().size() >= 2) {
                send("#");
                recording = true;
            } else if (recording && !opened && std::filesystem::exists(spl)) {
                rowsAtOpen = linesIn(csv);
                recordedAtOpen = std::filesystem::file_size(spl);
                pointsAtOpen = model.fillHeight().size();
                opened = true;
                held.start();
                // Closed from a timer as a technician would, whether or not
                // the dialog ran a loop of its own meanwhile.
                QTimer::singleShot(3000, closeDialog);
                pdf->trigger();
            }
            return opened && held.elapsed() > 3500;
        },
        20000);
    ASSERT_TRUE(met) << "last list line: " << window.text(Control::List_Info);
    EXPECT_GT(rowsHeld, rowsAtOpen + 2) << "no live rows while the dialog was open";
    EXPECT_GT(recordedHeld, recordedAtOpen) << "the recording stood still";
    EXPECT_GT(pointsHeld, pointsAtOpen + 2) << "the trend stood still";
    ASSERT_TRUE(std::filesystem::exists(dir.path() / "Purlo-window.pdf"))
        << monitor().message().text().toStdString();
    EXPECT_GT(std::filesystem::file_size(dir.path() / "Purlo-window.pdf"), 1000u);
}

}  // namespace
}  // namespace purlo
