// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <cmath>
#include <limits>

#include "surface/Palette.h"
#include "text/RuntimeError.h"
#include "window/Canvas.h"

namespace purlo {
namespace {

// At 96 dots per inch one pixel is 15 twips.
constexpr double kDpi = 96;
int px(double twips) {
    return static_cast<int>(std::lround(twips / 15));
}

QRgb rgbOf(int paletteIndex) {
    const Rgb c = kPalette.at(static_cast<std::size_t>(paletteIndex));
    return qRgb(c.r, c.g, c.b);
}

int countNotBlack(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) != qRgb(0, 0, 0);
    }
    return n;
}

struct CanvasTest : ::testing::Test {
    Canvas canvas{TwipsScale(kDpi)};
    QRgb at(int x, int y) { return canvas.image().pixel(x, y); }
};

TEST_F(CanvasTest, IsTheBlackClientArea) {
    EXPECT_EQ(canvas.image().size(), QSize(px(8484), px(6120)));
    EXPECT_EQ(canvas.size(), canvas.image().size());
    EXPECT_EQ(canvas.widthTwips(), 8484.0f);
    EXPECT_EQ(countNotBlack(canvas.image()), 0);
}

TEST_F(CanvasTest, DrawsInLightGreenUntilAColourIsSet) {
    canvas.drawLine(0, 1500, 1500, 1500);
    EXPECT_EQ(at(50, 100), rgbOf(10));
}

TEST_F(CanvasTest, DrawsEveryPaletteColourExactly) {
    for (int i = 0; i < 16; ++i) {
        canvas.setForeColour(i);
        const float y = 300.0f * static_cast<float>(i + 1);
        canvas.drawLine(0, y, 1500, y);
        EXPECT_EQ(at(px(750), px(y)), rgbOf(i)) << "palette colour " << i;
    }
}

TEST_F(CanvasTest, RefusesAColourOutsideThePalette) {
    EXPECT_THROW(canvas.setForeColour(16), RuntimeError);
    EXPECT_THROW(canvas.setForeColour(-1), RuntimeError);
}

TEST_F(CanvasTest, AxisLinesAreOnePixelWideWithBothEndPoints) {
    canvas.setForeColour(15);
    canvas.drawLine(150, 600, 300, 600);  // pixels 10..20 of row 40
    canvas.drawLine(600, 300, 600, 150);  // column 40, rows 10..20, drawn upwards
    EXPECT_EQ(at(10, 40), rgbOf(15));
    EXPECT_EQ(at(20, 40), rgbOf(15));
    EXPECT_EQ(at(9, 40), rgbOf(0));
    EXPECT_EQ(at(21, 40), rgbOf(0));
    EXPECT_EQ(at(40, 10), rgbOf(15));
    EXPECT_EQ(at(40, 20), rgbOf(15));
    EXPECT_EQ(at(40, 21), rgbOf(0));
    EXPECT_EQ(countNotBlack(canvas.image()), 11 + 11);
}

TEST_F(CanvasTest, SlopedLinesHaveNoAntialiasing) {
    canvas.setForeColour(13);
    canvas.drawLine(0, 0, 150, 150);  // pixels (0,0) to (10,10)
    for (int i = 0; i <= 10; ++i) EXPECT_EQ(at(i, i), rgbOf(13)) << i;
    EXPECT_EQ(countNotBlack(canvas.image()), 11);
}

TEST_F(CanvasTest, ClipsLinesReachingFarOutside) {
    canvas.setForeColour(14);
    canvas.drawLine(-1e6f, 1500, 1e6f, 1500);
    canvas.drawLine(3000, -1e9f, 3000, 1e9f);
    const int w = canvas.image().width();
    const int h = canvas.image().height();
    EXPECT_EQ(at(0, 100), rgbOf(14));
    EXPECT_EQ(at(w - 1, 100), rgbOf(14));
    EXPECT_EQ(at(200, 0), rgbOf(14));
    EXPECT_EQ(at(200, h - 1), rgbOf(14));
    EXPECT_EQ(countNotBlack(canvas.image()), w + h - 1);
}

TEST_F(CanvasTest, ClipsASlopedLineWithoutBendingIt) {
    canvas.drawLine(-1500, -1500, 1500, 1500);
    for (int i = 0; i <= 100; ++i) EXPECT_EQ(at(i, i), rgbOf(10)) << i;
    EXPECT_EQ(countNotBlack(canvas.image()), 101);
}

TEST_F(CanvasTest, DrawsNothingForLinesWhollyOutside) {
    canvas.drawLine(-3000, -3000, -150, -15);
    canvas.drawLine(-3000, 100, -15, 100);
    canvas.drawLine(8484, 0, 8484, 6120);  // just past the right edge
    canvas.drawLine(0, 1e30f, 9000, 1e30f);
    canvas.drawLine(-1e30f, 1e30f, 1e30f, 3e30f);
    EXPECT_EQ(countNotBlack(canvas.image()), 0);
    canvas.drawLine(8476, 0, 8476, 15);  // the last column
    EXPECT_EQ(at(canvas.image().width() - 1, 0), rgbOf(10));
}

TEST_F(CanvasTest, RefusesCoordinatesThatAreNoNumbers) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_THROW(canvas.drawLine(nan, 0, 10, 10), RuntimeError);
    EXPECT_THROW(canvas.drawLine(0, 0, inf, 10), RuntimeError);
    EXPECT_EQ(countNotBlack(canvas.image()), 0);
}

TEST_F(CanvasTest, ClearPaintsEverythingBlack) {
    canvas.drawLine(0, 0, 8484, 6120);
    canvas.drawLine(0, 3000, 8484, 3000);
    canvas.clear();
    EXPECT_EQ(countNotBlack(canvas.image()), 0);
}

TEST_F(CanvasTest, RepaintsWhatWasDrawnFromItsImage) {
    canvas.setForeColour(12);
    canvas.drawLine(0, 1500, 8484, 1500);
    canvas.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&canvas));
    // Covered and uncovered: the widget paints itself again from the image.
    canvas.hide();
    canvas.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&canvas));
    const QImage painted = canvas.grab().toImage();
    EXPECT_EQ(painted.pixel(300, 100), rgbOf(12));
    EXPECT_EQ(painted.pixel(300, 101), rgbOf(0));
}

// Counts paint events of a widget.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

TEST_F(CanvasTest, ManyLinesAreRepaintedTogetherInTheNextFrame) {
    canvas.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&canvas));
    QApplication::processEvents();
    PaintCounter counter;
    canvas.installEventFilter(&counter);
    canvas.setForeColour(0);
    for (int x = 1; x <= 6936; ++x) canvas.drawLine(x, 2000, x, 2600);
    EXPECT_EQ(counter.paints, 0);
    QApplication::processEvents();
    EXPECT_GE(counter.paints, 1);
    EXPECT_LE(counter.paints, 2);
}

TEST_F(CanvasTest, ALeftClickIsAClickOnTheWindow) {
    int clicks = 0;
    QObject::connect(&canvas, &Canvas::clicked, [&] { ++clicks; });
    QTest::mouseClick(&canvas, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(clicks, 1);
    QTest::mouseClick(&canvas, Qt::RightButton, {}, QPoint(20, 20));
    EXPECT_EQ(clicks, 1);
}

}  // namespace
}  // namespace purlo
