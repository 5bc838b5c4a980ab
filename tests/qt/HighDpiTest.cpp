// SPDX-License-Identifier: GPL-3.0-or-later
// The window and its echo drawing at a device pixel ratio of 2.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <cmath>

#include "surface/Palette.h"
#include "window/Canvas.h"
#include "window/MainWindow.h"
#include "window/Printing.h"

namespace purlo {
namespace {

constexpr qreal kRatio = 2;

QRgb rgbOf(int paletteIndex) {
    const Rgb c = kPalette.at(static_cast<std::size_t>(paletteIndex));
    return qRgb(c.r, c.g, c.b);
}

// Twips to widget pixels, from the screen's logical DPI, worked out here.
int widgetPixels(double twips) {
    const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInch();
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

int countNotBlack(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) != qRgb(0, 0, 0);
    }
    return n;
}

TEST(HighDpi, TheScreenIsScaledByTwoWithoutChangingItsLogicalDpi) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->devicePixelRatio(), kRatio);
    // The layout is in widget pixels of the logical DPI: the same numbers as
    // on a plain screen, each drawn with 2 x 2 device pixels.
    EXPECT_EQ(TwipsScale::ofScreen().pixelsPerTwip(), screen->logicalDotsPerInch() / 1440.0);
}

TEST(HighDpi, EveryControlKeepsItsPlaceInDevicePixels) {
    MainWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    for (const ControlInfo& info : controlTable()) {
        SCOPED_TRACE(std::string(info.name));
        const QRect expected(
            widgetPixels(info.rect.left), widgetPixels(info.rect.top),
            widgetPixels(info.rect.left + info.rect.width) - widgetPixels(info.rect.left),
            widgetPixels(info.rect.top + info.rect.height) - widgetPixels(info.rect.top));
        EXPECT_EQ(window.widget(info.id)->geometry(), expected);
    }
    // On the screen: twice the size, with the message list's light grey at
    // twice the coordinates of a point inside it.
    const QImage shot = window.grab().toImage();
    EXPECT_EQ(shot.size(), window.size() * kRatio);
    const QPoint inList(widgetPixels(8300), widgetPixels(6050));
    EXPECT_EQ(shot.pixel(inList * kRatio), qRgb(224, 224, 224));
}

TEST(HighDpi, AWindowSizeAppliesInWidgetPixelsAndTheScreenDoublesIt) {
    MainWindow window(WindowSize::percent(150));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // 150 % of 96 dpi in widget pixels, whatever the screen's ratio.
    const auto at150 = [](double twips) {
        return static_cast<int>(std::lround(twips * 144.0 / 1440.0));
    };
    for (const ControlInfo& info : controlTable()) {
        SCOPED_TRACE(std::string(info.name));
        const int left = at150(info.rect.left);
        const int top = at150(info.rect.top);
        EXPECT_EQ(window.widget(info.id)->geometry(),
                  QRect(left, top, at150(info.rect.left + info.rect.width) - left,
                        at150(info.rect.top + info.rect.height) - top));
    }
    // The canvas: one image pixel per device pixel, lines one device pixel wide.
    Canvas& canvas = window.canvas();
    EXPECT_EQ(canvas.image().size(), window.size() * kRatio);
    canvas.setForeColour(15);
    canvas.drawLine(1500, 1500, 3000, 1500);
    const auto device = [](double twips) {
        return static_cast<int>(std::lround(twips * 144.0 * kRatio / 1440.0));
    };
    const int x = device(2000);
    const int y = device(1500);
    EXPECT_EQ(canvas.image().pixel(x, y), rgbOf(15));
    EXPECT_EQ(canvas.image().pixel(x, y - 1), rgbOf(0));
    EXPECT_EQ(canvas.image().pixel(x, y + 1), rgbOf(0));
    EXPECT_EQ(countNotBlack(canvas.image()), device(3000) - device(1500) + 1);
}

