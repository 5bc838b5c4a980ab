// SPDX-License-Identifier: GPL-3.0-or-later
// The serial adapter: the port map and a real pseudo-terminal
// standing in for the probe's cable.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "serial/CommPort.h"
#include "serial/PortMap.h"
#include "serial/ports/PortBindings.h"
#include "serial/ports/SystemPortCatalogue.h"
#include "support/FileBytes.h"
#include "support/ScratchDir.h"
#include "text/RuntimeError.h"

namespace purlo {
namespace {

// Sets an environment variable for one test.
class EnvVar {
  public:
    EnvVar(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~EnvVar() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    EnvVar(const EnvVar&) = delete;
    EnvVar& operator=(const EnvVar&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(PortMap, AnEnvironmentVariableNamesTheDevice) {
    EnvVar one("PURLO_COMM1", "/dev/pts/77");
    EnvVar three("PURLO_COMM3", "/tmp/probe-link");
    EXPECT_EQ(deviceForComm(1), "/dev/pts/77");
    EXPECT_EQ(deviceForComm(3), "/tmp/probe-link");
}

TEST(PortMap, OtherwiseAUsbAdapterACdcAcmOneOrTheBuiltInPort) {
    for (int n = 1; n <= 4; ++n) {
        EnvVar empty(("PURLO_COMM" + std::to_string(n)).c_str(), "");
        const std::string index = std::to_string(n - 1);
        const std::string usb = "/dev/ttyUSB" + index;
        const std::string acm = "/dev/ttyACM" + index;
        const std::string builtIn = "/dev/ttyS" + index;
        EXPECT_EQ(deviceForComm(n), std::filesystem::exists(usb)   ? usb
                                    : std::filesystem::exists(acm) ? acm
                                                                   : builtIn);
    }
    EXPECT_THROW(deviceForComm(0), RuntimeError);
}

TEST(CommPortClosed, EveryOperationNeedingTheLinkThrows) {
    CommPort port;
    EXPECT_FALSE(port.portOpen());
    EXPECT_THROW(port.inBufferCount(), RuntimeError);
    EXPECT_THROW(port.clearInBuffer(), RuntimeError);
    EXPECT_THROW(port.output("?"), RuntimeError);
    EXPECT_THROW(port.input(), RuntimeError);
    EXPECT_NO_THROW(port.setPortOpen(false));
}

TEST(CommPortClosed, RefusesInvalidSettingsAndKeepsTheOldOnes) {
    CommPort port;
    EXPECT_THROW(port.setCommPort(0), RuntimeError);
    EXPECT_THROW(port.setInputLen(-1), RuntimeError);
    EXPECT_THROW(port.setSettings("9600,N,8"), RuntimeError);
    EXPECT_NO_THROW(port.setSettings("300,N,8,1"));
}

TEST(CommPortClosed, AMissingDeviceCannotBeOpened) {
    EnvVar missing("PURLO_COMM2", "/nonexistent/ttyPurlo");
    CommPort port;
    port.setCommPort(2);
    EXPECT_EQ(port.deviceName(), "/nonexistent/ttyPurlo");
    EXPECT_THROW(port.setPortOpen(true), RuntimeError);
    EXPECT_FALSE(port.portOpen());
}

// A pseudo-terminal: the console opens the slave through PURLO_COMM1, the
// test plays the probe on the master.
class Pty {
  public:
    Pty() {
        char name[256] = {};
        if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) return;
        termios raw{};
        tcgetattr(slave_, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave_, TCSANOW, &raw);
        name_ = name;
    }
    ~Pty() {
        closeSlave();
        closeMaster();
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool ok() const { return !name_.empty(); }
    const std::string& name() const { return name_; }
    // Only the console's own descriptor keeps the slave open after this.
    void closeSlave() {
        if (slave_ >= 0) close(slave_);
        slave_ = -1;
    }
    void closeMaster() {
        if (master_ >= 0) close(master_);
        master_ = -1;
    }
    void send(std::string_view bytes) const {
        ASSERT_EQ(write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Writes what the line takes right now without waiting; returns how much.
    std::size_t offer(std::string_view bytes) const {
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
        const ssize_t n = write(master_, bytes.data(), bytes.size());
        return n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    // What the console sent, waiting up to two seconds for it.
    std::string receive(std::size_t count) const {
        std::string got;
        while (got.size() < count) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 2000) <= 0) break;
            char buf[64];
            const ssize_t n = read(master_, buf, std::min(sizeof buf, count - got.size()));
            if (n <= 0) break;
            got.append(buf, static_cast<std::size_t>(n));
        }
        return got;
    }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string name_;
};

// Runs the event loop, as the console's yields do, until `done` holds or two
// seconds pass; true when it held.
bool runEventsUntil(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    QTimer wake;
    wake.setInterval(20);
    while (clock.elapsed() < 2000) {
        if (done()) return true;
        wake.start();
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return done();
}

struct PtyLink : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(pty.ok()) << "no pseudo-terminal";
        env.emplace("PURLO_COMM1", pty.name());
        port.setCommPort(1);
        port.setSettings("9600,N,8,1");
        port.setInputMode(InputMode::Text);
        port.setInputLen(1);
        port.setPortOpen(true);
        pty.closeSlave();
    }

    Pty pty;
    std::optional<EnvVar> env;
    CommPort port;
};

TEST_F(PtyLink, OneCharacterEachWay) {
    ASSERT_TRUE(port.portOpen());
    EXPECT_EQ(port.deviceName(), pty.name());
    EXPECT_EQ(port.input(), "");

    pty.send("D");
    std::string got;
    EXPECT_TRUE(runEventsUntil([&] { return !(got = port.input()).empty(); }));
    EXPECT_EQ(got, "D");

    port.output("?");
    EXPECT_EQ(pty.receive(1), "?");
}

TEST_F(PtyLink, ReadLengthOneTakesOneCharacterAtATime) {
    pty.send("D2145\r\n");
    ASSERT_TRUE(runEventsUntil([&] { return port.inBufferCount() == 7; }));
    std::string line;
    for (int i = 0; i < 7; ++i) line += port.input();
    EXPECT_EQ(line, "D2145\r\n");
    EXPECT_EQ(port.input(), "");
    EXPECT_EQ(port.inBufferCount(), 0);
}

TEST_F(PtyLink, BinaryReadsDeliverZeroBytesAndEverythingWaiting) {
    port.setNullDiscard(false);
    port.setInputMode(InputMode::Binary);
    port.setInputLen(0);
    const std::string record("=\x00\xff\x80\x00", 5);
    pty.send(record);
    ASSERT_TRUE(runEventsUntil([&] { return port.inBufferCount() == 5; }));
    EXPECT_EQ(port.input(), record);
    EXPECT_EQ(port.input(), "");
}

TEST_F(PtyLink, NullDiscardDropsZeroBytes) {
    port.setNullDiscard(true);
    port.setInputLen(0);
    pty.send(
        std::string("a\x00"
                    "b",
                    3));
    ASSERT_TRUE(runEventsUntil([&] { return port.inBufferCount() == 2; }));
    EXPECT_EQ(port.input(), "ab");
}

TEST_F(PtyLink, APeerSendingWhileNobodyReadsFillsOnlyTheReceiveBuffer) {
    // The port is open, the events run, and nobody reads: a probe in
    // continuous mode after a manual send, or behind a dialog left open.
    const std::string chunk(4096, 'x');
    constexpr std::size_t kOffered = std::size_t{8} * 1024 * 1024;
    std::size_t accepted = 0;
    QElapsedTimer clock;
    clock.start();
    QTimer wake;
    wake.start(1);
    while (accepted < kOffered && clock.elapsed() < 1000) {
        accepted += pty.offer(chunk);
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    EXPECT_LE(static_cast<std::size_t>(port.inBufferCount()), CommPort::kReceiveBufferBytes);
    // The line pushed back instead of the program taking it all in.
    EXPECT_LT(accepted, kOffered / 2);
    // What waits is the start of what was sent, and reading it makes room again.
    port.setInputLen(0);
    const std::string first = port.input();
    EXPECT_EQ(first.size(), CommPort::kReceiveBufferBytes);
    EXPECT_EQ(first.find_first_not_of('x'), std::string::npos);
    EXPECT_TRUE(runEventsUntil([&] { return port.inBufferCount() > 0; }));
}

TEST_F(PtyLink, ClearingTheInputBufferDiscardsWhatWaits) {
    pty.send("xyz");
    ASSERT_TRUE(runEventsUntil([&] { return port.inBufferCount() == 3; }));
    port.clearInBuffer();
    EXPECT_EQ(port.inBufferCount(), 0);
    EXPECT_EQ(port.input(), "");
}

TEST_F(PtyLink, InputWaitingBeforeTheOpenIsDropped) {
    port.setPortOpen(false);
    pty.send("stale");
    port.setPortOpen(true);
    pty.send("F");
    std::string got;
    EXPECT_TRUE(runEventsUntil([&] { return !(got = port.input()).empty(); }));
    EXPECT_EQ(got, "F");
}

TEST_F(PtyLink, ChangesLineSettingsWhileOpen) {
    EXPECT_NO_THROW(port.setSettings("38400,N,8,1"));
    EXPECT_THROW(port.setSettings("38400,N,8"), RuntimeError);
    port.output("!");
    EXPECT_EQ(pty.receive(1), "!");
}

TEST_F(PtyLink, ASecondOpenOfTheSameDeviceFails) {
    CommPort other;
    other.setCommPort(1);
    EXPECT_THROW(other.setPortOpen(true), RuntimeError);
    EXPECT_FALSE(other.portOpen());
    EXPECT_TRUE(port.portOpen());
}

TEST_F(PtyLink, APeerThatVanishesClosesThePortInsteadOfSpinning) {
    pty.closeMaster();
    bool threw = false;
    EXPECT_TRUE(runEventsUntil([&] {
        try {
            port.input();
            return false;
        } catch (const RuntimeError&) {
            threw = true;
            return true;
        }
    }));
    EXPECT_TRUE(threw);
    EXPECT_FALSE(port.portOpen());
    // It stays failed, with no read errors piling up in the event loop.
    EXPECT_THROW(port.input(), RuntimeError);
    EXPECT_THROW(port.output("?"), RuntimeError);
    EXPECT_THROW(port.inBufferCount(), RuntimeError);
    EXPECT_NO_THROW(port.setPortOpen(false));
}

TEST_F(PtyLink, ClosesAndReopens) {
    port.setPortOpen(false);
    EXPECT_FALSE(port.portOpen());
    EXPECT_THROW(port.output("?"), RuntimeError);
    port.setPortOpen(true);
    port.output("?");
    EXPECT_EQ(pty.receive(1), "?");
}

using testsupport::ScratchDir;

QString qs(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}

void writeLock(const std::filesystem::path& file, long pid) {
    std::FILE* f = std::fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fprintf(f, "%10ld\n", pid);  // as UUCP locks hold it
    std::fclose(f);
}

// A process id nobody has: a child that has ended and been reaped.
long endedProcess() {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

// The device of Comm2 bound, as the chooser binds it, to a stable link that
// points at a pseudo-terminal; the link goes as a pulled adapter's does.
TEST(PortBinding, ABoundPortOpensByItsLinkAndStaysBoundWhenItIsGone) {
    Pty pty;
    ASSERT_TRUE(pty.ok());
    ScratchDir dir;
    const std::filesystem::path link = dir / "usb-Acme_Probe_Cable_A1-if00-port0";
    std::filesystem::create_symlink(pty.name(), link);
    EnvVar unset("PURLO_COMM2", "");
    PortBindings::bind(2, link.string());
    EXPECT_EQ(PortBindings::binding(2), link.string());
    EXPECT_EQ(PortBindings::binding(1), "");

    CommPort port;
    port.setCommPort(2);
    port.setSettings("9600,N,8,1");
    EXPECT_EQ(port.deviceName(), link.string());
    port.setPortOpen(true);
    ASSERT_TRUE(port.portOpen());
    pty.send("D");
    std::string got;
    EXPECT_TRUE(runEventsUntil([&] { return !(got = port.input()).empty(); }));
    EXPECT_EQ(got, "D");
    port.setPortOpen(false);

    std::filesystem::remove(link);
    const CommMapping gone = commMapping(2, SystemPortCatalogue());
    EXPECT_EQ(gone.device, link.string());
    EXPECT_TRUE(gone.boundButAbsent);
    EXPECT_THROW(port.setPortOpen(true), RuntimeError);
    EXPECT_FALSE(port.portOpen());
    EXPECT_EQ(port.deviceName(), link.string());

    PortBindings::unbind(2);
    EXPECT_EQ(PortBindings::binding(2), "");
    EXPECT_EQ(commMapping(2, SystemPortCatalogue()).source, CommSource::Automatic);
}

TEST(SystemPortCatalogue, FindsTheStableLinkOfADevice) {
    ScratchDir dir;
    std::filesystem::create_directory(dir / "by-id");
    testsupport::writeFile(dir / "ttyUSB7", "");
    testsupport::writeFile(dir / "ttyUSB8", "");
    const std::filesystem::path link = dir / "by-id" / "usb-FTDI_FT232R_USB_UART_A9KX-if00-port0";
    std::filesystem::create_symlink(dir / "ttyUSB7", link);
    const SystemPortCatalogue catalogue(qs(dir / "by-id"), {});
    EXPECT_EQ(catalogue.stablePathOf(qs(dir / "ttyUSB7")), qs(link));
    EXPECT_EQ(catalogue.stablePathOf(qs(dir / "ttyUSB8")), QString());
    EXPECT_TRUE(catalogue.exists(link.string()));
    std::filesystem::remove(dir / "ttyUSB7");
    EXPECT_FALSE(catalogue.exists(link.string()));  // a link to nothing is no device
}

TEST(SystemPortCatalogue, SaysWhyADeviceCannotBeOpened) {
    ScratchDir dir;
    ScratchDir locks;
    const std::filesystem::path device = dir / "ttyUSB7";
    const std::filesystem::path link = dir / "usb-Acme-if00";
    testsupport::writeFile(device, "");
    std::filesystem::create_symlink(device, link);
    const SystemPortCatalogue catalogue(qs(dir.path()), {qs(locks.path())});
    EXPECT_EQ(catalogue.access((dir / "ttyUSB9").string()), PortAccess::Absent);
    EXPECT_EQ(catalogue.access(device.string()), PortAccess::Usable);

    // Serial programs lock a device by its path below /dev, '/' as '_'.
    std::string name = device.string();
    std::replace(name.begin(), name.end(), '/', '_');
    const std::filesystem::path lock = locks / ("LCK.." + name);
    writeLock(lock, getppid());
    EXPECT_EQ(catalogue.access(device.string()), PortAccess::Busy);
    EXPECT_EQ(catalogue.access(link.string()), PortAccess::Busy);  // locked by its device's name
    writeLock(lock, getpid());                                     // this console's own open
    EXPECT_EQ(catalogue.access(device.string()), PortAccess::Usable);
    writeLock(lock, endedProcess());  // left behind
    EXPECT_EQ(catalogue.access(device.string()), PortAccess::Usable);
    // Qt's locks name the program too: one whose number another program took is stale.
    std::string parent = testsupport::readFile("/proc/" + std::to_string(getppid()) + "/comm");
    while (!parent.empty() && parent.back() == '\n') parent.pop_back();
    testsupport::writeFile(lock, std::to_string(getppid()) + "\n" + parent + "\nhost\n");
    EXPECT_EQ(catalogue.access(device.string()), PortAccess::Busy);
    testsupport::writeFile(lock, std::to_string(getppid()) + "\nnot-" + parent + "\nhost\n");
    EXPECT_EQ(catalogue.access(device.string()), PortAccess::Usable);
    std::filesystem::remove(lock);

    // A device this user may not open; for root, as an ordinary user.
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all |
                                                 std::filesystem::perms::group_exec |
                                                 std::filesystem::perms::others_exec);
    std::filesystem::permissions(
        device, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    if (geteuid() != 0) {
        std::filesystem::permissions(device, std::filesystem::perms::none);
        EXPECT_EQ(catalogue.access(device.string()), PortAccess::NoPermission);
        return;
    }
    const pid_t child = fork();
    if (child == 0) {
        const bool asNobody = setgid(65534) == 0 && setuid(65534) == 0;
        _exit(asNobody && catalogue.access(device.string()) == PortAccess::NoPermission ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
}  // namespace purlo
