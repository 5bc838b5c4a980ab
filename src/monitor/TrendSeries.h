// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace purlo {

struct TrendPoint {
    double time = 0.0;  // seconds in the model's time base
    float value = 0.0f;
    friend bool operator==(const TrendPoint&, const TrendPoint&) = default;
};

// Statistics of the points in a span. The standard deviation is the
// population one (divided by the count, not count - 1): the span is all the
// data there is, not a sample of something larger. All zero when count is 0.
struct SpanStatistics {
    std::size_t count = 0;
    double min = 0.0;
    double max = 0.0;
    double mean = 0.0;
    double standardDeviation = 0.0;
};

// Up to 24 hours of fill-height replies at the probe's fastest pace (20 a second).
inline constexpr std::size_t kTrendDayCapacity = std::size_t{24} * 3600 * 20;

// One value against time, bounded. Points are kept in blocks of
// `blockPoints`, each holding its first time as a double and the rest as
// float offsets from it plus float values: 8 bytes a point. Blocks are made
// as data arrives; once `capacity` is reached the oldest block is dropped
// whole and its memory takes the newest points, so a full series allocates
// nothing more. It always holds at least the newest `capacity` points (and
// fewer than capacity + 2 * blockPoints).
//
// Each block also keeps a summary of every run of kChunkPoints points (the
// first lowest and highest point, count, mean and squared deviations), so a
// span of a day is decimated and summed up chunk by chunk, not point by point.
//
// Times must not go back; a time earlier than the newest is stored as the
// newest, so the points stay ordered for the span queries.
class TrendSeries {
  public:
    explicit TrendSeries(std::size_t capacity = kTrendDayCapacity, std::size_t blockPoints = 4096);

    void add(double time, float value);
    void clear();
    // Keeps only the points up to `time` (a replay moved back before the rest).
    void dropAfter(double time);
    // Multiplies every stored value (a change of unit).
    void scale(double factor);

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    TrendPoint at(std::size_t i) const;  // 0 is the oldest
    std::optional<TrendPoint> newest() const;
    // Bytes the blocks take now, and at most.
    std::size_t bytesInUse() const;
    std::size_t bytesAtCapacity() const;

    static constexpr double kAll = std::numeric_limits<double>::infinity();

    // The index of the first point at or after `time`.
    std::size_t firstAtOrAfter(double time) const;
    // The points with from <= time <= to, oldest first, into `out` (cleared).
    void pointsIn(double from, double to, std::vector<TrendPoint>& out) const;
    // The same span for a plot `buckets` wide: when it holds more than two
    // points a bucket, the span is cut into `buckets` equal time slices and
    // each slice gives its lowest and its highest point, in time order, so a
    // single spike still shows. Otherwise the points themselves.
    void decimated(double from, double to, std::size_t buckets, std::vector<TrendPoint>& out) const;
    SpanStatistics statistics(double from = -kAll, double to = kAll) const;

    // Points a chunk summary covers (when the block size is a multiple of it;
    // otherwise a chunk is a whole block).
    static constexpr std::size_t kChunkPoints = 64;

  private:
    struct Chunk {
        float low = 0.0f;
        float high = 0.0f;
        std::uint32_t lowSlot = 0;  // within the chunk, the first lowest
        std::uint32_t highSlot = 0;
        std::uint32_t count = 0;
        double mean = 0.0;
        double m2 = 0.0;  // sum of squared deviations from the mean (Welford)
    };
    struct Block {
        double start = 0.0;
        std::unique_ptr<float[]> offsets;
        std::unique_ptr<float[]> values;
        std::unique_ptr<Chunk[]> chunks;
    };
    std::size_t capacity_;
    std::size_t blockPoints_;
    std::size_t maxBlocks_;
    std::size_t chunkPoints_;
    std::vector<Block> blocks_;  // a ring of blocks once it has maxBlocks_
    std::size_t oldestBlock_ = 0;
    std::size_t size_ = 0;
    double newestTime_ = 0.0;

    const Block& blockOf(std::size_t i) const;
    const Chunk& chunkOf(std::size_t i) const;
    void summarise(Chunk& c, std::size_t within, float value);
    std::size_t lastAtOrBefore(double time) const;  // one past it, in fact
    // The first lowest and first highest point of [a, b).
    void extremes(std::size_t a, std::size_t b, std::size_t& low, std::size_t& high) const;
};

}  // namespace purlo
