// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/EchoHistory.h"

#include <algorithm>
#include <cstring>

namespace purlo {

EchoHistory::EchoHistory(std::size_t rows)
    : bytes_(std::max<std::size_t>(rows, 1) * kEchoRowBytes),
      times_(std::max<std::size_t>(rows, 1)),
      lengths_(std::max<std::size_t>(rows, 1)) {}

void EchoHistory::add(double time, std::span<const std::uint8_t> bytes) {
    const std::size_t rows = times_.size();
    newest_ = size_ == 0 ? 0 : (newest_ + 1) % rows;
    const std::size_t n = std::min(bytes.size(), kEchoRowBytes);
    if (n > 0) std::memcpy(&bytes_[newest_ * kEchoRowBytes], bytes.data(), n);
    times_[newest_] = time;
    lengths_[newest_] = static_cast<std::uint16_t>(n);
    size_ = std::min(size_ + 1, rows);
    ++added_;
}

void EchoHistory::clear() {
    size_ = 0;
    newest_ = 0;
}

void EchoHistory::dropAfter(double time) {
    const std::size_t rows = times_.size();
    while (size_ > 0 && times_[newest_] > time) {
        newest_ = (newest_ + rows - 1) % rows;
        --size_;
    }
    if (size_ == 0) newest_ = 0;
}

EchoRow EchoHistory::row(std::size_t k) const {
    const std::size_t rows = times_.size();
    const std::size_t i = (newest_ + rows - k % rows) % rows;
    return {times_[i], std::span<const std::uint8_t>(&bytes_[i * kEchoRowBytes], lengths_[i])};
}

std::size_t EchoHistory::widestSamples() const {
    std::size_t widest = 0;
    for (std::size_t k = 0; k < size_; ++k) widest = std::max(widest, row(k).samples());
    return widest;
}

std::size_t EchoHistory::bytesAtCapacity() const {
    return bytes_.size() + times_.size() * sizeof(double) + lengths_.size() * sizeof(std::uint16_t);
}

}  // namespace purlo
