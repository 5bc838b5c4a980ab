// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

#include "monitor/TrendSeries.h"

namespace purlo {
namespace {

TEST(TrendSeries, StatisticsOfASpanAreThePopulationOnes) {
    TrendSeries s;
    const float values[] = {2, 4, 4, 4, 5, 5, 7, 9};
    for (int i = 0; i < 8; ++i) s.add(i, values[i]);
    // Outside the span, to be left out.
    s.add(100, 1000);

    const SpanStatistics all = s.statistics(0, 7);
    EXPECT_EQ(all.count, 8u);
    EXPECT_DOUBLE_EQ(all.min, 2);
    EXPECT_DOUBLE_EQ(all.max, 9);
    EXPECT_DOUBLE_EQ(all.mean, 5);
    EXPECT_DOUBLE_EQ(all.standardDeviation, 2);  // sqrt(32 / 8)

    // Times 4, 5, 6 hold 5, 5, 7: mean 17/3, deviations -2/3, -2/3, 4/3,
    // their squares sum to 24/9, over 3 is 8/9.
    const SpanStatistics part = s.statistics(3.5, 6.0);
    EXPECT_EQ(part.count, 3u);
    EXPECT_DOUBLE_EQ(part.min, 5);
    EXPECT_DOUBLE_EQ(part.max, 7);
    EXPECT_NEAR(part.mean, 17.0 / 3.0, 1e-12);
    EXPECT_NEAR(part.standardDeviation, std::sqrt(8.0 / 9.0), 1e-12);

    const SpanStatistics none = s.statistics(8, 99);
    EXPECT_EQ(none.count, 0u);
    EXPECT_EQ(none.standardDeviation, 0.0);
}

TEST(TrendSeries, PointsInASpanIncludeBothEnds) {
    TrendSeries s;
    for (int i = 0; i < 10; ++i) s.add(i * 0.5, static_cast<float>(i));
    std::vector<TrendPoint> out{{99, 99}};
    s.pointsIn(1.0, 2.0, out);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out.front(), (TrendPoint{1.0, 2.0f}));
    EXPECT_EQ(out.back(), (TrendPoint{2.0, 4.0f}));
    EXPECT_EQ(s.newest(), (TrendPoint{4.5, 9.0f}));
    EXPECT_EQ(s.firstAtOrAfter(1.2), 3u);
    EXPECT_EQ(s.firstAtOrAfter(50), 10u);
}

TEST(TrendSeries, KeepsTheNewestPointsAndDropsTheOldestBeyondCapacity) {
    TrendSeries s(10, 4);
    for (int i = 0; i < 100; ++i) s.add(i, static_cast<float>(i));
    EXPECT_GE(s.size(), 10u);
    EXPECT_LT(s.size(), 10u + 2 * 4);
    // What is kept is the newest run, in order, without holes.
    const auto oldest = static_cast<float>(100 - s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        ASSERT_EQ(s.at(i).value, oldest + static_cast<float>(i));
        ASSERT_EQ(s.at(i).time, oldest + static_cast<float>(i));
    }
    EXPECT_EQ(s.bytesInUse(), s.bytesAtCapacity());
    EXPECT_EQ(s.statistics().count, s.size());

    s.clear();
    EXPECT_TRUE(s.empty());
    EXPECT_FALSE(s.newest());
    s.add(5, 1);
    EXPECT_EQ(s.size(), 1u);
    EXPECT_EQ(s.at(0), (TrendPoint{5, 1}));
}

TEST(TrendSeries, TimesStayOrderedAndPreciseOverADay) {
    TrendSeries s(1000, 64);
    // Twenty a second, a day in: the float offsets must still resolve them.
    const double start = 86400.0;
    for (int i = 0; i < 500; ++i) s.add(start + i * 0.05, 1.0f);
    for (std::size_t i = 0; i < s.size(); ++i) {
        ASSERT_NEAR(s.at(i).time, start + static_cast<double>(i) * 0.05, 1e-4);
    }
    // A time going back is stored as the newest, so spans stay searchable.
    s.add(10.0, 2.0f);
    EXPECT_EQ(s.newest()->time, s.at(s.size() - 2).time);
    EXPECT_EQ(s.newest()->value, 2.0f);
}

TEST(TrendSeries, DecimationKeepsSpikesAndTimeOrder) {
    TrendSeries s;
    for (int i = 0; i < 1000; ++i) {
        float v = static_cast<float>(i % 7);
        if (i == 537) v = 100.0f;
        if (i == 538) v = -50.0f;
        s.add(i, v);
    }
    std::vector<TrendPoint> out;
    s.decimated(-TrendSeries::kAll, TrendSeries::kAll, 10, out);
    EXPECT_LE(out.size(), 20u);
    EXPECT_GE(out.size(), 10u);
    EXPECT_TRUE(
        std::is_sorted(out.begin(), out.end(), [](auto& a, auto& b) { return a.time < b.time; }));
    EXPECT_NE(std::find(out.begin(), out.end(), TrendPoint{537, 100.0f}), out.end());
    EXPECT_NE(std::find(out.begin(), out.end(), TrendPoint{538, -50.0f}), out.end());
    // Every bucket's extremes survive: the ordinary range 0..6 shows too.
    EXPECT_NE(std::find_if(out.begin(), out.end(), [](auto& p) { return p.value == 6.0f; }),
              out.end());

    // Few points for the width: the points themselves.
    s.decimated(10, 19, 10, out);
    ASSERT_EQ(out.size(), 10u);
    EXPECT_EQ(out.front().time, 10);
}

TEST(TrendSeries, ScalingConvertsEveryStoredValue) {
    TrendSeries s(8, 4);
    for (int i = 0; i < 20; ++i) s.add(i, 254.0f);
    s.scale(1.0 / 25.4);
    for (std::size_t i = 0; i < s.size(); ++i) EXPECT_FLOAT_EQ(s.at(i).value, 10.0f);
}

// The same span summed up and decimated point by point, as the chunk
// summaries must reproduce it.
struct Naive {
    SpanStatistics stats;
    std::vector<TrendPoint> decimated;
};

Naive naive(const TrendSeries& s, double from, double to, std::size_t buckets) {
    std::vector<TrendPoint> span;
    s.pointsIn(from, to, span);
    Naive n;
    double sum = 0;
    for (const TrendPoint& p : span) sum += p.value;
    n.stats.count = span.size();
    if (span.empty()) return n;
    n.stats.mean = sum / static_cast<double>(span.size());
    n.stats.min = n.stats.max = span[0].value;
    double squares = 0;
    for (const TrendPoint& p : span) {
        n.stats.min = std::min<double>(n.stats.min, p.value);
        n.stats.max = std::max<double>(n.stats.max, p.value);
        squares += (p.value - n.stats.mean) * (p.value - n.stats.mean);
    }
    n.stats.standardDeviation = std::sqrt(squares / static_cast<double>(span.size()));
    if (span.size() <= 2 * buckets) {
        n.decimated = span;
        return n;
    }
    const double t0 = span.front().time;
    const double width = (span.back().time - t0) / static_cast<double>(buckets);
    std::size_t a = 0;
    while (a < span.size()) {
        auto slice = [&](std::size_t i) {
            return std::min(buckets - 1, static_cast<std::size_t>((span[i].time - t0) / width));
        };
        std::size_t b = a;
        std::size_t low = a;
        std::size_t high = a;
        while (b < span.size() && slice(b) == slice(a)) {
            if (span[b].value < span[low].value) low = b;
            if (span[b].value > span[high].value) high = b;
            ++b;
        }
        n.decimated.push_back(span[std::min(low, high)]);
        if (low != high) n.decimated.push_back(span[std::max(low, high)]);
        a = b;
    }
    return n;
}

TEST(TrendSeries, ChunkSummariesGiveWhatEveryPointGives) {
    // Blocks of 256 points in chunks of 64, a ring that has dropped blocks,
    // values with ties and runs, spans starting and ending mid-chunk.
    TrendSeries s(5000, 256);
    unsigned seed = 7;
    for (int i = 0; i < 9000; ++i) {
        seed = seed * 1103515245u + 12345u;
        const float v = static_cast<float>((seed >> 16) % 50) + (i % 700 == 0 ? 1000.0f : 0.0f);
        s.add(i * 0.1, v);
    }
    std::vector<TrendPoint> out;
    for (const auto& [from, to, buckets] : std::vector<std::tuple<double, double, std::size_t>>{
             {-TrendSeries::kAll, TrendSeries::kAll, 100},
             {400.05, 731.3, 37},
             {500, 506.4, 10},
             {612.2, 899.9, 1000}}) {
        const Naive expected = naive(s, from, to, buckets);
        const SpanStatistics got = s.statistics(from, to);
        EXPECT_EQ(got.count, expected.stats.count);
        EXPECT_EQ(got.min, expected.stats.min);
        EXPECT_EQ(got.max, expected.stats.max);
        EXPECT_NEAR(got.mean, expected.stats.mean, 1e-9);
        EXPECT_NEAR(got.standardDeviation, expected.stats.standardDeviation, 1e-9);
        s.decimated(from, to, buckets, out);
        EXPECT_EQ(out, expected.decimated) << from << " " << to;
    }

    // A change of unit sums the chunks up again.
    const double before = s.statistics(400.05, 731.3).max;
    s.scale(2.0);
    const SpanStatistics scaled = s.statistics(400.05, 731.3);
    const Naive again = naive(s, 400.05, 731.3, 1);
    EXPECT_EQ(scaled.max, 2 * before);
    EXPECT_EQ(scaled.min, again.stats.min);
    EXPECT_NEAR(scaled.mean, again.stats.mean, 1e-9);
    EXPECT_NEAR(scaled.standardDeviation, again.stats.standardDeviation, 1e-9);
}

}  // namespace
}  // namespace purlo
