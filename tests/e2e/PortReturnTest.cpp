// SPDX-License-Identifier: GPL-3.0-or-later
// The probe's link goes during a recorded acquisition (the simulator ends,
// its link with it) and a new one comes up at the same path: with the option
// "Resume when the port comes back" acquisition and recording go on in the
// same Purlo.Spl; without it, the console reacts as to any lost port.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTimer>
#include <algorithm>
#include <csignal>

#include "e2e/LiveConsole.h"
#include "serial/PortWatcher.h"
#include "support/FileBytes.h"

namespace purlo {
namespace {

using testsupport::readFile;

constexpr std::string_view kReceiveError =
    "* Error while getting RS232 data via communication chanel!";

struct PortReturn : ::testing::Test, e2e::LiveConsole {
    void SetUp() override { ASSERT_TRUE(startSimulator()) << "the simulator did not start"; }

    std::string spl() const { return readFile(dir.path() / "Purlo.Spl"); }

    // Starts acquisition, starts a recording once values come in, and ends
    // the simulator (its link removed) after a few echo records. Returns what
    // was recorded up to the loss, when the Start handler has ended.
    std::string recordThenLoseTheLink() {
        bool recording = false;
        bool gone = false;
        std::string before;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (!recording && window.text(Control::Com_view_us_fq) == "25.1kc") {
                send("#");
                recording = true;
            }
            if (recording && !gone && serial.echoRequests >= 3) {
                gone = true;
                sim->stop(SIGTERM);  // the simulator removes its link as it ends
            }
        });
        watch.start(20);
        console.click(Control::Com_start_stop);
        // Everything the recording holds was written before the handler noticed the loss.
        before = spl();
        EXPECT_TRUE(gone) << "no echo records came";
        EXPECT_FALSE(std::filesystem::exists(link));
        return before;
    }

    PortWatcher watcher{console};
};

TEST_F(PortReturn, WithTheOptionOnAcquisitionAndRecordingResumeInTheSameFile) {
    console.resume.enabled = true;
    const std::string before = recordThenLoseTheLink();
    ASSERT_GT(before.size(), 2u * 161u);
    const auto lines = listLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.back(), "* Comm1 (" + link.string() + ") was removed; waiting for it.");
    EXPECT_EQ(count(kReceiveError), 1);
    EXPECT_EQ(window.text(Control::Com_start_stop), "Start");
    EXPECT_TRUE(watcher.watching());
    EXPECT_TRUE(console.s.recording_on);

    // The probe is back at the same path: acquisition resumes by itself. A
    // nested Stop ends it once values and echo records come in again.
    window.setWindowCaption("");
    const int recordsBefore = serial.echoRequests;
    ASSERT_TRUE(startSimulator()) << "the simulator did not come back";
    bool stopped = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!stopped && console.s.port_open && window.windowCaption().ends_with(" mm") &&
            serial.echoRequests >= recordsBefore + 3) {
            stopped = true;
            console.click(Control::Com_start_stop);
        }
    });
    watch.start(20);
    QElapsedTimer clock;
    clock.start();
    while (!stopped && clock.elapsed() < 15000) e2e::runEventsFor(50);

    ASSERT_TRUE(stopped) << "acquisition did not resume; last line: " << listLines().back();
    EXPECT_EQ(count("* Comm1 is back; acquisition resumed."), 1);
    EXPECT_EQ(count(kReceiveError), 1);
    EXPECT_FALSE(watcher.watching());
    EXPECT_EQ(window.text(Control::Com_start_stop), "Start");
    // Nothing recorded before the loss is lost; what came after follows it.
    ASSERT_TRUE(console.s.recording_on);
    const std::string after = spl();
    EXPECT_EQ(after.substr(0, before.size()), before);
    EXPECT_GT(after.size(), before.size() + std::size_t{2} * 161);
    EXPECT_NE(after.find('=', before.size()), std::string::npos);
}

TEST_F(PortReturn, WithTheOptionOffTheConsoleOnlyReportsTheLoss) {
    const std::string before = recordThenLoseTheLink();
    EXPECT_EQ(listLines().back(), kReceiveError);
    EXPECT_EQ(count(kReceiveError), 1);
    EXPECT_EQ(window.text(Control::Com_start_stop), "Start");
    EXPECT_FALSE(watcher.watching());

    ASSERT_TRUE(startSimulator());
    const std::size_t bytesIn = serial.bytesIn;
    e2e::runEventsFor(1500);
    EXPECT_FALSE(console.s.port_open);
    EXPECT_EQ(serial.bytesIn, bytesIn);
    EXPECT_EQ(listLines().back(), kReceiveError);
    EXPECT_EQ(spl(), before);
}

}  // namespace
}  // namespace purlo
