// SPDX-License-Identifier: GPL-3.0-or-later
// End to end: the console core in the real window with the real serial port,
// against the built probe simulator on a pseudo-terminal.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <fstream>
#include <functional>

#include "e2e/LiveConsole.h"

namespace purlo {
namespace {

struct ConsoleWithSimulator : ::testing::Test, e2e::LiveConsole {
    void SetUp() override {
        ASSERT_TRUE(startSimulator()) << "the simulator did not start";
        // No dialog is expected; one that appears fails the test instead of hanging it.
        QObject::connect(&dialogCloser, &QTimer::timeout, [] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                ADD_FAILURE() << "unexpected dialog: " << dialog->windowTitle().toStdString();
                dialog->reject();
            }
        });
        dialogCloser.start(10);
    }

    QTimer dialogCloser;
};

TEST_F(ConsoleWithSimulator, StartDecodesEveryValueAndDrawsEchoRecordsThenStopReleasesThePort) {
    const bool met = runLiveUntil([&] {
        return window.text(Control::Com_view_us_fq) == "25.1kc" &&
               !window.text(Control::Text_top).empty() &&
               window.text(Control::Com_probe_print_on) == "Rx each Burst";
    });
    EXPECT_TRUE(met) << "last list line: " << window.text(Control::List_Info);
    EXPECT_EQ(window.text(Control::Com_view_burst_length), "P 4");
    EXPECT_EQ(window.text(Control::Com_view_us_speed), "331");
    EXPECT_EQ(window.text(Control::Com_micro_view_baudrate), "9600");
    // 1000 mm below the probe, counted from a zero point at 2000 mm.
    EXPECT_NEAR(console.s.fill_height, 1000.0f, 30.0f);
    EXPECT_EQ(window.text(Control::Com_start_stop), "Start");
    EXPECT_FALSE(console.s.port_open);
    EXPECT_EQ(console.ui.listCount(), 1);

    // The port is free again: another program can open it.
    QSerialPort other;
    other.setPortName(QString::fromStdString(link.string()));
    EXPECT_TRUE(other.open(QIODevice::ReadWrite)) << other.errorString().toStdString();
}

TEST_F(ConsoleWithSimulator, ARecordingPlaysBackTheValuesAndEchoRecordsItHolds) {
    bool recording = false;
    runLiveUntil([&] {
        if (!recording && window.text(Control::Com_view_us_fq) == "25.1kc") {
            send("#");
            recording = true;
        }
        if (recording && serial.echoRequests >= 3 && !window.text(Control::Text_top).empty()) {
            send("?");  // any command ends the recording
            return true;
        }
        return false;
    });
    ASSERT_FALSE(console.s.recording_on);
    ASSERT_FALSE(console.s.port_open);
    const auto size = std::filesystem::file_size(dir.path() / "Purlo.Spl");
    EXPECT_GT(size, 2u * 161u);

    // Forget what live showed, then play the recording.
    for (Control c : {Control::Com_view_us_fq, Control::Com_view_burst_length, Control::Text_top}) {
        window.setText(c, "");
    }
    console.click(Control::Com_play_spl);
    ASSERT_TRUE(console.s.playback_on);
    console.click(Control::Com_start_stop);  // plays to the end of the file, then returns
    EXPECT_FALSE(console.s.playback_on);
    EXPECT_EQ(window.text(Control::Com_view_us_fq), "25.1kc");
    EXPECT_EQ(window.text(Control::Com_view_burst_length), "P 4");
    EXPECT_FALSE(window.text(Control::Text_top).empty());
    EXPECT_EQ(window.text(Control::Com_play_spl), "#");
    EXPECT_FALSE(serial.portOpen());
}

TEST_F(ConsoleWithSimulator, AStartDuringPlaybackThenDisarmAndStopLeavesEverythingAtRest) {
    // Long enough to outlast the clicks below at any speed.
    {
        std::ofstream spl(dir.path() / "Purlo.Spl", std::ios::binary);
        const std::string lines = [] {
            std::string l;
            for (int i = 0; i < 1000; ++i) l += "c215\r\n";
            return l;
        }();
        for (int i = 0; i < 4000; ++i) spl << lines;
    }
    int questions = 0;
    serial.passOutput = [&](std::string_view data) {
        if (data == "?") ++questions;
        return true;
    };
    bool disarmed = false;
    bool stopped = false;
    // Each click comes in from the event loop the running handler yields to.
    const auto at = [](QTimer& timer, int ms, std::function<void()> act) {
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, std::move(act));
        timer.start(ms);
    };
    QTimer nested, disarm, stop, lastResort;
    at(nested, 20, [&] { console.click(Control::Com_start_stop); });  // runs nested
    at(disarm, 60, [&] {
        console.click(Control::Com_play_spl);  // disarmed: the nested run goes live
        disarmed = true;
    });
    at(stop, 400, [&] {
        console.click(Control::Com_start_stop);  // the operator's Stop
        stopped = true;
    });
    // Should acquisition start again by itself, it is stopped here, so that
    // the test fails instead of running on.
    at(lastResort, 2000, [&] {
        if (console.s.port_open) console.click(Control::Com_start_stop);
    });
    console.click(Control::Com_play_spl);
    ASSERT_TRUE(console.s.playback_on);
    console.click(Control::Com_start_stop);
    ASSERT_TRUE(disarmed && stopped) << "the playback ended before the clicks";
    e2e::runEventsFor(200);
    EXPECT_EQ(questions, 1) << "acquisition started again after the Stop";
    EXPECT_EQ(window.text(Control::Com_start_stop), "Start");
    EXPECT_FALSE(console.s.port_open);
    EXPECT_FALSE(serial.portOpen());
    EXPECT_FALSE(console.s.playback_on);
}

}  // namespace
}  // namespace purlo
