// SPDX-License-Identifier: GPL-3.0-or-later
// Faults end to end: the console in its real window with the real serial
// port, against the probe simulator on a pseudo-terminal, while the cable is
// pulled at the worst moments and the disk refuses to take data. Each time
// the operator gets the one message its handler prescribes, the Start button
// back, a program that idles (no error spin), and a console that works again
// once the probe is back.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <deque>

#include "e2e/LiveConsole.h"
#include "support/CpuTime.h"
#include "support/FileBytes.h"
#include "support/FileSizeLimit.h"

namespace purlo {
namespace {

namespace fs = std::filesystem;
using testsupport::cpuSeconds;
using testsupport::FileSizeLimit;
using testsupport::readFile;

constexpr std::string_view kReceiveError =
    "* Error while getting RS232 data via communication chanel!";
constexpr std::string_view kSampleError = "* Error while getting draw diagram Samples! ";
constexpr std::string_view kSendError = "* Error while sending command to Purlo Probe!";
constexpr std::string_view kRecordingStopped =
    "* Recording stopped: Purlo.Spl could not be written. What was recorded before is kept.";

// A program spinning on an error takes the whole second; an idle one next to nothing.
constexpr double kIdleCpuBound = 0.25;

// CPU seconds the program uses over one second of idling after a failure
// (kept as the test's property idle_cpu_seconds).
double cpuOverAnIdleSecond() {
    const double before = cpuSeconds();
    e2e::runEventsFor(1000);
    const double used = cpuSeconds() - before;
    ::testing::Test::RecordProperty("idle_cpu_seconds", std::to_string(used));
    return used;
}

struct FaultInjection : ::testing::Test, e2e::LiveConsole {
    void SetUp() override {
        ASSERT_TRUE(startSimulator()) << "the simulator did not start";
        // Message boxes are answered from `answers` (OK when it runs out) and remembered.
        QObject::connect(&dialogs, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            messages.push_back(box->text().toStdString());
            const auto answer = answers.empty() ? QMessageBox::Ok : answers.front();
            if (!answers.empty()) answers.pop_front();
            box->button(answer)->click();
        });
        dialogs.start(10);
    }

    std::string lastLine() const { return listLines().back(); }
    bool distanceShown() const { return window.windowCaption().ends_with(" mm"); }

    // At rest after a failure: the Start button back, the link released.
    // A write to Purlo.Spl failed: the recording ended with its line, then
    // the failure went on as the handler doing the write reports it, the
    // receive loop's (acquisition ends) or the echo drawing's (it goes on).
    void expectRecordingEndedByAFailedWrite() const {
        EXPECT_FALSE(console.s.recording_on);
        EXPECT_EQ(count(kRecordingStopped), 1);
        const auto lines = listLines();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[lines.size() - 2], kRecordingStopped);
        EXPECT_TRUE(lines.back() == kReceiveError || lines.back() == kSampleError) << lines.back();
        EXPECT_EQ(count(kReceiveError) + count(kSampleError), 1);
    }

    void expectAtRest() const {
        EXPECT_EQ(window.text(Control::Com_start_stop), "Start");
        EXPECT_FALSE(console.s.port_open);
        EXPECT_FALSE(serial.portOpen());
    }

    // The probe is plugged in again: one Start brings values and echo
    // records in, one Stop ends it, and nothing new goes wrong.
    void expectStartWorksAgain() {
        ASSERT_TRUE(startSimulator()) << "the simulator did not come back";
        const std::size_t linesBefore = listLines().size();
        const int recordsBefore = serial.echoRequests;
        window.setWindowCaption("");
        const bool flowing = runLiveUntil(
            [&] { return distanceShown() && serial.echoRequests >= recordsBefore + 2; });
        EXPECT_TRUE(flowing) << "last list line: " << lastLine();
        EXPECT_EQ(listLines().size(), linesBefore) << "last list line: " << lastLine();
        expectAtRest();
    }

    QTimer dialogs;
    std::deque<QMessageBox::StandardButton> answers;
    std::vector<std::string> messages;
};

TEST_F(FaultInjection, PeerVanishesDuringTheReceiveLoop) {
    bool pulled = false;
    QElapsedTimer sincePulled;
    // Pulled while the loop reads reply lines, early in the request cycle,
    // far from the echo record at its end.
    serial.beforeInput = [&] {
        const std::uint8_t step = console.s.request_cycle_step;
        if (!pulled && distanceShown() && step >= 2 && step <= 8) {
            killSimulator();
            pulled = true;
            sincePulled.start();
        }
    };
    runLiveUntil([] { return false; }, 20000);
    serial.beforeInput = nullptr;

    ASSERT_TRUE(pulled) << "no reply line came";
    EXPECT_LT(sincePulled.elapsed(), 3000) << "the loop went on without its probe";
    EXPECT_EQ(lastLine(), kReceiveError);
    EXPECT_EQ(count(kReceiveError), 1);
    expectAtRest();
    EXPECT_LT(cpuOverAnIdleSecond(), kIdleCpuBound);
    expectStartWorksAgain();
}

