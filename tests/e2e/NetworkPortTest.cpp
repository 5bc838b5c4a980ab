// SPDX-License-Identifier: GPL-3.0-or-later
// The console behind a real serial device server: Debian's ser2net on
// 127.0.0.1 bridging the probe simulator's pseudo-terminal, as raw TCP and
// as RFC 2217. Values and echo records come through either; over RFC 2217 a
// baud rate chosen on the PC reaches the line and 0xFF bytes survive the
// Telnet escaping; a server that goes away is a lost port that comes back.
// The simulator serves raw TCP by itself too.
#include <gtest/gtest.h>

#include <QAction>
#include <QElapsedTimer>
#include <QSettings>
#include <QTimer>
#include <algorithm>
#include <cstdlib>

#include "e2e/LiveConsole.h"
#include "serial/NetworkPorts.h"
#include "serial/PortWatcher.h"
#include "support/FileBytes.h"
#include "support/RecordingCheck.h"
#include "support/Ser2net.h"
#include "support/VanishingRelay.h"

namespace purlo {
namespace {

using testsupport::readFile;

constexpr std::string_view kReceiveError =
    "* Error while getting RS232 data via communication chanel!";

std::vector<std::string> simOptions(std::vector<std::string> extra) {
    std::vector<std::string> o{"--fast", "--level-min", "1000", "--level-max", "1000"};
    o.insert(o.end(), extra.begin(), extra.end());
    return o;
}

struct BehindSer2net : ::testing::Test, e2e::LiveConsole {
    explicit BehindSer2net(std::vector<std::string> extra = {"--baud", "9600"})
        : LiveConsole(simOptions(std::move(extra))) {}
    void SetUp() override {
        ASSERT_TRUE(startSimulator()) << "the simulator did not start";
        ASSERT_TRUE(rfc2217.start()) << "ser2net did not start";
        ASSERT_TRUE(raw.start()) << "ser2net did not start";
    }
    void use(const std::string& address) { setenv("PURLO_COMM1", address.c_str(), 1); }
    bool valuesShown() const {
        return window.text(Control::Com_view_us_fq) == "25.1kc" &&
               window.text(Control::Com_view_burst_length) == "P 4" &&
               window.windowCaption().ends_with(" mm");
    }

