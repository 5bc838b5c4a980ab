// SPDX-License-Identifier: GPL-3.0-or-later
// Bytes over a line whose two ends may run at different rates.
#include <gtest/gtest.h>

#include "sim/SerialLine.h"

namespace purlo::sim::test {
namespace {

std::string everyByte() {
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    return all;
}

TEST(SerialLine, EqualRatesDeliverEveryByteUnchanged) {
    std::uint32_t rng = 12345;
    EXPECT_EQ(overLine(everyByte(), 9600, 9600, rng), everyByte());
    EXPECT_EQ(rng, 12345u);
}

// A UART samples in the middle of each bit, so a few percent apart still works:
// this checks the bit-level model itself.
TEST(SerialLine, SlightlyDifferentClocksStillDeliverTheBytes) {
    for (const auto& [sender, receiver] :
         {std::pair{9600, 9750}, std::pair{9750, 9600}, std::pair{19200, 18900}}) {
        std::uint32_t rng = 99;
        EXPECT_EQ(overLine(everyByte(), sender, receiver, rng), everyByte())
            << sender << " -> " << receiver;
    }
}

struct Rates {
    int probe;
    int pc;
};

class MismatchedRates : public ::testing::TestWithParam<Rates> {};

TEST_P(MismatchedRates, GarbleTheBytesTheSameWayForTheSameSeed) {
    const std::string line = "D2145\r\nq30\r\n";
    std::uint32_t first = 7;
    std::uint32_t second = 7;
    const std::string a = overLine(line, GetParam().probe, GetParam().pc, first);
    EXPECT_NE(a, line);
    EXPECT_EQ(a, overLine(line, GetParam().probe, GetParam().pc, second));
    EXPECT_EQ(first, second);
    EXPECT_NE(first, 7u);  // the idle gaps were drawn
    EXPECT_EQ(a.find("q30\r\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Pairs, MismatchedRates,
                         ::testing::Values(Rates{19200, 9600}, Rates{9600, 19200},
                                           Rates{9600, 4800}, Rates{38400, 9600}, Rates{2400, 9600},
                                           Rates{9600, 300}));

// A slow sender's long low bits run over the fast receiver's stop bit: a
// framing error, delivered as 0 as Linux does by default.
TEST(SerialLine, FramingErrorGivesAZeroByte) {
    std::uint32_t rng = 1;
    EXPECT_EQ(overLine("\x80", 4800, 9600, rng), std::string(1, '\0'));
}

// A command sent at 9600 to a probe at 19200: "q" falls apart into a framing
// error and one byte that is no command.
TEST(SerialLine, CommandAtHalfTheProbeRateIsNotUnderstood) {
    std::uint32_t rng = 1;
    EXPECT_EQ(overLine("q", 9600, 19200, rng), std::string("\0\xFE", 2));
}

}  // namespace
}  // namespace purlo::sim::test
