// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/TrendSeries.h"

#include <algorithm>
#include <cmath>

namespace purlo {

TrendSeries::TrendSeries(std::size_t capacity, std::size_t blockPoints)
    : capacity_(std::max<std::size_t>(capacity, 1)),
      blockPoints_(std::max<std::size_t>(blockPoints, 1)),
      // One block more than the capacity needs: the oldest is dropped only
      // when the newest point needs its room.
      maxBlocks_((capacity_ + blockPoints_ - 1) / blockPoints_ + 1),
      chunkPoints_(blockPoints_ % kChunkPoints == 0 ? kChunkPoints : blockPoints_) {}

const TrendSeries::Chunk& TrendSeries::chunkOf(std::size_t i) const {
    return blockOf(i).chunks[(i % blockPoints_) / chunkPoints_];
}

void TrendSeries::summarise(Chunk& c, std::size_t within, float value) {
    if (within == 0) {
        c = {value, value, 0, 0, 1, value, 0.0};
        return;
    }
    const auto slot = static_cast<std::uint32_t>(within);
    if (value < c.low) {
        c.low = value;
        c.lowSlot = slot;
    }
    if (value > c.high) {
        c.high = value;
        c.highSlot = slot;
    }
    ++c.count;
    const double delta = value - c.mean;
    c.mean += delta / c.count;
    c.m2 += delta * (value - c.mean);
}

const TrendSeries::Block& TrendSeries::blockOf(std::size_t i) const {
    return blocks_[(oldestBlock_ + i / blockPoints_) % maxBlocks_];
}

TrendPoint TrendSeries::at(std::size_t i) const {
    const Block& b = blockOf(i);
    const std::size_t slot = i % blockPoints_;
    return {b.start + static_cast<double>(b.offsets[slot]), b.values[slot]};
}

std::optional<TrendPoint> TrendSeries::newest() const {
    if (size_ == 0) return std::nullopt;
    return at(size_ - 1);
}

void TrendSeries::add(double time, float value) {
    if (size_ > 0 && !(time >= newestTime_)) time = newestTime_;
    const std::size_t slot = size_ % blockPoints_;
    if (slot == 0) {
        std::size_t used = size_ / blockPoints_;
        if (used == maxBlocks_) {
            oldestBlock_ = (oldestBlock_ + 1) % maxBlocks_;
            size_ -= blockPoints_;
            --used;
        }
        const std::size_t index = (oldestBlock_ + used) % maxBlocks_;
        if (index == blocks_.size()) {
            Block b;
            b.offsets = std::make_unique_for_overwrite<float[]>(blockPoints_);
            b.values = std::make_unique_for_overwrite<float[]>(blockPoints_);
            b.chunks = std::make_unique<Chunk[]>(blockPoints_ / chunkPoints_);
            blocks_.push_back(std::move(b));
        }
        blocks_[index].start = time;
    }
    Block& b = blocks_[(oldestBlock_ + size_ / blockPoints_) % maxBlocks_];
    b.offsets[slot] = static_cast<float>(time - b.start);
    b.values[slot] = value;
    summarise(b.chunks[slot / chunkPoints_], slot % chunkPoints_, value);
    ++size_;
    // The time as stored, so that the next point can never sort before it.
    newestTime_ = b.start + static_cast<double>(b.offsets[slot]);
}

void TrendSeries::clear() {
    // The blocks stay allocated for the next data.
    size_ = 0;
    oldestBlock_ = 0;
    newestTime_ = 0.0;
}

void TrendSeries::dropAfter(double time) {
    if (size_ == 0 || newestTime_ <= time) return;
    std::vector<TrendPoint> kept;
    pointsIn(-kAll, time, kept);
    clear();
    for (const TrendPoint& p : kept) add(p.time, p.value);
}

void TrendSeries::scale(double factor) {
    for (std::size_t i = 0; i < size_; ++i) {
        const Block& b = blockOf(i);
        const std::size_t slot = i % blockPoints_;
        float& v = b.values[slot];
        v = static_cast<float>(static_cast<double>(v) * factor);
        // Summed up again from the values as stored now.
        summarise(b.chunks[slot / chunkPoints_], slot % chunkPoints_, v);
    }
}

std::size_t TrendSeries::bytesInUse() const {
    return blocks_.size() * (sizeof(Block) + 2 * sizeof(float) * blockPoints_);
}

std::size_t TrendSeries::bytesAtCapacity() const {
    return maxBlocks_ * (sizeof(Block) + 2 * sizeof(float) * blockPoints_);
}

std::size_t TrendSeries::firstAtOrAfter(double time) const {
    std::size_t lo = 0;
    std::size_t hi = size_;
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (at(mid).time < time) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo;
}

void TrendSeries::pointsIn(double from, double to, std::vector<TrendPoint>& out) const {
    out.clear();
    for (std::size_t i = firstAtOrAfter(from); i < size_; ++i) {
        const TrendPoint p = at(i);
        if (p.time > to) break;
        out.push_back(p);
    }
}

std::size_t TrendSeries::lastAtOrBefore(double time) const {
    std::size_t lo = 0;
    std::size_t hi = size_;
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (at(mid).time <= time) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo;
}

void TrendSeries::extremes(std::size_t a, std::size_t b, std::size_t& low,
                           std::size_t& high) const {
    low = high = a;
    float lowValue = at(a).value;
    float highValue = lowValue;
    for (std::size_t i = a + 1; i < b;) {
        if (i % chunkPoints_ == 0 && i + chunkPoints_ <= b) {
            const Chunk& c = chunkOf(i);
            if (c.low < lowValue) {
                lowValue = c.low;
                low = i + c.lowSlot;
            }
            if (c.high > highValue) {
                highValue = c.high;
                high = i + c.highSlot;
            }
            i += chunkPoints_;
            continue;
        }
        const float v = at(i).value;
        if (v < lowValue) {
            lowValue = v;
            low = i;
        }
        if (v > highValue) {
            highValue = v;
            high = i;
        }
        ++i;
    }
}

void TrendSeries::decimated(double from, double to, std::size_t buckets,
                            std::vector<TrendPoint>& out) const {
    const std::size_t first = firstAtOrAfter(from);
    // The end of the span by binary search too: it may hold millions.
    const std::size_t end = std::max(first, lastAtOrBefore(to));
    const std::size_t n = end - first;
    if (buckets == 0 || n <= 2 * buckets) {
        pointsIn(from, to, out);
        return;
    }
    out.clear();
    const double t0 = at(first).time;
    const double width = (at(end - 1).time - t0) / static_cast<double>(buckets);
    // Slice k holds the points whose (time - t0) / width rounds down to k
    // (the last slice also those beyond); each slice's bounds by binary search.
    auto slice = [&](std::size_t i) {
        if (!(width > 0.0)) return std::size_t{0};
        return std::min(buckets - 1, static_cast<std::size_t>((at(i).time - t0) / width));
    };
    std::size_t a = first;
    while (a < end) {
        const std::size_t k = slice(a);
        std::size_t lo = a + 1;
        std::size_t hi = end;
        while (lo < hi) {
            const std::size_t mid = lo + (hi - lo) / 2;
            if (slice(mid) == k) {
                lo = mid + 1;
            } else {
                hi = mid;
            }
        }
        std::size_t low = 0;
        std::size_t high = 0;
        extremes(a, lo, low, high);
        out.push_back(at(std::min(low, high)));
        if (low != high) out.push_back(at(std::max(low, high)));
        a = lo;
    }
}

SpanStatistics TrendSeries::statistics(double from, double to) const {
    SpanStatistics s;
    double m2 = 0.0;
    const std::size_t end = lastAtOrBefore(to);
    auto merge = [&](std::size_t count, double mean, double chunkM2, double low, double high) {
        if (s.count == 0) {
            s.min = low;
            s.max = high;
        } else {
            s.min = std::min(s.min, low);
            s.max = std::max(s.max, high);
        }
        // Chan's combination of two Welford sums: no cancellation over a day
        // of nearly equal values.
        const double n = static_cast<double>(s.count + count);
        const double delta = mean - s.mean;
        s.mean += delta * static_cast<double>(count) / n;
        m2 +=
            chunkM2 + delta * delta * static_cast<double>(s.count) * static_cast<double>(count) / n;
        s.count += count;
    };
    for (std::size_t i = firstAtOrAfter(from); i < end;) {
        if (i % chunkPoints_ == 0 && i + chunkPoints_ <= end) {
            const Chunk& c = chunkOf(i);
            merge(c.count, c.mean, c.m2, c.low, c.high);
            i += chunkPoints_;
            continue;
        }
        const double v = at(i).value;
        merge(1, v, 0.0, v, v);
        ++i;
    }
    if (s.count > 0) s.standardDeviation = std::sqrt(m2 / static_cast<double>(s.count));
    return s;
}

}  // namespace purlo
