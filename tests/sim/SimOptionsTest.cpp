// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of purlo-probe-sim.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "sim/SimOptions.h"

namespace purlo::sim::test {
namespace {

TEST(SimOptions, EveryOptionReachesItsSetting) {
    const SimSettings s =
        parseArguments({"--link",  "demo/com1",     "--log=t.log", "--state",
                        "p.mem",   "--level-min",   "600",         "--level-max",
                        "1700.5",  "--level-speed", "12",          "--noise",
                        "2.5",     "--spikes",      "0.01",        "--temperature",
                        "-5",      "--samples",     "100",         "--baud",
                        "19200",   "--seed",        "77",          "--fast",
                        "--alarm", "--time-scale",  "20",          "--false-echo",
                        "300",     "--resonance",   "22.5",        "--temperature-swing",
                        "0"});
    EXPECT_EQ(s.link, "demo/com1");
    EXPECT_EQ(s.log, "t.log");
    EXPECT_EQ(s.probe.stateFile, "p.mem");
    EXPECT_EQ(s.probe.levelMinMm, 600.0);
    EXPECT_EQ(s.probe.levelMaxMm, 1700.5);
    EXPECT_EQ(s.probe.levelSpeedMmPerS, 12.0);
    EXPECT_EQ(s.probe.noiseMm, 2.5);
    EXPECT_EQ(s.probe.spikeProbability, 0.01);
    EXPECT_EQ(s.probe.falseEchoSample, 300);
    EXPECT_EQ(s.probe.resonanceKhz, 22.5);
    EXPECT_EQ(s.probe.temperatureC, -5.0);
    EXPECT_EQ(s.probe.temperatureSwingC, 0.0);
    EXPECT_EQ(s.probe.samplesPerRecord, 100);
    EXPECT_EQ(s.probe.initialBaud, 19200);
    EXPECT_EQ(s.probe.seed, 77u);
    EXPECT_TRUE(s.fast);
    EXPECT_EQ(s.timeScale, 20.0);
    EXPECT_TRUE(s.probe.alarm);
    EXPECT_FALSE(s.help);
}

TEST(SimOptions, NoArgumentsGiveTheModelDefaults) {
    const SimSettings s = parseArguments({});
    EXPECT_TRUE(s.link.empty());
    EXPECT_EQ(s.tcpPort, -1);  // a pty
    EXPECT_EQ(parseArguments({"--tcp", "7001"}).tcpPort, 7001);
    EXPECT_FALSE(s.fast);
    EXPECT_EQ(s.timeScale, 1.0);
    EXPECT_EQ(s.probe.samplesPerRecord, 160);
    EXPECT_EQ(s.probe.initialBaud, 9600);
}

class BadCommandLine : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(BadCommandLine, IsRefusedWithAMessage) {
    EXPECT_THROW(parseArguments(GetParam()), UsageError);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadCommandLine,
    ::testing::Values(
        std::vector<std::string>{"--speed", "3"}, std::vector<std::string>{"--link"},
        std::vector<std::string>{"--noise", "lots"}, std::vector<std::string>{"--noise", "-1"},
        std::vector<std::string>{"--samples", "0"}, std::vector<std::string>{"--baud", "9000"},
        std::vector<std::string>{"--spikes", "1.5"}, std::vector<std::string>{"--level-min", "nan"},
        std::vector<std::string>{"--fast=yes"}, std::vector<std::string>{"--time-scale", "0"},
        std::vector<std::string>{"--level-min", "2000", "--level-max", "1000"},
        std::vector<std::string>{"--tcp", "65536"},
        std::vector<std::string>{"--tcp", "7001", "--link", "demo/com1"}));

TEST(SimOptions, HelpAndVersionAreFlags) {
    EXPECT_TRUE(parseArguments({"--help"}).help);
    EXPECT_TRUE(parseArguments({"-h"}).help);
    const SimSettings v = parseArguments({"--version"});
    EXPECT_TRUE(v.version);
    EXPECT_FALSE(v.help);
    EXPECT_FALSE(parseArguments({}).version);
}

TEST(SimOptions, OneDashWordsAndRepeatedOptions) {
    // A single dash starts a whole option name, and a value may start with
    // a dash; given twice, the last value counts.
    const SimSettings s =
        parseArguments({"-noise", "2", "--temperature", "-12.5", "--seed", "3", "--seed=9"});
    EXPECT_EQ(s.probe.noiseMm, 2.0);
    EXPECT_EQ(s.probe.temperatureC, -12.5);
    EXPECT_EQ(s.probe.seed, 9u);
}

std::string messageOf(const std::vector<std::string>& args) {
    try {
        parseArguments(args);
    } catch (const UsageError& e) {
        return e.what();
    }
    return "(accepted)";
}

TEST(SimOptions, MessagesNameTheOptionAndTheValue) {
    EXPECT_EQ(messageOf({"--noise", "lots"}), "--noise: \"lots\" is not a number");
    EXPECT_EQ(messageOf({"--level-min", "nan"}), "--level-min: \"nan\" is not finite");
    EXPECT_EQ(messageOf({"--samples=0"}), "--samples: 0 is outside 1 to 4096");
    EXPECT_EQ(messageOf({"--baud", "9000"}),
              "--baud: 9000 is not a probe rate (300, 600, ... 38400)");
    EXPECT_EQ(messageOf({"--level-min", "2000", "--level-max", "1000"}),
              "--level-min is greater than --level-max");
    EXPECT_EQ(messageOf({"--tcp", "0", "--link", "demo/com1"}),
              "--link and --tcp exclude each other: the probe is on a pty or on TCP");
    // What the parser itself refuses names the option or the stray argument.
    EXPECT_NE(messageOf({"--speed", "3"}).find("'speed'"), std::string::npos);
    EXPECT_NE(messageOf({"--link"}).find("'--link'"), std::string::npos);
    EXPECT_NE(messageOf({"--fast=yes"}).find("'--fast'"), std::string::npos);
    EXPECT_EQ(messageOf({"demo/com1"}), "unexpected argument 'demo/com1'");
    EXPECT_EQ(messageOf({"--", "--fast"}), "unexpected argument '--fast'");
}

// The help text is the option list the manual page and the README repeat:
// every option it shows must be one the parser takes, as shown. Without
// pseudo-terminals (Windows) it leaves out --link and only --link.
TEST(SimOptions, EveryOptionInTheHelpIsAccepted) {
    const std::regex optionLine(R"(^  (--[a-z-]+)( [A-Z/]+)? .*)");
    for (const bool withPty : {true, false}) {
        std::istringstream help(usageText(withPty));
        int options = 0;
        bool link = false;
        for (std::string line; std::getline(help, line);) {
            std::smatch m;
            if (!std::regex_match(line, m, optionLine)) continue;
            ++options;
            link = link || m[1] == "--link";
            std::vector<std::string> args{m[1].str()};
            if (m[2].matched) {
                // A value every option takes, but for these three.
                args.push_back(m[1] == "--baud"        ? "4800"
                               : m[1] == "--level-max" ? "2000"
                               : m[1] == "--resonance" ? "25"
                                                       : "1");
            }
            EXPECT_NO_THROW(parseArguments(args)) << line;
        }
        // 24 settings, --help and --version
        EXPECT_EQ(options, withPty ? 26 : 25) << withPty;
        EXPECT_EQ(link, withPty);
    }
}

}  // namespace
}  // namespace purlo::sim::test