    testsupport::Ser2net rfc2217{dir.path(), link, testsupport::Ser2net::Kind::Rfc2217};
    testsupport::Ser2net raw{dir.path(), link, testsupport::Ser2net::Kind::RawTcp};
};

TEST_F(BehindSer2net, BothKindsShowValuesAndEchoRecordsRawTcpSaysOnceTheLineIsTheServers) {
    const std::string rawNote = "* Comm1 is raw TCP (" + raw.address() +
                                "): baud rate and line settings are set on the server.";
    for (const std::string& address : {rfc2217.address(), raw.address(), raw.address()}) {
        use(address);
        const int before = serial.echoRequests;
        window.setText(Control::Com_view_us_fq, "");
        window.setWindowCaption("");
        const bool met =
            runLiveUntil([&] { return valuesShown() && serial.echoRequests >= before + 3; });
        EXPECT_TRUE(met) << address << ": last list line " << listLines().back();
        EXPECT_EQ(console.link().openedDevice(), address);
        EXPECT_NEAR(console.s.fill_height, 1000.0f, 30.0f);
        EXPECT_FALSE(console.s.port_open);
    }
    EXPECT_EQ(count(rawNote), 1);
    EXPECT_EQ(listLines().size(), 2u);  // the start-up line and the note
}

struct BaudMismatch : BehindSer2net {
    BaudMismatch() : BehindSer2net({"--baud", "19200"}) {}
};

TEST_F(BaudMismatch, ThePcBaudRateReachesTheLineOverRfc2217) {
    use(rfc2217.address());
    // The console at 9600, the probe at 19200: only garbage crosses the line.
    EXPECT_FALSE(runLiveUntil([&] { return valuesShown(); }, 1500));
    EXPECT_NE(window.text(Control::Com_view_us_fq), "25.1kc");
    console.click(Control::Com_baudrate_pc);
    ASSERT_EQ(window.text(Control::Com_baudrate_pc), "19200");
    // SET-BAUDRATE sets the line to the probe's rate: every value comes right.
    EXPECT_TRUE(runLiveUntil([&] { return valuesShown() && serial.echoRequests >= 3; }));
    EXPECT_NEAR(console.s.fill_height, 1000.0f, 30.0f);
}

struct Logged : BehindSer2net {
    // Every sample outside the echo high: records full of 0xFF bytes.
    Logged() : BehindSer2net({"--baud", "9600", "--spikes", "1", "--log", "traffic.log"}) {}
    void SetUp() override {
        options.back() = (dir.path() / "traffic.log").string();
        BehindSer2net::SetUp();
    }
};

TEST_F(Logged, ARecordingOverRfc2217HoldsExactlyWhatTheProbeSentFFBytesIncluded) {
    use(rfc2217.address());
    bool recording = false;
    runLiveUntil([&] {
        if (!recording && valuesShown()) {
            send("#");
            recording = true;
        }
        if (recording && serial.echoRequests >= 6) {
            send("#");
            return true;
        }
        return false;
    });
    ASSERT_FALSE(console.s.recording_on);
    const std::string spl = readFile(dir.path() / "Purlo.Spl");
    EXPECT_GE(std::count(spl.begin(), spl.end(), '\xff'), 4 * 100);
    const auto c = bench::compareRecording(bench::sentToPc(readFile(dir.path() / "traffic.log")),
                                           spl, console.s.sample_length);
    EXPECT_TRUE(c.clean()) << c.firstProblem;
    EXPECT_GE(c.recordsMatched, 4);
}

TEST_F(BehindSer2net, AServerGoneIsALostPortAndItsReturnResumesAcquisitionAndRecording) {
    const std::string address = rfc2217.address();
    use(address);
    PortWatcher watcher(console);
    console.resume.enabled = true;
    bool recording = false;
    bool gone = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!recording && valuesShown()) {
            send("#");
            recording = true;
        }
        if (recording && !gone && serial.echoRequests >= 3) {
            gone = true;
            rfc2217.kill();
        }
    });
    watch.start(20);
    console.click(Control::Com_start_stop);  // returns when the loss ends acquisition
    watch.stop();
    ASSERT_TRUE(gone);
    EXPECT_EQ(count(kReceiveError), 1);
    EXPECT_EQ(listLines().back(), "* Comm1 (" + address + ") was removed; waiting for it.");
    EXPECT_EQ(window.text(Control::Com_start_stop), "Start");
    EXPECT_TRUE(watcher.watching());
    const std::string before = readFile(dir.path() / "Purlo.Spl");

    // Refused while it is away: the console waits at rest.
    e2e::runEventsFor(1500);
    EXPECT_FALSE(console.s.port_open);
    EXPECT_TRUE(watcher.watching());
    window.setWindowCaption("");
    const int recordsBefore = serial.echoRequests;
    ASSERT_TRUE(rfc2217.start());
    bool stopped = false;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!stopped && console.s.port_open && valuesShown() &&
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
    EXPECT_FALSE(watcher.watching());
    const std::string after = readFile(dir.path() / "Purlo.Spl");
    EXPECT_EQ(after.substr(0, before.size()), before);
    EXPECT_NE(after.find('=', before.size()), std::string::npos);
}

