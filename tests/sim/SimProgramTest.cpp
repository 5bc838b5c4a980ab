// SPDX-License-Identifier: GPL-3.0-or-later
// End to end: the built purlo-probe-sim on a pseudo-terminal, reached through
// its link with plain POSIX termios, as a serial program would.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "ProbeTestSupport.h"
#include "sim/SimOptions.h"
#include "support/FileBytes.h"
#include "support/SimProcess.h"

namespace purlo::sim::test {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using testsupport::SimProcess;

// The PC's end of the line, opened and set up with plain termios.
class Port {
  public:
    Port(const std::filesystem::path& device, speed_t speed) {
        fd_ = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ < 0) throw std::runtime_error("cannot open " + device.string());
        setSpeed(speed);
        tcflush(fd_, TCIOFLUSH);
    }
    ~Port() { close(fd_); }
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;

    void setSpeed(speed_t speed) {
        termios t{};
        tcgetattr(fd_, &t);
        cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        cfsetispeed(&t, speed);
        cfsetospeed(&t, speed);
        tcsetattr(fd_, TCSANOW, &t);
    }
    void write(std::string_view bytes) {
        ASSERT_EQ(::write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Reads until `done` says the bytes are complete or the time is up.
    template <class Done>
    std::string readUntil(Done done, std::chrono::milliseconds limit = 3s) {
        std::string got;
        const auto end = Clock::now() + limit;
        while (Clock::now() < end && !done(got)) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) continue;
            char buffer[512];
            const ssize_t n = read(fd_, buffer, sizeof buffer);
            if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }
    std::string readFor(std::chrono::milliseconds time) {
        return readUntil([](const std::string&) { return false; }, time);
    }
    std::string readLine() {
        return readUntil([](const std::string& s) { return s.find("\r\n") != std::string::npos; });
    }

  private:
    int fd_ = -1;
};

class SimProgram : public ::testing::Test {
  protected:
    std::filesystem::path link() const { return dir.path() / "purlo-com1"; }
    std::unique_ptr<SimProcess> start(std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"--link", link().string(), "--fast"};
        args.insert(args.end(), extra.begin(), extra.end());
        auto sim = std::make_unique<SimProcess>(PURLO_PROBE_SIM, args);
        EXPECT_EQ(sim->firstLine(), link().string());
        return sim;
    }
    // On-request mode, so only our questions are answered.
    static void quieten(Port& port) {
        port.write("3");
        const std::string got = port.readUntil(
            [](const std::string& s) { return s.find("o3\r\n") != std::string::npos; });
        ASSERT_NE(got.find("o3\r\n"), std::string::npos) << got;
        port.readFor(100ms);
    }
    ScratchDir dir;
};

TEST_F(SimProgram, AnswersAQueryAndSendsAnEchoRecord) {
    auto sim = start();
    ASSERT_TRUE(std::filesystem::is_symlink(link()));
    Port port(link(), B9600);
    quieten(port);
    port.write("q");
    EXPECT_EQ(port.readLine(), "q30\r\n");
    port.write("=");
    const std::string record = port.readUntil([](const std::string& s) { return s.size() >= 161; });
    ASSERT_EQ(record.size(), 161u);
    EXPECT_EQ(record.front(), '=');
    EXPECT_NE(record[1], '\0');          // the burst opens the record
    EXPECT_EQ(port.readFor(400ms), "");  // and nothing follows it in mode 3
    EXPECT_EQ(sim->stop(), 0);
}

TEST_F(SimProgram, SendsDistanceLinesOnItsOwnByDefault) {
    auto sim = start({"--level-min", "1500", "--level-max", "1500"});
    Port port(link(), B9600);
    const std::string got = port.readFor(1000ms);
    const auto all = lines(got);
    EXPECT_GE(all.size(), 2u) << got;
    for (const std::string& line : all) {
        if (!line.empty()) {
            EXPECT_EQ(line, "D1500");
        }
    }
}

