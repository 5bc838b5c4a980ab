// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/PlaceBeside.h"

#include <QDataStream>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <array>
#include <optional>

namespace purlo {
namespace {

int overlapArea(const QRect& a, const QRect& b) {
    const QRect both = a.intersected(b);
    return both.isEmpty() ? 0 : both.width() * both.height();
}

// Moves `r` inside `area` as far as it fits (its top left wins when it cannot).
QRect keepInside(QRect r, const QRect& area) {
    r.moveRight(std::min(r.right(), area.right()));
    r.moveBottom(std::min(r.bottom(), area.bottom()));
    r.moveLeft(std::max(r.left(), area.left()));
    r.moveTop(std::max(r.top(), area.top()));
    return r;
}

}  // namespace

QRect placeBeside(const QRect& consoleFrame, const QRect& available, QSize wanted, QSize minimum,
                  const QMargins& frame) {
    const int extraW = frame.left() + frame.right();
    const int extraH = frame.top() + frame.bottom();
    // The whole window, frame included, as large as wanted and the screen allow.
    const QSize whole(std::min(wanted.width() + extraW, available.width()),
                      std::min(wanted.height() + extraH, available.height()));
    const QSize least(minimum.width() + extraW, minimum.height() + extraH);
    const QRect c = consoleFrame;
    const QRect& a = available;

    struct Side {
        QRect room;   // the screen's area on that side of the console
        bool across;  // left or right: the width is what the side limits
    };
    const std::array<Side, 4> sides{{
        {QRect(QPoint(c.right() + 1, a.top()), a.bottomRight()), true},
        {QRect(QPoint(a.left(), c.bottom() + 1), a.bottomRight()), false},
        {QRect(a.topLeft(), QPoint(c.left() - 1, a.bottom())), true},
        {QRect(a.topLeft(), QPoint(a.right(), c.top() - 1)), false},
    }};
    for (const Side& side : sides) {
        const QRect& room = side.room;
        if (room.width() < least.width() || room.height() < least.height()) continue;
        QSize size(std::min(whole.width(), room.width()), std::min(whole.height(), room.height()));
        // Beside the console: level with its top, or with its left edge.
        const QPoint start =
            side.across ? QPoint(room.left(), c.top()) : QPoint(c.left(), room.top());
        QRect placed = keepInside(QRect(start, size), room);
        if (side.across && room.left() < c.left()) placed.moveRight(room.right());
        if (!side.across && room.top() < c.top()) placed.moveBottom(room.bottom());
        return placed.marginsRemoved(frame);
    }
    // No side has room: cover as little of the console as possible.
    const std::array<QPoint, 4> corners{
        a.topRight() - QPoint(whole.width() - 1, 0), a.bottomLeft() - QPoint(0, whole.height() - 1),
        a.topLeft(), a.bottomRight() - QPoint(whole.width() - 1, whole.height() - 1)};
    QRect best;
    int bestOverlap = -1;
    for (const QPoint& corner : corners) {
        const QRect r = keepInside(QRect(corner, whole), a);
        const int o = overlapArea(r, c);
        if (bestOverlap < 0 || o < bestOverlap) {
            best = r;
            bestOverlap = o;
        }
    }
    return best.marginsRemoved(frame);
}

void placeBeside(QWidget& window, const QWidget& console, QSize wanted) {
    const QScreen* screen = console.screen();
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        window.resize(wanted);
        return;
    }
    // A window not yet shown has no frame: take the console's as the one it will get.
    const QRect consoleFrame = console.frameGeometry();
    const QRect consoleClient = console.geometry();
    const QMargins frame(consoleClient.left() - consoleFrame.left(),
                         consoleClient.top() - consoleFrame.top(),
                         consoleFrame.right() - consoleClient.right(),
                         consoleFrame.bottom() - consoleClient.bottom());
    const QSize minimum = window.minimumSizeHint().expandedTo(window.minimumSize());
    window.setGeometry(placeBeside(consoleFrame, screen->availableGeometry(), wanted,
                                   minimum.boundedTo(wanted), frame));
}

std::optional<QRect> savedFrame(const QByteArray& geometry) {
    // QWidget::saveGeometry() starts with a magic number, its format's
    // version and the frame geometry, in every version since Qt 4.
    QDataStream in(geometry);
    in.setVersion(QDataStream::Qt_4_0);
    quint32 magic = 0;
    quint16 major = 0;
    quint16 minor = 0;
    QRect frame;
    in >> magic >> major >> minor >> frame;
    if (in.status() != QDataStream::Ok || magic != 0x1D9D0CB || major < 1) return std::nullopt;
    return frame;
}

bool restoreOnPresentScreen(QWidget& window, const QByteArray& geometry) {
    // restoreGeometry() alone pulls a window saved on a screen that is gone
    // onto one that is here, wherever that puts it; such a place is no place.
    const std::optional<QRect> frame = savedFrame(geometry);
    if (!frame) return false;
    const auto screens = QGuiApplication::screens();
    const bool present = std::any_of(screens.begin(), screens.end(), [&](const QScreen* s) {
        return s->availableGeometry().contains(frame->center());
    });
    return present && window.restoreGeometry(geometry);
}

}  // namespace purlo
