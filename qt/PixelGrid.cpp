#include "PixelGrid.h"

#include <cmath>

#include "text/RuntimeError.h"

namespace purlo {

int PixelGrid::convert(float twips, int size) const {
    if (!std::isfinite(twips)) throw RuntimeError("line coordinate out of range");
    return roundToInt(std::clamp(twips * perTwip_, -1.0, static_cast<double>(size)));
}

std::array<int, 4> PixelGrid::takeSpan() {
    const std::array<int, 4> span{left_, top_, right_, bottom_};
    // What is kept may be handed out again without a look at the span.
    left_ = top_ = std::numeric_limits<int>::max();
    right_ = bottom_ = -2;
    for (const Kept& k : columns_) {
        if (k.twips == k.twips) left_ = std::min(left_, k.pixel), right_ = std::max(right_, k.pixel);
    }
    for (const Kept& k : rows_) {
        if (k.twips == k.twips) top_ = std::min(top_, k.pixel), bottom_ = std::max(bottom_, k.pixel);
    }
    return span;
}

}  // namespace purlo
