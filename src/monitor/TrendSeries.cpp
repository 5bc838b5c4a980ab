#include "monitor/TrendSeries.h"

#include <algorithm>
#include <cmath>

namespace purlo {

TrendSeries::TrendSeries(std::size_t capacity, std::size_t blockPoints)
    : capacity_(std::max<std::size_t>(capacity, 1)),
      blockPoints_(std::max<std::size_t>(blockPoints, 1)),
      // One block more than the capacity needs: the oldest is dropped only
      // when the newest point needs its room.
      maxBlocks_((capacity_ + blockPoints_ - 1) / blockPoints_ + 1) {}

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
            blocks_.push_back(std::move(b));
        }
        blocks_[index].start = time;
    }
    Block& b = blocks_[(oldestBlock_ + size_ / blockPoints_) % maxBlocks_];
    b.offsets[slot] = static_cast<float>(time - b.start);
    b.values[slot] = value;
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

void TrendSeries::scale(double factor) {
    for (std::size_t i = 0; i < size_; ++i) {
        const Block& b = blockOf(i);
        float& v = b.values[i % blockPoints_];
        v = static_cast<float>(static_cast<double>(v) * factor);
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

void TrendSeries::decimated(double from, double to, std::size_t buckets,
                            std::vector<TrendPoint>& out) const {
    const std::size_t first = firstAtOrAfter(from);
    std::size_t end = first;
    {
        // The end of the span by binary search too: it may hold millions.
        std::size_t hi = size_;
        while (end < hi) {
            const std::size_t mid = end + (hi - end) / 2;
            if (at(mid).time <= to) {
                end = mid + 1;
            } else {
                hi = mid;
            }
        }
    }
    const std::size_t n = end - first;
    if (buckets == 0 || n <= 2 * buckets) {
        pointsIn(from, to, out);
        return;
    }
    out.clear();
    const double t0 = at(first).time;
    const double width = (at(end - 1).time - t0) / static_cast<double>(buckets);
    std::size_t bucket = 0;
    std::size_t low = first;
    std::size_t high = first;
    float lowValue = 0.0f;
    float highValue = 0.0f;
    auto emit = [&] {
        const std::size_t a = std::min(low, high);
        const std::size_t b = std::max(low, high);
        out.push_back(at(a));
        if (b != a) out.push_back(at(b));
    };
    for (std::size_t i = first; i < end; ++i) {
        const TrendPoint p = at(i);
        std::size_t k = 0;
        if (width > 0.0) {
            k = std::min(buckets - 1, static_cast<std::size_t>((p.time - t0) / width));
        }
        if (i == first || k != bucket) {
            if (i != first) emit();
            bucket = k;
            low = high = i;
            lowValue = highValue = p.value;
            continue;
        }
        if (p.value < lowValue) {
            low = i;
            lowValue = p.value;
        }
        if (p.value > highValue) {
            high = i;
            highValue = p.value;
        }
    }
    emit();
}

SpanStatistics TrendSeries::statistics(double from, double to) const {
    SpanStatistics s;
    double m2 = 0.0;
    for (std::size_t i = firstAtOrAfter(from); i < size_; ++i) {
        const TrendPoint p = at(i);
        if (p.time > to) break;
        const double v = p.value;
        if (s.count == 0) {
            s.min = s.max = v;
        } else {
            s.min = std::min(s.min, v);
            s.max = std::max(s.max, v);
        }
        // Welford: no cancellation over a day of nearly equal values.
        ++s.count;
        const double delta = v - s.mean;
        s.mean += delta / static_cast<double>(s.count);
        m2 += delta * (v - s.mean);
    }
    if (s.count > 0) s.standardDeviation = std::sqrt(m2 / static_cast<double>(s.count));
    return s;
}

}  // namespace purlo
