// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "observe/Observer.h"

namespace purlo {

// A live record has at most 255 sample bytes (the sample length is a byte),
// a played-back one at most 147; longer ones keep their first 256.
inline constexpr std::size_t kEchoRowBytes = 256;
inline constexpr std::size_t kEchoHistoryRows = 2048;

// One stored echo record: a row of samples, bit set = bright.
struct EchoRow {
    double time = 0.0;
    std::span<const std::uint8_t> bytes;
    std::size_t samples() const { return bytes.size() * kSamplesPerByte; }
    bool high(std::size_t sample) const { return sampleHigh(bytes, sample); }
};

// The newest echo records, a ring of `rows` fixed rows allocated once: storing
// a record copies its bytes and nothing else.
class EchoHistory {
  public:
    explicit EchoHistory(std::size_t rows = kEchoHistoryRows);

    void add(double time, std::span<const std::uint8_t> bytes);
    void clear();
    // Forgets the records newer than `time` (a replay moved back before them).
    void dropAfter(double time);

    std::size_t size() const { return size_; }
    // Records added since construction, clear() or not: a view that draws a
    // row per record compares it with the count it drew to find the new ones.
    std::uint64_t added() const { return added_; }
    std::size_t capacity() const { return times_.size(); }
    // Row k, 0 the newest; k must be below size().
    EchoRow row(std::size_t k) const;
    // The widest row held, in samples: the width a picture of them all needs.
    std::size_t widestSamples() const;
    // Which byte and bit of a row a column of samples shows (column = sample).
    static constexpr SamplePosition columnPosition(std::size_t column) {
        return samplePosition(column);
    }
    std::size_t bytesAtCapacity() const;

  private:
    std::vector<std::uint8_t> bytes_;
    std::vector<double> times_;
    std::vector<std::uint16_t> lengths_;
    std::size_t newest_ = 0;
    std::size_t size_ = 0;
    std::uint64_t added_ = 0;
};

}  // namespace purlo
