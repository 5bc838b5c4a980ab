#include "LineBatch.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace purlo {

LineBatch::LineBatch(std::size_t capacity, QSize imageSize)
    : capacity_(capacity),
      lines_(new Line[capacity]) {
    resizeFor(imageSize);
}

void LineBatch::resizeFor(QSize imageSize) {
    size_ = 0;
    wordsPerColumn_ = static_cast<std::size_t>((std::max(imageSize.height(), 0) + 63) / 64);
    covered_.assign(static_cast<std::size_t>(std::max(imageSize.width(), 0)) * wordsPerColumn_, 0);
}

void LineBatch::drawInto(QImage& image) {
    if (size_ == 0) return;
    uchar* const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    const std::size_t words = wordsPerColumn_;
    std::uint64_t* const covered = covered_.data();
    // Writes the pixels of the row range [from, to] of one column that no
    // later line has written, at rows w * 64 + bit.
    const auto column = [&](int x, int w, std::uint64_t mask, QRgb colour) {
        std::uint64_t& cov =
            covered[static_cast<std::size_t>(x) * words + static_cast<std::size_t>(w)];
        std::uint64_t todo = mask & ~cov;
        cov |= mask;
        while (todo != 0) {
            const int y = w * 64 + std::countr_zero(todo);
            reinterpret_cast<QRgb*>(bits + y * stride)[x] = colour;
            todo &= todo - 1;
        }
    };
    constexpr std::uint64_t kAll = ~std::uint64_t{0};
    for (std::size_t i = size_; i-- > 0;) {
        const Line& line = lines_[i];
        if (line.column) {
            const int first = line.from >> 6;
            const int last = line.to >> 6;
            const std::uint64_t head = kAll << (line.from & 63);
            const std::uint64_t tail = kAll >> (63 - (line.to & 63));
            if (first == last) {
                column(line.at, first, head & tail, line.colour);
            } else {
                column(line.at, first, head, line.colour);
                for (int w = first + 1; w < last; ++w) column(line.at, w, kAll, line.colour);
                column(line.at, last, tail, line.colour);
            }
        } else {
            const std::size_t w = static_cast<std::size_t>(line.at >> 6);
            const std::uint64_t bit = std::uint64_t{1} << (line.at & 63);
            auto* row = reinterpret_cast<QRgb*>(bits + line.at * stride);
            for (int x = line.from; x <= line.to; ++x) {
                std::uint64_t& cov = covered[static_cast<std::size_t>(x) * words + w];
                if ((cov & bit) == 0) {
                    cov |= bit;
                    row[x] = line.colour;
                }
            }
        }
    }
    // A few dozen kilobytes: cheaper to clear at once than to note what was touched.
    std::memset(covered, 0, covered_.size() * sizeof(std::uint64_t));
    size_ = 0;
}

}  // namespace purlo
