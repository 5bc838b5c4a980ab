// SPDX-License-Identifier: GPL-3.0-or-later
// The figures of a step, the score and its gates, and the plan.
#include <gtest/gtest.h>

#include <random>

#include "observe/FrequencyTable.h"
#include "tuning/Figures.h"
#include "tuning/Plan.h"

namespace purlo::tuning::test {
namespace {

// An echo record of `samples` samples, high over [from, to) in pulses of
// period 3 (two high, one low), and at every sample in `stray`.
std::vector<std::uint8_t> record(int samples, const std::vector<std::pair<int, int>>& signals,
                                 const std::vector<int>& stray = {}) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(samples / 8), 0);
    auto set = [&](int i) {
        bytes[static_cast<std::size_t>(i / 8)] |= static_cast<std::uint8_t>(0x80u >> (i % 8));
    };
    for (const auto& [from, to] : signals) {
        for (int i = from; i < to; ++i) {
            if ((i - from) % 3 != 2) set(i);
        }
    }
    for (const int i : stray) set(i);
    return bytes;
}

TEST(TuningFigures, TheAveragedRecordGivesRingingEchoAndStraySamples) {
    StepReadings r;
    // Five records: burst and ringing to 30, the echo from 200 to 224, and
    // one stray sample in each record at a different place.
    for (int k = 0; k < 5; ++k) r.addRecord(record(640, {{0, 30}, {200, 224}}, {400 + 50 * k}));
    const EchoShape s = echoShape(r.hitRate());
    EXPECT_EQ(s.ringEnd, 29);  // one past the last high sample (28: 30 - 2 is low)
    ASSERT_TRUE(s.echoStart);
    EXPECT_EQ(*s.echoStart, 200);
    EXPECT_EQ(s.echoWidth, 23);
    // 5 hits of rate 0.2 over the 640 - 29 - 23 samples outside.
    EXPECT_NEAR(s.strayShare, 1.0 / (640 - 29 - 23), 1e-9);
    // A stray sample in only some records stays below the "high" mark.
    r.addRecord(record(640, {{0, 30}}));
    EXPECT_EQ(*echoShape(r.hitRate()).echoStart, 200);
}

TEST(TuningFigures, MedianRangeDetectionAndSpread) {
    StepReadings r;
    r.echoBounce = {12, 0, 14, 13, 11};
    r.burstBounce = {8, 9, 10, 9, 9};
    r.distanceMm = {1000, 1002, 1004, 1006, 1100};
    const Figures f = figuresOf(r, 300.0);
    EXPECT_EQ(f.echoMedian, 12);
    EXPECT_EQ(f.echoRange, 14);
    EXPECT_EQ(f.burstMedian, 9);
    EXPECT_DOUBLE_EQ(f.detection, 0.8);
    EXPECT_EQ(f.distanceMedianMm, 1004);
    EXPECT_EQ(f.distanceIqrMm, 4);
    EXPECT_TRUE(f.eligible());
    EXPECT_DOUBLE_EQ(f.score, 12 - 4.5 - 0.4);
}

// Gates: a step that loses the echo, or whose distance is the dead zone
// (the ringing taken for the echo), cannot win however it scores.
TEST(TuningFigures, GatedStepsNeverWinAndWithinTheNoiseLessRingingWins) {
    std::mt19937 random(4);
    for (int trial = 0; trial < 200; ++trial) {
        std::vector<Figures> steps(6);
        for (Figures& f : steps) {
            f.score = std::uniform_real_distribution<double>(0, 20)(random);
            f.burstMedian = std::uniform_int_distribution<int>(2, 20)(random);
            f.echoRange = std::uniform_int_distribution<int>(0, 4)(random);
            f.echoLost = std::bernoulli_distribution(0.2)(random);
            f.ringsPastDeadTime = std::bernoulli_distribution(0.2)(random);
        }
        const auto best = bestStep(steps);
        const bool any =
            std::any_of(steps.begin(), steps.end(), [](auto& f) { return f.eligible(); });
        ASSERT_EQ(best.has_value(), any);
        if (!best) continue;
        const Figures& b = steps[*best];
        EXPECT_TRUE(b.eligible());
        const Figures* top = nullptr;
        for (const Figures& f : steps) {
            if (f.eligible() && (!top || f.score > top->score)) top = &f;
        }
        const double noise = std::max(1.0, top->echoRange / 2.0);
        EXPECT_LE(top->score - b.score, noise);
        for (const Figures& f : steps) {
            if (f.eligible() && top->score - f.score <= noise) {
                EXPECT_LE(b.burstMedian, f.burstMedian);
            }
        }
    }
    StepReadings ringing;
    ringing.echoBounce = {30, 30, 30, 30, 30};
    ringing.distanceMm = {310, 311, 309, 310, 310};  // the dead zone is 300 mm
    EXPECT_TRUE(figuresOf(ringing, 300.0).ringsPastDeadTime);
    ringing.distanceMm = {1200, 1201, 1199, 1200, 1200};
    EXPECT_FALSE(figuresOf(ringing, 300.0).ringsPastDeadTime);
}

TEST(TuningFigures, TheParabolaPeakIsFoundFromUnevenlySpacedPoints) {
    for (double vertex = 20.0; vertex <= 30.0; vertex += 0.7) {
        std::vector<double> x;
        std::vector<double> y;
        for (int i = 27; i <= 33; ++i) {
            const double khz = *transducerKhz(i);
            x.push_back(khz);
            y.push_back(14.0 - 0.3 * (khz - vertex) * (khz - vertex));
        }
        const auto peak = parabolaPeak(x, y);
        ASSERT_TRUE(peak);
        EXPECT_NEAR(*peak, vertex, 1e-6);
    }
    const std::vector<double> x{1, 2, 3};
    const std::vector<double> valley{3, 1, 3};
    EXPECT_FALSE(parabolaPeak(x, valley));
}

TEST(TuningPlan, TheSweepsCoverTheListAndStayWhereTheButtonsWork) {
    Setting found{30, 4, 10, 2};
    const auto coarse = coarseSteps(found);
    EXPECT_EQ(coarse.front().target.frequencyIndex, kLowestSweepIndex);
    EXPECT_EQ(coarse.back().target.frequencyIndex, kHighestSweepIndex);
    for (std::size_t i = 1; i < coarse.size(); ++i) {
        EXPECT_LE(coarse[i].target.frequencyIndex - coarse[i - 1].target.frequencyIndex,
                  kCoarseStride);
    }
    // The fine pass: the unmeasured neighbours within reach.
    const auto fine = fineSteps(Setting{29, 4, 10, 1}, {26, 29, 32});
    ASSERT_EQ(fine.size(), 4u);
    for (const PlannedStep& s : fine) EXPECT_LE(std::abs(s.target.frequencyIndex - 29), kFineReach);
    // What the assistant never sends.
    for (const char c : std::string_view("WZSBb")) EXPECT_TRUE(changesProbe(c));
    for (const char c : std::string_view("qPsa?=e")) EXPECT_FALSE(changesProbe(c));
}

TEST(TuningPlan, TheEstimateFollowsTheBaudRate) {
    const Setting found{30, 4, 10, 1};
    double last = 1e9;
    for (const int baud : {1200, 2400, 4800, 9600, 19200}) {
        const double t = estimateSeconds(found, cycleSecondsAt(baud, true, 160));
        EXPECT_LT(t, last) << baud;
        last = t;
    }
    EXPECT_EQ(summarise(found, true).lines.size(), 5u);
}

}  // namespace
}  // namespace purlo::tuning::test
