// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include "app/Controls.h"
#include "surface/Surface.h"

namespace purlo::test {

// Remembers every line with the colour it was drawn in.
class RecordingSurface : public Surface {
  public:
    struct Line {
        int colour;
        float x1, y1, x2, y2;
        friend bool operator==(const Line&, const Line&) = default;
    };

    void setForeColour(int paletteIndex) override {
        colour = paletteIndex;
        ++colourSets;
    }
    void drawLine(float x1, float y1, float x2, float y2) override {
        lines.push_back({colour, x1, y1, x2, y2});
    }
    void clear() override {
        ++clears;
        lines.clear();
    }
    float widthTwips() const override { return width; }

    int colour = 10;  // the window's default fore colour is light green
    int colourSets = 0;
    int clears = 0;
    float width = static_cast<float>(kClientWidthTwips);
    std::vector<Line> lines;
};

}  // namespace purlo::test
