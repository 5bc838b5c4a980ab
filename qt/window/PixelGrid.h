// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "window/Rounding.h"

namespace purlo {

// Twips to pixel columns and rows, for line after line of them: rounded to
// the nearest pixel, and first held just outside the image (-1 to its size)
// so the int always fits. The lines of an echo record come back to the same
// few coordinates again and again (the last two x, the baseline and the two
// ends of a bar), so the last ones are kept.
//
class PixelGrid {
  public:
    PixelGrid(double pixelsPerTwip, int width, int height)
        : perTwip_(pixelsPerTwip), width_(width), height_(height) {}

    // Throw RuntimeError for a coordinate that is not a number or infinite.
    [[gnu::always_inline]] int column(float x) {
        if (x == columns_[0].twips) return columns_[0].pixel;
        if (x == columns_[1].twips) return columns_[1].pixel;
        Kept& slot = columns_[nextColumn_];
        nextColumn_ ^= 1;
        slot = {x, convert(x, width_)};
        return slot.pixel;
    }
    [[gnu::always_inline]] int row(float y) {
        if (y == rows_[0].twips) return rows_[0].pixel;
        if (y == rows_[1].twips) return rows_[1].pixel;
        if (y == rows_[2].twips) return rows_[2].pixel;
        Kept& slot = rows_[nextRow_];
        nextRow_ = nextRow_ == 2 ? 0 : nextRow_ + 1;
        slot = {y, convert(y, height_)};
        return slot.pixel;
    }

  private:
    struct Kept {
        float twips = std::numeric_limits<float>::quiet_NaN();  // equal to nothing
        int pixel = 0;
    };
    int convert(float twips, int size) const {
        if (!std::isfinite(twips)) throwNotANumber();
        return roundToInt(std::clamp(twips * perTwip_, -1.0, static_cast<double>(size)));
    }
    [[noreturn]] static void throwNotANumber();

    double perTwip_;
    int width_;
    int height_;
    std::array<Kept, 2> columns_{};
    std::array<Kept, 3> rows_{};
    unsigned nextColumn_ = 0;
    unsigned nextRow_ = 0;
};

}  // namespace purlo
