// SPDX-License-Identifier: GPL-3.0-or-later
// The probe's command vocabulary: queries, step commands, modes, the help and
// all-values texts, and what it ignores.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "ProbeTestSupport.h"

namespace purlo::sim::test {
namespace {

// Every character the probe understands.
constexpr std::string_view kVocabulary = "?ZSWIijRrPUusFfq54YDdmVvwTtkBbxcegA123oMa=nhp";

struct Exchange {
    char command;
    const char* reply;
};

class FreshProbeQuery : public ::testing::TestWithParam<Exchange> {};

// A fresh probe 2 m above the surface at 20 degrees: 25.1 kHz, 4 periods,
// 331.0 m/s, 0.60 m/s per degree, 9600 bit/s, manual tuning, a line per burst.
TEST_P(FreshProbeQuery, AnswersWithItsReplyLineAndChangesNothing) {
    ProbeModel probe(stillSurface(2000.0));
    const ProbeParameters before = probe.parameters();
    EXPECT_EQ(send(probe, std::string(1, GetParam().command)),
              std::string(GetParam().reply) + "\r\n");
    EXPECT_EQ(probe.parameters(), before);
    EXPECT_FALSE(probe.recordPending());
}

INSTANTIATE_TEST_SUITE_P(Defaults, FreshProbeQuery,
                         ::testing::Values(Exchange{'?', "D2000"}, Exchange{'x', "x9600"},
                                           Exchange{'c', "c200"}, Exchange{'w', "w3310"},
                                           Exchange{'q', "q30"}, Exchange{'Y', "Y10"},
                                           Exchange{'k', "k60"}, Exchange{'j', "j3"},
                                           Exchange{'P', "P4"}, Exchange{'s', "s100"},
                                           Exchange{'m', "m1392"}, Exchange{'a', "a1"},
                                           Exchange{'o', "o2"}, Exchange{'e', "e10"},
                                           Exchange{'g', "g10"}, Exchange{'n', "n106"}));

class FreshProbeStep : public ::testing::TestWithParam<Exchange> {};

TEST_P(FreshProbeStep, ChangesOneParameterAndAnswersWithIt) {
    ProbeModel probe(stillSurface());
    EXPECT_EQ(send(probe, std::string(1, GetParam().command)),
              std::string(GetParam().reply) + "\r\n");
    // The reply is the new value, as the matching query now reports it too.
    EXPECT_EQ(send(probe, std::string(1, GetParam().reply[0])),
              std::string(GetParam().reply) + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    OneStep, FreshProbeStep,
    ::testing::Values(Exchange{'I', "j4"}, Exchange{'i', "j2"}, Exchange{'R', "P5"},
                      Exchange{'r', "P3"}, Exchange{'U', "s105"}, Exchange{'u', "s95"},
                      Exchange{'F', "q29"}, Exchange{'f', "q31"}, Exchange{'5', "Y11"},
                      Exchange{'4', "Y9"}, Exchange{'D', "m1439"}, Exchange{'d', "m1346"},
                      Exchange{'V', "w3311"}, Exchange{'v', "w3309"}, Exchange{'T', "k61"},
                      Exchange{'t', "k59"}, Exchange{'B', "x19200"}, Exchange{'b', "x4800"},
                      Exchange{'A', "a2"}, Exchange{'M', "a1"}, Exchange{'1', "o1"},
                      Exchange{'2', "o2"}, Exchange{'3', "o3"}));

struct Limit {
    char command;
    const char* replyAtLimit;
};

class StepLimit : public ::testing::TestWithParam<Limit> {};

TEST_P(StepLimit, StopsAtTheLimitAndKeepsAnswering) {
    ProbeModel probe(stillSurface());
    std::string last;
    for (int i = 0; i < 10000; ++i) {
        probe.receive(GetParam().command);
        last = probe.takeOutput();
    }
    EXPECT_EQ(last, std::string(GetParam().replyAtLimit) + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Limits, StepLimit,
    ::testing::Values(Limit{'I', "j100"}, Limit{'i', "j1"}, Limit{'R', "P50"}, Limit{'r', "P1"},
                      Limit{'U', "s200"}, Limit{'u', "s10"}, Limit{'F', "q3"}, Limit{'f', "q53"},
                      Limit{'5', "Y100"}, Limit{'4', "Y1"}, Limit{'D', "m11602"}, Limit{'d', "m46"},
                      Limit{'V', "w9999"}, Limit{'v', "w1000"}, Limit{'T', "k200"},
                      Limit{'t', "k0"}, Limit{'B', "x38400"}, Limit{'b', "x300"}));

// The console shows the dead time as units * 1.302 * 0.0331 / 2 cm, rounded to
// whole cm: every "D" must move that figure by exactly one.
TEST(DeadTime, EveryStepIsOneCentimetreOnTheConsole) {
    ProbeModel probe(stillSurface());
    send(probe, std::string(300, 'd'));
    for (int cm = 1; cm <= 250; ++cm) {
        const std::string reply = send(probe, "m");
        const double units = std::stod(reply.substr(1));
        float shown = static_cast<float>(units * 1.302);
        shown = static_cast<float>(shown * 0.0331 / 2.0);
        EXPECT_EQ(std::lround(shown), cm) << reply;
        send(probe, "D");
    }
}

TEST(Vocabulary, UnknownCharactersAreIgnored) {
    ProbeModel probe(stillSurface());
    std::string others;
    for (int c = 0; c < 256; ++c) {
        if (kVocabulary.find(static_cast<char>(c)) == std::string_view::npos) {
            others += static_cast<char>(c);
        }
    }
    EXPECT_EQ(send(probe, others), "");
    EXPECT_EQ(probe.parameters(), ProbeParameters{});
    EXPECT_FALSE(probe.recordPending());
    EXPECT_EQ(probe.restarts(), 0);
}

TEST(Vocabulary, HelpListsEveryCommandOnLinesNoDecoderTakesForValues) {
    ProbeModel probe(stillSurface());
    const std::string text = send(probe, "h");
    const auto textLines = lines(text);
    ASSERT_GE(textLines.size(), 5u);
    for (const std::string& line : textLines) EXPECT_EQ(line.front(), '[') << line;
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    for (const char c : kVocabulary) {
        EXPECT_NE(text.find(std::string("[") + c + "]"), std::string::npos) << c;
    }
}

TEST(Vocabulary, AllValuesAreTheRepliesOfEveryQuery) {
    ProbeModel probe(stillSurface());
    send(probe, "RRUF3");  // not the defaults, so a stale value would show
    const auto all = lines(send(probe, "p"));
    std::set<char> codes;
    for (const std::string& line : all) {
        codes.insert(line.front());
        const char query = line.front() == 'D' ? '?' : line.front();
        EXPECT_EQ(send(probe, std::string(1, query)), line + "\r\n");
    }
    EXPECT_EQ(codes, (std::set<char>{'D', 'x', 'c', 'w', 'q', 'Y', 'k', 'j', 'P', 's', 'm', 'a',
                                     'o', 'e', 'g', 'n'}));
    EXPECT_EQ(all.size(), codes.size());
}

TEST(Vocabulary, DefaultsComeBackWithSAndNothingIsSent) {
    ProbeModel probe(stillSurface());
    send(probe, "IIRRRUUffff555DDDVVVTTT1AB");
    ASSERT_NE(probe.parameters(), ProbeParameters{});
    EXPECT_EQ(send(probe, "S"), "");
    EXPECT_EQ(probe.parameters(), ProbeParameters{});
    EXPECT_EQ(probe.baudRate(), 9600);
}

TEST(Vocabulary, DriverValueFollowsTheVoltage) {
    ProbeModel probe(stillSurface());
    const int before = std::stoi(send(probe, "n").substr(1));
    send(probe, "UUUU");
    const int after = std::stoi(send(probe, "n").substr(1));
    EXPECT_GT(after, before);
    EXPECT_LE(after, 255);
}

}  // namespace
}  // namespace purlo::sim::test
