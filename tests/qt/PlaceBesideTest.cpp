// SPDX-License-Identifier: GPL-3.0-or-later
// Where a window beside the console goes: on a laptop's 1366 x 768 and on
// other screens, wherever the console stands, whole on the screen and off
// the console whenever the screen has room for it.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDataStream>
#include <QIODevice>
#include <QWidget>

#include "window/PlaceBeside.h"

namespace purlo {
namespace {

const QMargins kFrame(2, 24, 2, 2);  // a title bar and thin borders
const QSize kWanted(900, 820);
const QSize kMinimum(420, 360);

TEST(PlaceBeside, BesideTheConsoleWhenTheScreenHasRoomAndAlwaysWholeOnIt) {
    const QRect screens[] = {QRect(0, 0, 1366, 740), QRect(0, 0, 1920, 1050),
                             QRect(1920, 0, 2560, 1410), QRect(0, 0, 1024, 740)};
    const QSize consoles[] = {QSize(720, 540), QSize(1000, 700), QSize(560, 420)};
    int besides = 0;
    for (const QRect& screen : screens) {
        for (const QSize& console : consoles) {
            for (int x = screen.left(); x + console.width() <= screen.right(); x += 97) {
                for (int y = screen.top(); y + console.height() <= screen.bottom(); y += 89) {
                    const QRect c(QPoint(x, y), console);
                    const QRect placed = placeBeside(c, screen, kWanted, kMinimum, kFrame);
                    const QRect whole = placed.marginsAdded(kFrame);
                    SCOPED_TRACE(testing::Message()
                                 << "screen " << screen.width() << "x" << screen.height()
                                 << ", console at " << x << "," << y << " " << console.width()
                                 << "x" << console.height());
                    EXPECT_TRUE(screen.contains(whole));
                    EXPECT_LE(placed.width(), kWanted.width());
                    EXPECT_LE(placed.height(), kWanted.height());
                    const bool room = screen.right() - c.right() >= kMinimum.width() + 4 ||
                                      c.left() - screen.left() >= kMinimum.width() + 4 ||
                                      screen.bottom() - c.bottom() >= kMinimum.height() + 26 ||
                                      c.top() - screen.top() >= kMinimum.height() + 26;
                    if (room) {
                        EXPECT_FALSE(whole.intersects(c));
                        EXPECT_GE(placed.width(), kMinimum.width());
                        EXPECT_GE(placed.height(), kMinimum.height());
                        ++besides;
                    }
                }
            }
        }
    }
    EXPECT_GT(besides, 100);
}

TEST(PlaceBeside, OnALaptopTheMonitorGoesRightOfTheConsoleAtItsTop) {
    // The console at its usual place, top left of a 1366 x 768 screen with a panel.
    const QRect console(0, 0, 724, 556);
    const QRect placed = placeBeside(console, QRect(0, 0, 1366, 740), kWanted, kMinimum, kFrame);
    EXPECT_EQ(placed.marginsAdded(kFrame).left(), console.right() + 1);
    EXPECT_EQ(placed.marginsAdded(kFrame).top(), 0);
    EXPECT_EQ(placed.width(), 1366 - 724 - 4);
    EXPECT_EQ(placed.height(), 740 - 26);
}

TEST(PlaceBeside, NoRoomAnywhereCoversTheLeastOfTheConsole) {
    // No side has room for the smallest monitor; the top right corner covers
    // 604 x 600 of the console, the left ones all 800 x 600 of it.
    const QRect screen(0, 0, 1200, 900);
    const QRect console(100, 100, 800, 600);
    const QRect whole =
        placeBeside(console, screen, kWanted, kMinimum, kFrame).marginsAdded(kFrame);
    EXPECT_EQ(whole, QRect(296, 0, 904, 846));
}

QByteArray savedAt(const QRect& frame) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_0);
    out << quint32(0x1D9D0CB) << quint16(3) << quint16(0) << frame << frame;
    return bytes;
}

TEST(PlaceBeside, ASavedPlaceCountsOnlyOnAScreenPresentNow) {
    QWidget shown;
    shown.setGeometry(30, 40, 300, 200);
    shown.show();
    const QByteArray geometry = shown.saveGeometry();
    ASSERT_EQ(savedFrame(geometry), shown.frameGeometry());

    QWidget again;
    EXPECT_TRUE(restoreOnPresentScreen(again, geometry));
    EXPECT_EQ(again.geometry().topLeft(), QPoint(30, 40));

    // Saved on a second screen to the right, unplugged since.
    QWidget gone;
    gone.setGeometry(10, 10, 100, 100);
    EXPECT_FALSE(restoreOnPresentScreen(gone, savedAt(QRect(5000, 100, 900, 700))));
    EXPECT_EQ(gone.geometry(), QRect(10, 10, 100, 100));
    EXPECT_FALSE(restoreOnPresentScreen(gone, QByteArray("not a geometry")));
    EXPECT_FALSE(restoreOnPresentScreen(gone, QByteArray()));
}

}  // namespace
}  // namespace purlo
