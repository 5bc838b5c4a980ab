#include "LineBatch.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace purlo {

LineBatch::LineBatch(std::size_t capacity, QSize imageSize)
    : capacity_(capacity),
      lines_(new Line[capacity]),
      covered_(static_cast<std::size_t>(imageSize.width()) *
               static_cast<std::size_t>((imageSize.height() + 63) / 64)),
      wordsPerColumn_(static_cast<std::size_t>((imageSize.height() + 63) / 64)) {}

void LineBatch::drawInto(QImage& image) {
    if (size_ == 0) return;
    uchar* const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    const std::size_t words = wordsPerColumn_;
    int left = image.width();
    int right = -1;
    for (std::size_t i = size_; i-- > 0;) {
        const Line& line = lines_[i];
        if (line.column) {
            left = std::min(left, line.at);
            right = std::max(right, line.at);
            std::uint64_t* covered = &covered_[static_cast<std::size_t>(line.at) * words];
            for (int w = line.from >> 6; w <= line.to >> 6; ++w) {
                const int lo = std::max(line.from - w * 64, 0);
                const int hi = std::min(line.to - w * 64, 63);
                const std::uint64_t mask =
                    (~std::uint64_t{0} >> (63 - hi)) & (~std::uint64_t{0} << lo);
                std::uint64_t todo = mask & ~covered[w];
                covered[w] |= mask;
                while (todo != 0) {
                    const int y = w * 64 + std::countr_zero(todo);
                    reinterpret_cast<QRgb*>(bits + y * stride)[line.at] = line.colour;
                    todo &= todo - 1;
                }
            }
        } else {
            left = std::min(left, line.from);
            right = std::max(right, line.to);
            const std::size_t w = static_cast<std::size_t>(line.at >> 6);
            const std::uint64_t bit = std::uint64_t{1} << (line.at & 63);
            auto* row = reinterpret_cast<QRgb*>(bits + line.at * stride);
            for (int x = line.from; x <= line.to; ++x) {
                std::uint64_t& covered = covered_[static_cast<std::size_t>(x) * words + w];
                if ((covered & bit) == 0) {
                    covered |= bit;
                    row[x] = line.colour;
                }
            }
        }
    }
    // Only the columns the lines touched have bits to take back.
    std::memset(&covered_[static_cast<std::size_t>(left) * words], 0,
                static_cast<std::size_t>(right - left + 1) * words * sizeof(std::uint64_t));
    size_ = 0;
}

}  // namespace purlo
