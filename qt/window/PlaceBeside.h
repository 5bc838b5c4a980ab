// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QMargins>
#include <QRect>
#include <QSize>
#include <optional>

class QWidget;

namespace purlo {

// Where a window opened beside the console goes (the monitor, the tuning
// assistant): never over it when the screen has room, and whole on the
// console's screen. All rectangles in the screen's logical pixels; `frame` is
// what the window manager adds around a window's client area.
//
// Tried in turn: right of the console, below it, left of it, above it, each
// with the window shrunk to the room there down to `minimum`. When none has
// room, the window keeps as much of its wanted size as the screen allows and
// goes where it covers the least of the console. Returns the client area.
QRect placeBeside(const QRect& consoleFrame, const QRect& available, QSize wanted, QSize minimum,
                  const QMargins& frame);

// Puts `window` (not yet shown, or shown) beside `console` on the console's
// screen, at most `wanted` in size.
void placeBeside(QWidget& window, const QWidget& console, QSize wanted);

// The frame geometry a QWidget::saveGeometry() holds; nothing when it is none.
std::optional<QRect> savedFrame(const QByteArray& geometry);

// Restores a geometry from QWidget::saveGeometry() when the place it was
// saved at lies on a screen present now; false (and nothing changed) else.
bool restoreOnPresentScreen(QWidget& window, const QByteArray& geometry);

}  // namespace purlo