TEST_F(SimProgram, PortCanBeClosedAndOpenedAgain) {
    auto sim = start();
    {
        Port port(link(), B9600);
        quieten(port);
    }
    Port again(link(), B9600);
    again.readFor(100ms);
    again.write("P");
    EXPECT_EQ(again.readLine(), "P4\r\n");
}

// The probe moves to 19200 after "B", "W" and "Z": a PC at 9600 no longer gets
// through, one at 19200 does.
TEST_F(SimProgram, MismatchedLineRatesGarbleUntilThePcFollows) {
    auto sim = start();
    Port port(link(), B9600);
    quieten(port);
    port.write("BW");
    EXPECT_EQ(port.readLine(), "x19200\r\n");
    port.write("Z");
    port.readFor(100ms);
    port.write("q");
    EXPECT_EQ(port.readFor(400ms).find("q30"), std::string::npos);
    port.setSpeed(B19200);
    port.write("q");
    EXPECT_EQ(port.readLine(), "q30\r\n");
}

TEST_F(SimProgram, EndsCleanlyOnSignalsRemovesItsLinkAndLogsBothWays) {
    for (const int signal : {SIGTERM, SIGINT}) {
        const auto log = dir.path() / "traffic.log";
        auto sim = start({"--log", log.string()});
        {
            Port port(link(), B9600);
            quieten(port);
            port.write("q");
            EXPECT_EQ(port.readLine(), "q30\r\n");
        }
        EXPECT_EQ(sim->stop(signal), 0);
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link())));
        const std::string text = testsupport::readFile(log);
        EXPECT_NE(text.find("PC -> probe  \"q\""), std::string::npos) << text;
        EXPECT_NE(text.find("probe -> PC  \"q30\\r\\n\""), std::string::npos) << text;
    }
}

TEST_F(SimProgram, ReplacesAStaleLinkButNotAFile) {
    std::filesystem::create_symlink("/dev/null", link());
    {
        auto sim = start();
        EXPECT_NE(std::filesystem::read_symlink(link()), "/dev/null");
    }
    std::filesystem::remove(link());
    std::ofstream(link()) << "precious";
    SimProcess refused(PURLO_PROBE_SIM, {"--link", link().string()});
    EXPECT_EQ(refused.firstLine(), "");
    EXPECT_EQ(refused.stop(SIGTERM), 1);
    EXPECT_EQ(testsupport::readFile(link()), "precious");
}

// The program's answer to a command line it does not run a probe for.
struct Answer {
    int status = -1;
    std::string out, err;
};

Answer answer(const ScratchDir& dir, const std::string& args) {
    const auto out = dir.path() / "out", err = dir.path() / "err";
    const int raw = std::system((std::string("'") + PURLO_PROBE_SIM + "' " + args + " >'" +
                                 out.string() + "' 2>'" + err.string() + "'")
                                    .c_str());
    Answer a;
    a.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    a.out = testsupport::readFile(out);
    a.err = testsupport::readFile(err);
    return a;
}

TEST_F(SimProgram, VersionAndHelpAnswerOnStandardOutput) {
    const Answer version = answer(dir, "--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.substr(0, version.out.find('\n')),
              std::string("purlo-probe-sim ") + PURLO_EXPECTED_VERSION);
    EXPECT_NE(version.out.find("GPL-3.0-or-later"), std::string::npos) << version.out;
    EXPECT_EQ(version.err, "");

    const Answer help = answer(dir, "-h");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out, usageText());
}

TEST_F(SimProgram, AWrongCommandLineEndsWithStatus2AndAMessage) {
    const Answer unknown = answer(dir, "--level 5");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.out, "");  // no device to read: scripts see nothing
    EXPECT_EQ(unknown.err.rfind("purlo-probe-sim: Unknown option 'level'.\n", 0), 0u)
        << unknown.err;
    EXPECT_NE(unknown.err.find(usageText()), std::string::npos);

    const Answer bad = answer(dir, "--spikes 2");
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err.rfind("purlo-probe-sim: --spikes: 2 is outside", 0), 0u) << bad.err;
}

}  // namespace
}  // namespace purlo::sim::test