TEST(HighDpi, APrintFillsThePageWithEveryPixelOfTheWindow) {
    MainWindow window;
    window.canvas().setForeColour(12);
    window.canvas().drawLine(0, 1500, 8484, 1500);
    const QPixmap grabbed = window.grab();
    ASSERT_EQ(grabbed.devicePixelRatio(), kRatio);
    // A page exactly as many dots as the grab has pixels: a one-to-one copy.
    QImage page(grabbed.size(), QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    drawFitted(painter, grabbed);
    painter.end();
    EXPECT_EQ(page, grabbed.toImage().convertToFormat(QImage::Format_RGB32));
}

struct HighDpiCanvas : ::testing::Test {
    Canvas canvas{TwipsScale::ofScreen()};
    double devicePixelsPerTwip() {
        return canvas.image().devicePixelRatio() * TwipsScale::ofScreen().pixelsPerTwip();
    }
    // Twips to device pixels, and the twips in the middle of a device pixel.
    int px(double twips) { return static_cast<int>(std::lround(twips * devicePixelsPerTwip())); }
    float twips(int devicePixel) { return static_cast<float>(devicePixel / devicePixelsPerTwip()); }
    QRgb at(int x, int y) { return canvas.image().pixel(x, y); }
};

TEST_F(HighDpiCanvas, HasOneImagePixelPerDevicePixel) {
    EXPECT_EQ(canvas.image().devicePixelRatio(), kRatio);
    EXPECT_EQ(canvas.image().size(), canvas.size() * kRatio);
    EXPECT_EQ(countNotBlack(canvas.image()), 0);
}

TEST_F(HighDpiCanvas, LinesAreOneDevicePixelWide) {
    canvas.setForeColour(15);
    canvas.drawLine(1500, 1500, 3000, 1500);
    canvas.drawLine(4500, 300, 4500, 900);
    const int y = px(1500);
    EXPECT_EQ(at(px(2000), y), rgbOf(15));
    EXPECT_EQ(at(px(2000), y - 1), rgbOf(0));
    EXPECT_EQ(at(px(2000), y + 1), rgbOf(0));
    EXPECT_EQ(at(px(4500), px(600)), rgbOf(15));
    EXPECT_EQ(at(px(4500) + 1, px(600)), rgbOf(0));
    EXPECT_EQ(at(px(4500) - 1, px(600)), rgbOf(0));
    const int horizontal = px(3000) - px(1500) + 1;
    const int vertical = px(900) - px(300) + 1;
    EXPECT_EQ(countNotBlack(canvas.image()), horizontal + vertical);
}

TEST_F(HighDpiCanvas, SlopedLinesStepOneDevicePixelAtATime) {
    canvas.setForeColour(13);
    canvas.drawLine(0, 0, 1500, 1500);
    const int n = px(1500);
    for (int i = 0; i <= n; ++i) ASSERT_EQ(at(i, i), rgbOf(13)) << i;
    EXPECT_EQ(countNotBlack(canvas.image()), n + 1);
}

TEST_F(HighDpiCanvas, ReachesTheLastDevicePixelAndNoFurther) {
    const int w = canvas.image().width();
    const int h = canvas.image().height();
    canvas.drawLine(-1e6f, twips(h - 1), 1e6f, twips(h - 1));
    canvas.drawLine(twips(w - 1), -1e6f, twips(w - 1), 1e6f);
    for (int x : {0, w / 2, w - 1}) EXPECT_EQ(at(x, h - 1), rgbOf(10)) << x;
    for (int y : {0, h / 2, h - 1}) EXPECT_EQ(at(w - 1, y), rgbOf(10)) << y;
    EXPECT_EQ(countNotBlack(canvas.image()), w + h - 1);
    // One device pixel further is outside.
    canvas.clear();
    canvas.drawLine(-1e6f, twips(h), 1e6f, twips(h));
    canvas.drawLine(twips(w), -1e6f, twips(w), 1e6f);
    EXPECT_EQ(countNotBlack(canvas.image()), 0);
}

TEST_F(HighDpiCanvas, IsPaintedSharpNotScaledUp) {
    canvas.setForeColour(12);
    canvas.drawLine(0, 1500, 8484, 1500);
    canvas.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&canvas));
    canvas.hide();
    canvas.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&canvas));
    const QImage painted = canvas.grab().toImage();
    ASSERT_EQ(painted.size(), canvas.image().size());
    const int y = px(1500);
    for (int x : {1, 301, 1000}) {
        EXPECT_EQ(painted.pixel(x, y), rgbOf(12)) << x;
        EXPECT_EQ(painted.pixel(x, y - 1), rgbOf(0)) << x;
        EXPECT_EQ(painted.pixel(x, y + 1), rgbOf(0)) << x;
    }
}

TEST_F(HighDpiCanvas, ALineDrawnWhileShownIsRepaintedWhole) {
    canvas.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&canvas));
    QApplication::processEvents();
    canvas.setForeColour(14);
    // Ends on an odd device pixel: the repaint must reach it.
    canvas.drawLine(4500, 2000, 4500, 2000 + 15.0f * 7 / 2);
    QApplication::processEvents();
    const QImage painted = canvas.grab().toImage();
    const int x = px(4500);
    for (int y = px(2000); y <= px(2000 + 15.0 * 7 / 2); ++y) {
        EXPECT_EQ(painted.pixel(x, y), rgbOf(14)) << y;
    }
}

}  // namespace
}  // namespace purlo
