// SPDX-License-Identifier: GPL-3.0-or-later
// An echo record drawn by the console core onto the real canvas: the bars,
// the baseline and the raster ticks land on the pixels their twips give.
#include <gtest/gtest.h>

#include <QApplication>
#include <cmath>

#include "app/Console.h"
#include "diagram/EchoDrawing.h"
#include "diagram/Slots.h"
#include "fakes/FakeSerialPort.h"
#include "fakes/Harness.h"
#include "surface/Palette.h"
#include "window/Canvas.h"
#include "window/MainWindow.h"

namespace purlo {
namespace {

QRgb rgbOf(int paletteIndex) {
    const Rgb c = kPalette.at(static_cast<std::size_t>(paletteIndex));
    return qRgb(c.r, c.g, c.b);
}

struct EchoOnCanvas : ::testing::Test {
    EchoOnCanvas() : console(window, window.canvas(), port, dir.path()) {
        console.Form_Load();
        port.setPortOpen(true);
        console.s.port_open = true;
        console.s.sample_length = 2;
        console.s.zoom_horizontal = 30;  // two pixels a sample at 96 dpi
        console.s.raster_on = true;
        // The probe answers "=" with a record: 0x88 (samples 0 and 4 high), then 0x00.
        port.onOutput = [this](std::string_view d) {
            if (d == "=") port.feed(std::string("=\x88\x00", 3));
        };
        draw_3_diagrams_vertical_position(console);
        Draw_one_sample(console);
    }

    // The pixel at a point given in twips.
    QRgb at(double xTwips, double yTwips) {
        const QImage& image = window.canvas().image();
        const double perTwip = image.width() / static_cast<double>(kClientWidthTwips);
        return image.pixel(static_cast<int>(std::lround(xTwips * perTwip)),
                           static_cast<int>(std::lround(yTwips * perTwip)));
    }

    test::TempDir dir;
    MainWindow window;
    test::FakeSerialPort port;
    Console console;
};

TEST_F(EchoOnCanvas, BarsBaselineAndRasterTickLandOnTheirPixels) {
    const double base = 708;  // the top slot's baseline
    // Sample 0 is high: a light green bar 150 twips above and below the baseline.
    EXPECT_EQ(at(0, base + 120), rgbOf(kTrace));
    EXPECT_EQ(at(0, base - 120), rgbOf(kTrace));
    // Sample 1 is low: nothing above or below the baseline in its column.
    EXPECT_EQ(at(30, base - 120), qRgb(0, 0, 0));
    EXPECT_EQ(at(30, base + 120), qRgb(0, 0, 0));
    // Sample 4 is high again.
    EXPECT_EQ(at(120, base - 120), rgbOf(kTrace));
    // The baseline segment of a low sample is light green, not the slot's grey.
    EXPECT_EQ(at(60, base), rgbOf(kTrace));
    // Each byte starts with a light magenta tick 200 to 300 twips above the baseline.
    EXPECT_EQ(at(0, base - 250), rgbOf(kRasterTick));
    EXPECT_EQ(at(240, base - 250), rgbOf(kRasterTick));
    EXPECT_EQ(at(120, base - 250), qRgb(0, 0, 0));
    // Beyond the two bytes the slot's dark grey baseline is untouched.
    EXPECT_EQ(at(3000, base), rgbOf(kBaseline));
    // The port is ready for the receive loop's one-character reads again.
    EXPECT_EQ(port.mode, InputMode::Text);
    EXPECT_EQ(port.inputLen, 1);
}

}  // namespace
}  // namespace purlo
