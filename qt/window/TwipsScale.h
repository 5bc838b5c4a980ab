// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QSize>

#include "app/Controls.h"

class QScreen;

namespace purlo {

// The one conversion from twips to pixels: 1440 twips per logical inch of the
// screen. Every control rectangle, the window size and every drawn line go
// through it, so a different pixel density (high-DPI) changes one place.
class TwipsScale {
  public:
    static constexpr double kTwipsPerInch = 1440.0;

    explicit TwipsScale(double logicalDotsPerInch);
    // The scale of the given screen (the primary one when null; 96 dpi when
    // there is no screen at all).
    static TwipsScale ofScreen(const QScreen* screen = nullptr);
    // That screen's logical dots per inch, chosen as ofScreen() chooses it.
    static double logicalDpiOf(const QScreen* screen = nullptr);

    double pixelsPerTwip() const { return pixelsPerTwip_; }
    // A coordinate: the nearest pixel. Values far beyond any screen are
    // clamped so the result always fits an int.
    int toPixels(double twips) const;
    // A rectangle: both edges are rounded, so neighbouring controls keep the
    // gaps the layout gives them.
    QRect toPixels(const TwipsRect& r) const;
    // The window's client area.
    QSize clientSize() const;

  private:
    double pixelsPerTwip_;
};

}  // namespace purlo