// Cut off without a FIN or a RST (a server switched off, its cable pulled):
// nothing the console sends is acknowledged and nothing comes back, and only
// its own timeouts can tell. The wait below is bounded, so a console that
// never notices fails the test instead of hanging it.
TEST_F(BehindSer2net, AServerGoneWithoutAWordIsNoticedWithinSecondsAndItsReturnResumes) {
    testsupport::VanishingRelay relay(rfc2217.port());
    const std::string address = relay.address("rfc2217://");
    use(address);
    PortWatcher watcher(console);
    console.resume.enabled = true;
    QElapsedTimer sinceGone;
    int unanswered = 0;  // the console's segments the vanished end left unanswered
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!sinceGone.isValid() && valuesShown() && serial.echoRequests >= 2) {
            relay.vanish();
            sinceGone.start();
        }
        if (!sinceGone.isValid()) return;
        const testsupport::ConnectionTo c = testsupport::connectionTo(relay.port());
        if (c.established) unanswered = std::max(unanswered, c.unanswered);
        if (sinceGone.elapsed() > 20000) console.click(Control::Com_start_stop);
    });
    watch.start(20);
    console.click(Control::Com_start_stop);  // returns when the loss ends acquisition
    watch.stop();
    ASSERT_TRUE(sinceGone.isValid());
    const qint64 noticedMs = sinceGone.elapsed();
    // Half-open indeed: established on the console's side, its segments unanswered.
    EXPECT_GT(unanswered, 0);
    EXPECT_LT(noticedMs, 10000);
    EXPECT_EQ(count(kReceiveError), 1);
    EXPECT_EQ(listLines().back(), "* Comm1 (" + address + ") was removed; waiting for it.");
    EXPECT_EQ(window.text(Control::Com_start_stop), "Start");
    ASSERT_TRUE(watcher.watching());

    e2e::runEventsFor(1000);  // refused while away
    EXPECT_FALSE(console.s.port_open);
    const int recordsBefore = serial.echoRequests;
    window.setWindowCaption("");
    relay.comeBack();
    QElapsedTimer clock;
    clock.start();
    bool resumed = false;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!resumed && console.s.port_open && valuesShown() &&
            serial.echoRequests >= recordsBefore + 2) {
            resumed = true;
            console.click(Control::Com_start_stop);
        }
    });
    watch.start(20);
    while (!resumed && clock.elapsed() < 15000) e2e::runEventsFor(50);
    ASSERT_TRUE(resumed) << "acquisition did not resume; last line: " << listLines().back();
    EXPECT_EQ(count("* Comm1 is back; acquisition resumed."), 1);
}

// Each kind of client at the other kind of port: the open fails with the
// specified line, and the chooser says which address to try instead.
TEST_F(BehindSer2net, AServerOfTheOtherKindFailsTheStartAndTheAddressToTryIsSaid) {
    const std::string rfc2217AtRaw = "rfc2217://127.0.0.1:" + std::to_string(raw.port());
    const std::string rawAtRfc2217 = "tcp://127.0.0.1:" + std::to_string(rfc2217.port());
    for (const std::string& address : {rawAtRfc2217, rfc2217AtRaw}) {
        use(address);
        EXPECT_FALSE(runLiveUntil([&] { return valuesShown(); }, 6000)) << address;
        EXPECT_EQ(listLines().back(), "* Error while setting Comm. Port or baudrate!");
        EXPECT_EQ(window.text(Control::Com_start_stop), "Start");
    }
    EXPECT_EQ(NetworkPorts::failure(rawAtRfc2217),
              "speaks Telnet (RFC 2217?): try " + rfc2217.address());
    EXPECT_EQ(NetworkPorts::failure(rfc2217AtRaw),
              "no RFC 2217 answer within 3 s: raw TCP? try " + raw.address());
    EXPECT_EQ(count("* Error while getting RS232 data via communication chanel!"), 0);
}

TEST_F(BehindSer2net, AServerThatRefusesGivesTheSpecifiedLineAndTheReason) {
    const std::string address = rfc2217.address();
    rfc2217.kill();
    use(address);
    console.click(Control::Com_start_stop);
    EXPECT_EQ(listLines().back(), "* Error while setting Comm. Port or baudrate!");
    EXPECT_EQ(window.text(Control::Com_start_stop), "Start");
    EXPECT_EQ(NetworkPorts::failure(address), "refused");
    use("tcp://no-such-host.invalid:4001");
    console.click(Control::Com_start_stop);
    EXPECT_EQ(NetworkPorts::failure("tcp://no-such-host.invalid:4001"), "name not found");
}

