// SPDX-License-Identifier: GPL-3.0-or-later
// The canvas collects lines and draws them later, last first, each pixel
// once, with its own rounding and shortcuts. Whatever it shows must be
// exactly what drawing every line at once, in order, leaves; this checks it
// against a canvas that does just that, on many random lines.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <span>
#include <vector>

#include "surface/Palette.h"
#include "text/RuntimeError.h"
#include "window/Canvas.h"
#include "window/ClipToBox.h"
#include "window/Rounding.h"

namespace purlo {
namespace {

QRgb rgbOf(int paletteIndex) {
    const Rgb c = kPalette.at(static_cast<std::size_t>(paletteIndex));
    return qRgb(c.r, c.g, c.b);
}

// Lines one after the other, each in its colour, as a caller with a run of
// coloured lines draws them.
void drawLines(Surface& surface, std::span<const SurfaceLine> lines) {
    for (const SurfaceLine& l : lines) {
        surface.setForeColour(l.colour);
        surface.drawLine(l.x1, l.y1, l.x2, l.y2);
    }
}

// Every line straight into the image, as it comes.
class ReferenceCanvas {
  public:
    explicit ReferenceCanvas(TwipsScale scale)
        : f_(scale.pixelsPerTwip()), image_(scale.clientSize(), QImage::Format_RGB32) {
        image_.fill(Qt::black);
    }
    void draw(int colour, float x1, float y1, float x2, float y2) {
        const QRgb c = rgbOf(colour);
        const double px1 = x1 * f_, py1 = y1 * f_, px2 = x2 * f_, py2 = y2 * f_;
        const int w = image_.width(), h = image_.height();
        const auto col = [w](double v) {
            return static_cast<int>(std::round(std::clamp(v, -1.0, double(w))));
        };
        const auto row = [h](double v) {
            return static_cast<int>(std::round(std::clamp(v, -1.0, double(h))));
        };
        if (std::round(py1) == std::round(py2)) {
            int a = col(px1), b = col(px2);
            const int y = row(py1);
            if (a > b) std::swap(a, b);
            for (int x = std::max(a, 0); y >= 0 && y < h && x <= std::min(b, w - 1); ++x)
                image_.setPixel(x, y, c);
        } else if (std::round(px1) == std::round(px2)) {
            int a = row(py1), b = row(py2);
            const int x = col(px1);
            if (a > b) std::swap(a, b);
            for (int y = std::max(a, 0); x >= 0 && x < w && y <= std::min(b, h - 1); ++y)
                image_.setPixel(x, y, c);
        } else {
            double sx1 = px1, sy1 = py1, sx2 = px2, sy2 = py2;
            if (!clipToBox(sx1, sy1, sx2, sy2, w, h)) return;
            QPainter painter(&image_);
            QPen pen{QColor(c)};
            pen.setWidth(1);
            pen.setCapStyle(Qt::SquareCap);
            painter.setPen(pen);
            painter.drawLine(
                QPoint(static_cast<int>(std::round(sx1)), static_cast<int>(std::round(sy1))),
                QPoint(static_cast<int>(std::round(sx2)), static_cast<int>(std::round(sy2))));
        }
    }
    const QImage& image() const { return image_; }

