// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "monitor/EchoHistory.h"
#include "monitor/ReferenceEcho.h"

namespace purlo {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(EchoHistory, RowsAreNewestFirstWithTheirTimesAndRingBound) {
    EchoHistory h(3);
    for (int i = 1; i <= 5; ++i) {
        const Bytes record(static_cast<std::size_t>(i), static_cast<std::uint8_t>(i));
        h.add(i * 0.25, record);
    }
    ASSERT_EQ(h.size(), 3u);
    EXPECT_EQ(h.capacity(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        const EchoRow row = h.row(k);
        const auto n = static_cast<std::size_t>(5 - k);
        EXPECT_EQ(row.time, static_cast<double>(n) * 0.25);
        ASSERT_EQ(row.bytes.size(), n);
        EXPECT_EQ(row.bytes[0], n);
        EXPECT_EQ(row.samples(), 8 * n);
    }
    EXPECT_EQ(h.widestSamples(), 40u);

    // A shorter record in a reused row shows none of the longer one before it.
    h.add(9, Bytes{0xff});
    EXPECT_EQ(h.row(0).bytes.size(), 1u);
    EXPECT_EQ(h.row(2).time, 1.0);

    EXPECT_EQ(h.added(), 6u);
    h.clear();
    EXPECT_EQ(h.size(), 0u);
    // The count goes on across a clear, so a view never takes old rows for new.
    h.add(10, Bytes{0x01});
    EXPECT_EQ(h.added(), 7u);
}

TEST(EchoHistory, SamplesAreMostSignificantBitFirst) {
    EchoHistory h(4);
    h.add(0, Bytes{0x80, 0x01, 0x40});
    const EchoRow row = h.row(0);
    EXPECT_TRUE(row.high(0));
    EXPECT_FALSE(row.high(1));
    EXPECT_FALSE(row.high(8));
    EXPECT_TRUE(row.high(15));
    EXPECT_TRUE(row.high(17));
    EXPECT_FALSE(row.high(24));  // past the end
    EXPECT_EQ(EchoHistory::columnPosition(17), (SamplePosition{2, 1}));
    EXPECT_EQ(EchoHistory::columnPosition(17).mask(), 0x40);
    EXPECT_EQ(EchoHistory::columnPosition(7).mask(), 0x01);
}

TEST(EchoHistory, KeepsTheFirstBytesOfAnOverlongRecord) {
    EchoHistory h(2);
    Bytes record(300, 0);
    record[255] = 0x11;
    h.add(0, record);
    ASSERT_EQ(h.row(0).bytes.size(), kEchoRowBytes);
    EXPECT_EQ(h.row(0).bytes[255], 0x11);
}

TEST(ReferenceEcho, ComparesEverySampleOverTheLongerRecord) {
    std::vector<SampleMatch> out(3, SampleMatch::Both);
    const MatchCounts c = compareEcho(Bytes{0b1100'0000}, Bytes{0b1010'0000, 0x01}, out);
    ASSERT_EQ(out.size(), 16u);
    EXPECT_EQ(out[0], SampleMatch::Both);
    EXPECT_EQ(out[1], SampleMatch::OnlyReference);
    EXPECT_EQ(out[2], SampleMatch::OnlyNew);
    EXPECT_EQ(out[3], SampleMatch::Neither);
    EXPECT_EQ(out[14], SampleMatch::Neither);
    EXPECT_EQ(out[15], SampleMatch::OnlyNew);
    EXPECT_EQ(c.both, 1u);
    EXPECT_EQ(c.onlyReference, 1u);
    EXPECT_EQ(c.onlyNew, 2u);
    EXPECT_EQ(c.neither, 12u);

    // A reference longer than the record: its tail is "only in the reference".
    compareEcho(Bytes{0x00, 0x80}, Bytes{0x00}, out);
    ASSERT_EQ(out.size(), 16u);
    EXPECT_EQ(out[8], SampleMatch::OnlyReference);
}

}  // namespace
}  // namespace purlo
