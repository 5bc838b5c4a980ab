// The command line of purlo-probe-sim.
#include <gtest/gtest.h>

#include "sim/SimOptions.h"

namespace purlo::sim::test {
namespace {

TEST(SimOptions, EveryOptionReachesItsSetting) {
    const SimSettings s = parseArguments(
        {"--link", "demo/com1",   "--log=t.log", "--state",       "p.mem", "--level-min",
         "600",    "--level-max", "1700.5",      "--level-speed", "12",    "--noise",
         "2.5",    "--spikes",    "0.01",        "--temperature", "-5",    "--samples",
         "100",    "--baud",      "19200",       "--seed",        "77",    "--fast",
         "--alarm", "--time-scale", "20"});
    EXPECT_EQ(s.link, "demo/com1");
    EXPECT_EQ(s.log, "t.log");
    EXPECT_EQ(s.probe.stateFile, "p.mem");
    EXPECT_EQ(s.probe.levelMinMm, 600.0);
    EXPECT_EQ(s.probe.levelMaxMm, 1700.5);
    EXPECT_EQ(s.probe.levelSpeedMmPerS, 12.0);
    EXPECT_EQ(s.probe.noiseMm, 2.5);
    EXPECT_EQ(s.probe.spikeProbability, 0.01);
    EXPECT_EQ(s.probe.temperatureC, -5.0);
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
        std::vector<std::string>{"--level-min", "2000", "--level-max", "1000"}));

}  // namespace
}  // namespace purlo::sim::test
