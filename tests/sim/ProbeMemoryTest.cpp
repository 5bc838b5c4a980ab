// SPDX-License-Identifier: GPL-3.0-or-later
// Storing ("W"), restarting ("Z"), the state file and the probe's own baud rate.
#include <gtest/gtest.h>

#include <fstream>

#include "ProbeTestSupport.h"

namespace purlo::sim::test {
namespace {

TEST(Memory, RestartComesBackWithWhatWasStored) {
    ProbeModel probe(stillSurface());
    send(probe, "RR3W");   // 6 periods, on request, stored
    send(probe, "RRRU1");  // changed again, not stored
    EXPECT_EQ(send(probe, "Z"), "");
    EXPECT_EQ(send(probe, "Pso"), "P6\r\ns100\r\no3\r\n");
    EXPECT_EQ(probe.restarts(), 1);
}

TEST(Memory, RestartWithoutStoreGivesTheFactorySetting) {
    ProbeModel probe(stillSurface());
    send(probe, "RRRffI");
    send(probe, "Z");
    EXPECT_EQ(probe.parameters(), ProbeParameters{});
}

TEST(Memory, DefaultsAreKeptOnlyWhenStored) {
    ProbeModel probe(stillSurface());
    send(probe, "RRW");  // 6 periods in memory
    send(probe, "SZ");   // defaults, but not stored: the restart brings 6 back
    EXPECT_EQ(send(probe, "P"), "P6\r\n");
    send(probe, "SWZ");
    EXPECT_EQ(send(probe, "P"), "P4\r\n");
}

TEST(Memory, RestartDropsAPendingEchoRecord) {
    ProbeModel probe(stillSurface());
    send(probe, "3W=Z");
    probe.advance(1.0);
    EXPECT_EQ(probe.takeOutput(), "");
}

TEST(Memory, StateFileOutlivesTheProbe) {
    ScratchDir dir;
    ProbeOptions options = stillSurface();
    options.stateFile = dir.path() / "probe.mem";
    {
        ProbeModel probe(options);
        EXPECT_FALSE(std::filesystem::exists(options.stateFile));
        send(probe, "RFF3A5W");
        EXPECT_TRUE(std::filesystem::exists(options.stateFile));
        EXPECT_EQ(probe.stateFileProblem(), "");
    }
    ProbeModel powerUp(options);
    EXPECT_EQ(send(powerUp, "PqoaY"), "P5\r\nq28\r\no3\r\na2\r\nY11\r\n");
}

TEST(Memory, UnreadableStateFileGivesDefaultsAndSaysWhy) {
    ScratchDir dir;
    ProbeOptions options = stillSurface();
    options.stateFile = dir.path() / "probe.mem";
    std::ofstream(options.stateFile) << "burst_length 7\nfrequency_index lots\n";
    ProbeModel probe(options);
    EXPECT_EQ(probe.parameters(), ProbeParameters{});
    EXPECT_NE(probe.stateFileProblem().find("probe.mem:2"), std::string::npos)
        << probe.stateFileProblem();
}

TEST(Memory, StateFileValuesOutsideTheLimitsAreBroughtBack) {
    ScratchDir dir;
    ProbeOptions options = stillSurface();
    options.stateFile = dir.path() / "probe.mem";
    std::ofstream(options.stateFile) << "# edited\nburst_length 900\nfrequency_index 1\n"
                                        "baud_rate 12345\ntransmit_mode 3\n";
    ProbeModel probe(options);
    EXPECT_EQ(send(probe, "Pqxo"), "P50\r\nq3\r\nx9600\r\no3\r\n");
    EXPECT_EQ(probe.stateFileProblem(), "");
}

TEST(Memory, StoreIntoAnUnwritablePlaceIsReportedAndKeptInRam) {
    ScratchDir dir;
    ProbeOptions options = stillSurface();
    options.stateFile = dir.path() / "no-such-folder" / "probe.mem";
    ProbeModel probe(options);
    send(probe, "RW");
    EXPECT_NE(probe.stateFileProblem(), "");
    send(probe, "rZ");
    EXPECT_EQ(send(probe, "P"), "P5\r\n");
}

// "B"/"b" change the rate the probe will use; its UART keeps running at the old
// one until the new rate is stored and the probe restarts.
TEST(BaudRate, ChangesOnlyAfterStoreAndRestart) {
    ProbeModel probe(stillSurface());
    EXPECT_EQ(send(probe, "B"), "x19200\r\n");
    EXPECT_EQ(probe.baudRate(), 9600);
    send(probe, "W");
    EXPECT_EQ(probe.baudRate(), 9600);
    send(probe, "Z");
    EXPECT_EQ(probe.baudRate(), 19200);
    EXPECT_EQ(send(probe, "x"), "x19200\r\n");
}

TEST(BaudRate, RestartWithoutStoreKeepsTheOldRate) {
    ProbeModel probe(stillSurface());
    send(probe, "bbZ");
    EXPECT_EQ(probe.baudRate(), 9600);
    EXPECT_EQ(send(probe, "x"), "x9600\r\n");
}

TEST(BaudRate, PowerUpUsesTheStoredRate) {
    ScratchDir dir;
    ProbeOptions options = stillSurface();
    options.stateFile = dir.path() / "probe.mem";
    {
        ProbeModel probe(options);
        send(probe, "bW");
    }
    EXPECT_EQ(ProbeModel(options).baudRate(), 4800);
}

TEST(BaudRate, InitialRateAppliesWhenNothingIsStored) {
    ProbeOptions options = stillSurface();
    options.initialBaud = 2400;
    ProbeModel probe(options);
    EXPECT_EQ(probe.baudRate(), 2400);
    EXPECT_EQ(send(probe, "x"), "x2400\r\n");
    // The factory setting is 9600: after "S", "W" and "Z" the probe talks at 9600.
    send(probe, "SWZ");
    EXPECT_EQ(probe.baudRate(), 9600);
}

}  // namespace
}  // namespace purlo::sim::test
