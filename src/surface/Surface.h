#pragma once

namespace purlo {

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
    // Fills the whole surface with the background colour (black).
    virtual void clear() = 0;
    // Width of the drawable area in twips.
    virtual float widthTwips() const = 0;
};

}  // namespace purlo
