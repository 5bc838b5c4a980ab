// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>

#include "surface/SampleTrace.h"

namespace purlo {

// A line in its palette colour, one of the lines of a sample trace.
struct SurfaceLine {
    int colour;
    float x1, y1, x2, y2;
};

// The window's client area as a drawing surface. Coordinates are twips
// (1440 per logical inch) from the top-left corner, y downwards. Lines are one
// pixel wide, exact (no antialiasing), clipped to the area, and stay drawn
// until cleared. The surface is always in twips, so there is no unit call.
class Surface {
  public:
    virtual ~Surface() = default;

    // Current drawing colour, a palette index 0..15.
    virtual void setForeColour(int paletteIndex) = 0;
    virtual void drawLine(float x1, float y1, float x2, float y2) = 0;
    // Draws one sample byte of an echo trace: exactly its lines, in order
    // (sampleTraceLines), each in its colour; the fore colour is then the
    // last line's. A surface that keeps lines for later may drop an earlier
    // trace that a later one of the same shape hides.
    virtual void drawSampleTrace(const SampleTrace& trace) {
        std::array<SurfaceLine, kSampleTraceMaxLines> lines;
        const std::size_t n = sampleTraceLines(trace, lines);
        for (std::size_t i = 0; i < n; ++i) {
            setForeColour(lines[i].colour);
            drawLine(lines[i].x1, lines[i].y1, lines[i].x2, lines[i].y2);
        }
    }
    // Fills the whole surface with the background colour (black).
    virtual void clear() = 0;
    // Width of the drawable area in twips.
    virtual float widthTwips() const = 0;
};

}  // namespace purlo
