#pragma once

#include <array>
#include <span>

#include "surface/SampleTrace.h"

namespace purlo {

// A line in its palette colour, for drawing many at once.
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
    // Draws the lines in order, each in its colour, exactly as setting the
    // colour and drawing the line for one after the other would; the fore
    // colour is then the last line's. A surface may do it faster at once
    // (an echo record is thousands of lines).
    virtual void drawLines(std::span<const SurfaceLine> lines) {
        for (const SurfaceLine& l : lines) {
            setForeColour(l.colour);
            drawLine(l.x1, l.y1, l.x2, l.y2);
        }
    }
    // Draws one sample byte of an echo trace: exactly its lines, in order
    // (sampleTraceLines). A surface that keeps lines for later may drop an
    // earlier trace that a later one of the same shape hides.
    virtual void drawSampleTrace(const SampleTrace& trace) {
        std::array<SurfaceLine, kSampleTraceMaxLines> lines;
        drawLines(std::span(lines.data(), sampleTraceLines(trace, lines)));
    }
    // Fills the whole surface with the background colour (black).
    virtual void clear() = 0;
    // Width of the drawable area in twips.
    virtual float widthTwips() const = 0;
};

}  // namespace purlo
