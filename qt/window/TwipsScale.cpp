// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/TwipsScale.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace purlo {

namespace {
// Far outside any window, yet safe to add a window width to as an int.
constexpr double kPixelLimit = 1e8;
}  // namespace

TwipsScale::TwipsScale(double logicalDotsPerInch)
    : pixelsPerTwip_((logicalDotsPerInch > 0 ? logicalDotsPerInch : 96.0) / kTwipsPerInch) {}

TwipsScale TwipsScale::ofScreen(const QScreen* screen) {
    return TwipsScale(logicalDpiOf(screen));
}

double TwipsScale::logicalDpiOf(const QScreen* screen) {
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->logicalDotsPerInch() : 96.0;
}

int TwipsScale::toPixels(double twips) const {
    double px = twips * pixelsPerTwip_;
    if (std::isnan(px)) px = 0;
    px = std::clamp(px, -kPixelLimit, kPixelLimit);
    return static_cast<int>(std::lround(px));
}

QRect TwipsScale::toPixels(const TwipsRect& r) const {
    const int left = toPixels(r.left);
    const int top = toPixels(r.top);
    const int right = toPixels(r.left + r.width);
    const int bottom = toPixels(r.top + r.height);
    return {left, top, right - left, bottom - top};
}

QSize TwipsScale::clientSize() const {
    return {toPixels(kClientWidthTwips), toPixels(kClientHeightTwips)};
}

}  // namespace purlo
