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

#include "MainWindow.h"
#include "QtSerialPort.h"
#include "app/Console.h"
#include "sim/ProbeTestSupport.h"
#include "sim/SimProcess.h"

namespace purlo {
namespace {

using sim::test::ScratchDir;
using sim::test::SimProcess;

const char* kSettings =
    " 1     Serial CommPort.\r\n 9600 baud rate.\r\nFalse  mm + C or inch + F.\r\n 10    Zoom Horizontal.\r\n"
    " 150   Zoom Vertical.\r\n 160   Sampling Length.\r\n54211  #.\r\nFalse  if 1 or true, check probe transducer!\r\n"
    "2336543  Eep.\r\n 0   Reserve command Rc1.\r\n 0   Reserve command Rc2.\r\n 2000   Level offset +/-7000mm maxi.\r\n"
    " 0   Reserve command Rc4 Top Alarm.\r\n 0   Reserve command Rc3.Bottom Alarm.\r\n \r\n"
    "This is the Purlo Program Setup Purlo.set file. Do not edit.\r\n \r\n";

// The real port, counting the echo records asked for.
class CountingPort : public SerialPort {
public:
    bool portOpen() const override { return port.portOpen(); }
    void setPortOpen(bool open) override { port.setPortOpen(open); }
    void setCommPort(std::int16_t n) override { port.setCommPort(n); }
    void setSettings(std::string_view s) override { port.setSettings(s); }
    void setInputMode(InputMode m) override { port.setInputMode(m); }
    void setInputLen(std::int16_t n) override { port.setInputLen(n); }
    void setRThreshold(std::int16_t n) override { port.setRThreshold(n); }
    void setNullDiscard(bool d) override { port.setNullDiscard(d); }
    int inBufferCount() override { return port.inBufferCount(); }
    void clearInBuffer() override { port.clearInBuffer(); }
    void output(std::string_view data) override {
        port.output(data);
        if (data == "=") ++echoRequests;
    }
    std::string input() override { return port.input(); }

    QtSerialPort port;
    int echoRequests = 0;
};

struct ConsoleWithSimulator : ::testing::Test {
    ConsoleWithSimulator()
        : link(dir.path() / "com1"),
          sim({"--link", link.string(), "--fast", "--baud", "9600", "--level-min", "1000", "--level-max", "1000"}),
          console(window, window.canvas(), serial, dir.path()) {}

    void SetUp() override {
        ASSERT_EQ(sim.firstLine().empty(), false) << "the simulator did not start";
        setenv("PURLO_COMM1", link.c_str(), 1);
        std::ofstream(dir.path() / "purlo.Set", std::ios::binary) << kSettings;
        // No dialog is expected; one that appears fails the test instead of hanging it.
        QObject::connect(&dialogCloser, &QTimer::timeout, [] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                ADD_FAILURE() << "unexpected dialog: " << dialog->windowTitle().toStdString();
                dialog->reject();
            }
        });
        dialogCloser.start(10);
        window.connectConsole(console);
        console.Form_Load();
        window.show();
    }

    void TearDown() override { unsetenv("PURLO_COMM1"); }

    // Clicks Start; when `done` holds (or the time is up) a nested click stops again.
    // Returns whether `done` held.
    bool runLiveUntil(const std::function<bool()>& done, int limitMs = 10000) {
        QElapsedTimer clock;
        clock.start();
        bool met = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            met = done();
            if (met || clock.elapsed() > limitMs) {
                watch.stop();
                console.click(Control::Com_start_stop);
            }
        });
        watch.start(20);
        console.click(Control::Com_start_stop);
        return met;
    }

    void send(const std::string& command) {
        window.setText(Control::Text_command_to_send, command);
        console.click(Control::Com_command_to_send);
    }

    ScratchDir dir;
    std::filesystem::path link;
    SimProcess sim;
    MainWindow window;
    CountingPort serial;
    Console console;
    QTimer dialogCloser;
};

TEST_F(ConsoleWithSimulator, StartDecodesEveryValueAndDrawsEchoRecordsThenStopReleasesThePort) {
    const bool met = runLiveUntil([&] {
        return window.text(Control::Com_view_us_fq) == "25.1kc" && !window.text(Control::Text_top).empty() &&
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

}  // namespace
}  // namespace purlo