// The server of a port lost under acquisition comes back as one that
// accepts every connection and ends it at once (ser2net whose device is in
// use, another console that took the port over, a relay whose far side is
// down): socat running /bin/true for each connection, on the same port.
TEST_F(BehindSer2net, AServerThatKeepsDroppingIsTriedEverMoreRarelySaidOnceAndTheWaitCanEnd) {
    // The option is stored per user: here, in the scratch folder.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(dir.path().string()));
    const std::string address = raw.address();
    use(address);
    PortWatcher watcher(console);
    QAction option;
    watcher.bindOption(&option);
    option.setChecked(true);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (valuesShown()) raw.kill();
    });
    watch.start(20);
    console.click(Control::Com_start_stop);  // returns when the loss ends acquisition
    watch.stop();
    ASSERT_EQ(listLines().back(), "* Comm1 (" + address + ") was removed; waiting for it.");
    ASSERT_TRUE(watcher.watching());
    const std::size_t linesThen = listLines().size();
    testsupport::SimProcess dropping("/usr/bin/socat", {"TCP-LISTEN:" + std::to_string(raw.port()) +
                                                            ",bind=127.0.0.1,reuseaddr,fork",
                                                        "EXEC:/bin/true"});

    // When the watcher's tries met a drop.
    std::vector<qint64> drops;
    QElapsedTimer clock;
    clock.start();
    const int dropsBefore = NetworkPorts::silentDrops(address);
    while (NetworkPorts::failure(address) != NetworkPorts::kKeepsDropping &&
           clock.elapsed() < 20000) {
        e2e::runEventsFor(10);
        while (static_cast<int>(drops.size()) < NetworkPorts::silentDrops(address) - dropsBefore)
            drops.push_back(clock.elapsed());
    }
    // A connection is no return: each drop waits longer before the next
    // try, and the list does not hear of them.
    ASSERT_EQ(NetworkPorts::failure(address), NetworkPorts::kKeepsDropping);
    ASSERT_GE(drops.size(), 2u);
    const auto last = drops.size() - 1;
    EXPECT_GE(drops[last] - drops[last - 1], 900);
    EXPECT_EQ(listLines().size(), linesThen);
    EXPECT_FALSE(console.s.port_open);
    EXPECT_TRUE(watcher.watching());

    // The technician stops waiting: nothing more is tried.
    option.setChecked(false);
    EXPECT_FALSE(watcher.watching());
    EXPECT_FALSE(console.resume.waiting);
    const int dropsThen = NetworkPorts::silentDrops(address);
    e2e::runEventsFor(4000);
    EXPECT_EQ(NetworkPorts::silentDrops(address), dropsThen);
    EXPECT_EQ(listLines().size(), linesThen);
}

// The simulator as a raw TCP device server of its own (--tcp), as a Windows
// laptop reaches it: values and echo records come through tcp://, and once
// the console has let go the next connection is served as the first was.
struct SimulatorOverTcp : ::testing::Test, e2e::LiveConsole {
    SimulatorOverTcp() : LiveConsole(simOptions({"--baud", "9600"})) {}
};

TEST_F(SimulatorOverTcp, ShowsValuesAndEchoRecordsToOnePcAfterAnother) {
    testsupport::SimProcess server(PURLO_PROBE_SIM, simOptions({"--baud", "9600", "--tcp", "0"}));
    const std::string printed = server.firstLine();
    ASSERT_TRUE(printed.starts_with("tcp://")) << printed;
    const std::string address = "tcp://127.0.0.1:" + printed.substr(printed.rfind(':') + 1);
    setenv("PURLO_COMM1", address.c_str(), 1);
    for (int connection = 1; connection <= 2; ++connection) {
        const int before = serial.echoRequests;
        window.setText(Control::Com_view_us_fq, "");
        window.setWindowCaption("");
        const bool met = runLiveUntil([&] {
            return window.text(Control::Com_view_us_fq) == "25.1kc" &&
                   window.windowCaption().ends_with(" mm") && serial.echoRequests >= before + 3;
        });
        EXPECT_TRUE(met) << "connection " << connection << ": " << listLines().back();
        EXPECT_EQ(console.link().openedDevice(), address);
        EXPECT_NEAR(console.s.fill_height, 1000.0f, 30.0f);
        EXPECT_FALSE(console.s.port_open);
    }
    EXPECT_EQ(server.stop(), 0);
}

}  // namespace
}  // namespace purlo
