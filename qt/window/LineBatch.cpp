// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/LineBatch.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace purlo {

LineBatch::LineBatch(std::size_t capacity, QSize imageSize)
    : capacity_(capacity), lines_(new Line[capacity]) {
    resizeFor(imageSize);
}

void LineBatch::resizeFor(QSize imageSize) {
    size_ = 0;
    wordsPerColumn_ = static_cast<std::size_t>((std::max(imageSize.height(), 0) + 63) / 64);
    covered_.assign(static_cast<std::size_t>(std::max(imageSize.width(), 0)) * wordsPerColumn_, 0);
}

LineBatch::Pass::Pass(QImage& image, std::uint64_t* covered, std::size_t wordsPerColumn)
    : bits_(image.bits()),
      stride_(image.bytesPerLine()),
      covered_(covered),
      words_(wordsPerColumn) {}

// Writes the pixels of one column at rows w * 64 + bit, for the bits of
// `mask` no later line has written.
inline void LineBatch::Pass::columnWord(int x, int w, std::uint64_t mask, QRgb colour) {
    std::uint64_t& cov =
        covered_[static_cast<std::size_t>(x) * words_ + static_cast<std::size_t>(w)];
    std::uint64_t todo = mask & ~cov;
    cov |= mask;
    while (todo != 0) {
        const int y = w * 64 + std::countr_zero(todo);
        reinterpret_cast<QRgb*>(bits_ + y * stride_)[x] = colour;
        todo &= todo - 1;
    }
}

void LineBatch::Pass::column(QRgb colour, int x, int y1, int y2) {
    constexpr std::uint64_t kAll = ~std::uint64_t{0};
    const int first = y1 >> 6;
    const int last = y2 >> 6;
    const std::uint64_t head = kAll << (y1 & 63);
    const std::uint64_t tail = kAll >> (63 - (y2 & 63));
    if (first == last) {
        columnWord(x, first, head & tail, colour);
    } else {
        columnWord(x, first, head, colour);
        for (int w = first + 1; w < last; ++w) columnWord(x, w, kAll, colour);
        columnWord(x, last, tail, colour);
    }
}

void LineBatch::Pass::row(QRgb colour, int y, int x1, int x2) {
    const std::size_t w = static_cast<std::size_t>(y >> 6);
    const std::uint64_t bit = std::uint64_t{1} << (y & 63);
    auto* pixels = reinterpret_cast<QRgb*>(bits_ + y * stride_);
    for (int x = x1; x <= x2; ++x) {
        std::uint64_t& cov = covered_[static_cast<std::size_t>(x) * words_ + w];
        if ((cov & bit) == 0) {
            cov |= bit;
            pixels[x] = colour;
        }
    }
}

void LineBatch::finish() {
    // A few dozen kilobytes: cheaper to clear at once than to note what was touched.
    std::memset(covered_.data(), 0, covered_.size() * sizeof(std::uint64_t));
    size_ = 0;
}

}  // namespace purlo