TEST_F(FaultInjection, PeerVanishesDuringTheEchoRecordWait) {
    bool asked = false;
    bool pulled = false;
    QElapsedTimer sincePulled;
    // The probe never hears the request, and the cable goes while the
    // console waits for the record.
    serial.passOutput = [&](std::string_view data) {
        if (data != "=" || pulled) return true;
        asked = true;
        return false;
    };
    serial.beforeBufferCount = [&] {
        if (asked && !pulled) {
            killSimulator();
            pulled = true;
            sincePulled.start();
        }
    };
    runLiveUntil([] { return false; }, 20000);
    serial.passOutput = nullptr;
    serial.beforeBufferCount = nullptr;

    ASSERT_TRUE(pulled) << "no echo record was asked for";
    EXPECT_LT(sincePulled.elapsed(), 3000) << "the wait went on without its probe";
    // The record reports itself; the loop, finding its link gone, ends with its own message.
    const auto lines = listLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], kSampleError);
    EXPECT_EQ(lines.back(), kReceiveError);
    EXPECT_EQ(count(kSampleError), 1);
    expectAtRest();
    EXPECT_LT(cpuOverAnIdleSecond(), kIdleCpuBound);
    expectStartWorksAgain();
}

TEST_F(FaultInjection, PeerVanishesBeforeAManualSend) {
    send("?");  // opens the link and leaves it open, the answer waiting
    ASSERT_TRUE(serial.portOpen());
    e2e::runEventsFor(200);
    killSimulator();
    // The program idles with a dead link: no error spin.
    EXPECT_LT(cpuOverAnIdleSecond(), kIdleCpuBound);

    send("?");
    EXPECT_EQ(lastLine(), kSendError);
    EXPECT_EQ(count(kSendError), 1);
    EXPECT_TRUE(window.text(Control::Text_Info).ends_with(std::string(kSendError) + "\r\n"));
    EXPECT_EQ(window.text(Control::Com_start_stop), "Start");
    EXPECT_FALSE(serial.portOpen());

    // As after any manual send, the link still counts as open, so the first
    // Start closes it; the next one starts acquisition.
    console.click(Control::Com_start_stop);
    expectAtRest();
    expectStartWorksAgain();
}

TEST_F(FaultInjection, RecordingOntoAFullDeviceEndsThroughTheReceiveFailure) {
    fs::create_symlink("/dev/full", dir.path() / "Purlo.Spl");
    bool recording = false;
    runLiveUntil(
        [&] {
            if (!recording && distanceShown()) {
                send("#");
                recording = true;
            }
            return false;
        },
        20000);
    ASSERT_TRUE(recording);
    expectRecordingEndedByAFailedWrite();
    expectAtRest();
    EXPECT_LT(cpuOverAnIdleSecond(), kIdleCpuBound);
    // The failed write ended the recording, so the next Start works.
    EXPECT_FALSE(console.s.recording_on);
    expectStartWorksAgain();
}

TEST_F(FaultInjection, ARecordingThatFillsTheDiskKeepsWhatWasWrittenAndPlaysBack) {
    constexpr rlim_t kRoom = 2048;
    bool recording = false;
    {
        FileSizeLimit full(kRoom);
        runLiveUntil(
            [&] {
                if (!recording && distanceShown()) {
                    send("#");
                    recording = true;
                }
                return recording && !console.s.recording_on;
            },
            20000);
    }
    ASSERT_TRUE(recording);
    expectRecordingEndedByAFailedWrite();
    expectAtRest();
    // Every byte up to the full disk is there.
    EXPECT_EQ(fs::file_size(dir.path() / "Purlo.Spl"), kRoom);

    // And it is a recording: it plays back the probe's values.
    EXPECT_FALSE(console.s.recording_on);    // the failed write ended it
    send("?");                               // opens the link again
    console.click(Control::Com_start_stop);  // closes it, as after any manual send
    window.setText(Control::Com_view_us_fq, "");
    window.setText(Control::Com_view_burst_length, "");
    const std::size_t linesBefore = listLines().size();
    console.click(Control::Com_play_spl);
    ASSERT_TRUE(console.s.playback_on);
    console.click(Control::Com_start_stop);
    EXPECT_FALSE(console.s.playback_on);
    EXPECT_EQ(window.text(Control::Com_view_us_fq), "25.1kc");
    EXPECT_EQ(window.text(Control::Com_view_burst_length), "P 4");
    EXPECT_EQ(listLines().size(), linesBefore + 1);  // only the playback's own line
}

TEST_F(FaultInjection, SavesOntoAFullDiskKeepTheOldFiles) {
    const fs::path set = dir.path() / "purlo.Set";
    const fs::path txt = dir.path() / "Purlo.Txt";
    const std::string oldSettings = readFile(set);
    std::ofstream(txt, std::ios::binary) << "old text\r\n";

    console.click(Control::Com_view_program_info);
    ASSERT_TRUE(console.s.info_file_shown);
    auto* box = window.widget(Control::Text_Info);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_X);  // the operator edits
    ASSERT_TRUE(console.s.info_text_modified);
    {
        FileSizeLimit full(0);
        console.click(Control::Com_Save_to_eeprom);
        EXPECT_EQ(window.windowCaption(), "No set File or file corrupt! Save again.");
        console.click(Control::Com_view_program_info);  // OK to the question, then the failure
    }
    EXPECT_EQ(readFile(set), oldSettings);
    EXPECT_EQ(readFile(txt), "old text\r\n");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], "Do you want to save the text modification ?");
    EXPECT_TRUE(messages[1].starts_with(
        "File Purlo.Txt not found ! File should be in Purlo program Directory."))
        << messages[1];
    // Nothing is lost: the edited text is still shown, and the next close asks again.
    EXPECT_EQ(window.text(Control::Com_view_program_info), "Close");
    EXPECT_TRUE(console.s.info_file_shown);
    EXPECT_TRUE(console.s.info_text_modified);
    // Only our own files in the directory: no temporary left behind.
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "purlo.Set" || name == "Purlo.Txt" || name == "com1") << name;
    }
}

}  // namespace
}  // namespace purlo