  private:
    double f_;
    QImage image_;
};

// Lines like an echo record's (rows and columns on a few rows, x climbing
// in steps of a few twips), with now and then one sloped, one far outside,
// and coordinates that fall on a half pixel.
std::vector<SurfaceLine> randomLines(std::mt19937& rng, int count) {
    std::uniform_int_distribution<int> kind(0, 99), colour(0, 15), step(1, 30);
    std::uniform_real_distribution<float> anywhere(-1500.0f, 10000.0f);
    const float rows[] = {1770, 1920, 2070, 2000, 7.5f, 6112.5f, -7.5f, 6120};
    std::vector<SurfaceLine> lines;
    float x = 0;
    for (int i = 0; i < count; ++i) {
        const int k = kind(rng);
        const int c = colour(rng);
        const float y1 = rows[static_cast<std::size_t>(kind(rng)) % 8];
        const float y2 = rows[static_cast<std::size_t>(kind(rng)) % 8];
        if (k < 45) {
            lines.push_back({c, x, y1, x, y2});
        } else if (k < 90) {
            const float next = x + static_cast<float>(step(rng)) * 2.5f;
            lines.push_back({c, x, y1, next, y1});
            x = next > 9500 ? -30.0f : next;
        } else if (k < 96) {
            lines.push_back({c, anywhere(rng), anywhere(rng), anywhere(rng), anywhere(rng)});
        } else {
            lines.push_back({c, -1e9f, y1, 1e9f, y1});
        }
    }
    return lines;
}

int differingPixels(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
    }
    return n;
}

TEST(CanvasBatches, ShowExactlyWhatDrawingEachLineAtOnceShows) {
    for (const double dpi : {96.0, 120.0, 144.0}) {
        std::mt19937 rng(static_cast<unsigned>(dpi));
        Canvas canvas{TwipsScale(dpi)};
        ReferenceCanvas reference{TwipsScale(dpi)};
        // Enough lines to fill the batch more than once.
        const std::vector<SurfaceLine> lines = randomLines(rng, 200'000);
        std::uniform_int_distribution<std::size_t> batch(1, 40);
        for (std::size_t i = 0; i < lines.size();) {
            const std::size_t n = std::min(batch(rng), lines.size() - i);
            if (n % 3 == 0) {  // one at a time, as the other drawing code does
                for (std::size_t j = i; j < i + n; ++j) {
                    canvas.setForeColour(lines[j].colour);
                    canvas.drawLine(lines[j].x1, lines[j].y1, lines[j].x2, lines[j].y2);
                }
            } else {
                drawLines(canvas, std::span(lines).subspan(i, n));
            }
            for (std::size_t j = i; j < i + n; ++j) {
                const SurfaceLine& l = lines[j];
                reference.draw(l.colour, l.x1, l.y1, l.x2, l.y2);
            }
            i += n;
            if (i % 50'000 < n) {
                EXPECT_EQ(differingPixels(canvas.image(), reference.image()), 0)
                    << dpi << " dpi, after " << i << " lines";
            }
        }
        EXPECT_EQ(differingPixels(canvas.image(), reference.image()), 0) << dpi << " dpi";
    }
}

// Sample traces as echo records draw them, byte after byte along a few
// slots, most of them at places and in shapes seen before (so later ones
// hide earlier ones), some cut short, some with raster ticks, some beyond
// the right edge.
SampleTrace randomTrace(std::mt19937& rng) {
    std::uniform_int_distribution<int> percent(0, 99), byteIndex(0, 150), byte(0, 255),
        samples(0, 7);
    const std::int16_t baselines[] = {1800, 4050, 6100, 6170};
    const std::uint8_t steps[] = {10, 10, 10, 3, 17, 1};
    const std::uint8_t halfHeights[] = {150, 150, 110, 250, 0};
    SampleTrace t;
    t.step = steps[static_cast<std::size_t>(percent(rng)) % 6];
    t.x = static_cast<std::int16_t>(byteIndex(rng) * 8 * t.step + (percent(rng) < 5 ? 1 : 0));
    t.baseline = baselines[static_cast<std::size_t>(percent(rng)) % 4];
    t.halfHeight = halfHeights[static_cast<std::size_t>(percent(rng)) % 5];
    t.raster = percent(rng) < 20;
    t.cutShort = percent(rng) < 5;
    t.samples = static_cast<std::uint8_t>(t.cutShort ? samples(rng) : 8);
    t.byte = static_cast<std::uint8_t>(byte(rng));
    return t;
}

TEST(CanvasBatches, SampleTracesShowExactlyTheirLines) {
    for (const double dpi : {96.0, 120.0, 144.0}) {
        std::mt19937 rng(static_cast<unsigned>(dpi) + 1);
        Canvas canvas{TwipsScale(dpi)};
        ReferenceCanvas reference{TwipsScale(dpi)};
        const std::vector<SurfaceLine> others = randomLines(rng, 5'000);
        std::size_t nextOther = 0;
        std::uniform_int_distribution<int> percent(0, 999);
        for (int i = 0; i < 120'000; ++i) {
            const int p = percent(rng);
            if (p < 900) {
                const SampleTrace t = randomTrace(rng);
                canvas.drawSampleTrace(t);
                std::array<SurfaceLine, kSampleTraceMaxLines> lines;
                const std::size_t n = sampleTraceLines(t, lines);
                for (std::size_t j = 0; j < n; ++j) {
                    const SurfaceLine& l = lines[j];
                    reference.draw(l.colour, l.x1, l.y1, l.x2, l.y2);
                }
            } else if (p < 998) {
                const SurfaceLine& l = others[nextOther++ % others.size()];
                drawLines(canvas, std::span(&l, 1));
                reference.draw(l.colour, l.x1, l.y1, l.x2, l.y2);
            } else {
                // Somebody looks now and then (a paint): what waits is drawn.
                ASSERT_EQ(differingPixels(canvas.image(), reference.image()), 0)
                    << dpi << " dpi, after " << i << " steps";
            }
        }
        EXPECT_EQ(differingPixels(canvas.image(), reference.image()), 0) << dpi << " dpi";
    }
}

TEST(CanvasBatches, AFailingLineEndsTheBatchAfterTheLinesBeforeIt) {
    Canvas canvas{TwipsScale(96)};
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<SurfaceLine> lines = {
        {12, 0, 1500, 1500, 1500}, {12, 1500, nan, 1500, 3000}, {12, 0, 3000, 1500, 3000}};
    EXPECT_THROW(drawLines(canvas, lines), RuntimeError);
    EXPECT_EQ(canvas.image().pixel(50, 100), rgbOf(12));
    EXPECT_EQ(canvas.image().pixel(50, 200), rgbOf(0));
    const std::vector<SurfaceLine> badColour = {{16, 0, 4500, 1500, 4500}};
    EXPECT_THROW(drawLines(canvas, badColour), RuntimeError);
    // Far right of the window, so nothing to draw, yet still at fault.
    const std::vector<SurfaceLine> farRight = {{10, 20000, nan, 20000, 300}};
    EXPECT_THROW(drawLines(canvas, farRight), RuntimeError);
}

TEST(CanvasBatches, LeaveTheLastLinesColourForTheNextLine) {
    Canvas canvas{TwipsScale(96)};
    // Wholly beyond the right edge: nothing to draw, yet the colour is set.
    const std::vector<SurfaceLine> farRight = {{13, 9000, 1500, 9100, 1500},
                                               {4, 9000, 1500, 9000, 3000}};
    drawLines(canvas, farRight);
    canvas.drawLine(0, 1500, 1500, 1500);
    EXPECT_EQ(canvas.image().pixel(50, 100), rgbOf(4));
    const std::vector<SurfaceLine> visible = {{4, 0, 3000, 1500, 3000}, {9, 0, 4500, 1500, 4500}};
    drawLines(canvas, visible);
    canvas.drawLine(0, 6000, 1500, 6000);
    EXPECT_EQ(canvas.image().pixel(50, 400), rgbOf(9));
    // A trace cut short ends with an erase, one beyond the edge too.
    SampleTrace cut;
    cut.x = 20000;
    cut.baseline = 1500;
    cut.halfHeight = 150;
    cut.samples = 3;
    cut.cutShort = true;
    canvas.drawSampleTrace(cut);
    canvas.drawLine(0, 750, 1500, 750);
    EXPECT_EQ(canvas.image().pixel(50, 50), rgbOf(kErase));
    canvas.setForeColour(4);
    cut.x = 0;
    cut.cutShort = false;
    cut.samples = 8;
    canvas.drawSampleTrace(cut);
    canvas.drawLine(0, 2250, 1500, 2250);
    EXPECT_EQ(canvas.image().pixel(50, 150), rgbOf(kTrace));
}

TEST(PixelRounding, IsStdRoundToTheLastBit) {
    std::vector<double> values = {0.0,  -0.0,      0.5,        -0.5,  1.5,  -1.5,      2.5,
                                  -2.5, 1e9 + 0.5, -1e9 - 0.5, 566.5, -1.0, 565.49999, 407.5};
    for (const double v : {0.5, 1.5, 2.5, 1e6 + 0.5}) {
        values.push_back(std::nextafter(v, 0.0));
        values.push_back(std::nextafter(v, 1e9));
        values.push_back(-std::nextafter(v, 0.0));
        values.push_back(-std::nextafter(v, 1e9));
    }
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> any(-1e6, 1e6);
    for (int i = 0; i < 100'000; ++i) values.push_back(any(rng));
    for (const double v : values) EXPECT_EQ(roundToInt(v), std::lround(v)) << std::hexfloat << v;
}

}  // namespace
}  // namespace purlo
