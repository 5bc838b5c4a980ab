// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QWidget>
#include <limits>
#include <span>
#include <unordered_map>
#include <vector>

#include "surface/Surface.h"
#include "window/LineBatch.h"
#include "window/PixelGrid.h"
#include "window/TwipsScale.h"

namespace purlo {

// The window's client area behind the controls: a persistent image the echo
// diagrams are drawn into, repainted from that image whenever the window is
// uncovered. Lines are exact (one pixel, no antialiasing, palette colours)
// and clipped to the area. Drawing only marks the changed part; Qt paints it
// with the next frame, so thousands of short lines cost no repaint each.
//
// On a high-DPI screen the image has one pixel per device pixel (the widget's
// size times its device pixel ratio), so the diagrams stay sharp and their
// lines stay one device pixel wide at any scale.
//
// Lines along a row or a column are collected and drawn into the image in
// one pass (LineBatch) when anything looks at it: a paint, image(), flush(),
// a sloped line, or a full batch. Their rows are marked for the next frame
// as they come. What the image shows is always what drawing each line at
// once would have left.
//
// A click on the canvas is a click on the bare window: it emits clicked().
class Canvas : public QWidget, public Surface {
    Q_OBJECT

  public:
    Canvas(TwipsScale scale, QWidget* parent = nullptr);

    void setForeColour(int paletteIndex) override;
    // Both end points are drawn. Throws RuntimeError on a coordinate that is
    // not a number or infinite.
    void drawLine(float x1, float y1, float x2, float y2) override;
    void drawSampleTrace(const SampleTrace& trace) override;
    void clear() override;
    float widthTwips() const override;

    // What is drawn, one image pixel per device pixel: image().devicePixelRatio()
    // image pixels to a widget pixel. Draws the pending lines first.
    const QImage& image();
    // Draws the pending lines into the image now.
    void flush();

    // Another size for the same twips: the widget and its image take the
    // new size. Lines drawn from now on are one device pixel wide at it;
    // what is already drawn is resized with the image until drawn again.
    void setScale(TwipsScale scale);

  signals:
    void clicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    static QRgb paletteColour(int paletteIndex);
    void addLine(float x1, float y1, float x2, float y2);
    // Clip a row or a column to the image; false when nothing of it is left.
    bool clipRow(int& x1, int& x2, int y) const;
    bool clipColumn(int x, int& y1, int& y2) const;
    void addRow(int x1, int x2, int y);
    void addColumn(int x, int y1, int y2);
    void drawSloped(double x1, double y1, double x2, double y2);
    void markRows(int top, int bottom);
    // A sample trace waiting in the batch; hidden when a later one of the
    // same shape at the same place covers every pixel it would draw.
    struct WaitingTrace {
        SampleTrace trace;
        bool hidden;
    };
    void drawTrace(const WaitingTrace& waiting, LineBatch::Pass& pass);
    // Sizes the image for the given device pixel ratio; what is drawn is kept,
    // scaled, when the window moves to a screen of another ratio.
    void adoptDevicePixelRatio(qreal ratio);
    // Sizes the image for the widget at that ratio, keeping what is drawn.
    void fitImage(qreal ratio);

    TwipsScale scale_;
    QImage image_;
    int width_ = 0;  // of the image, read for every line
    int height_ = 0;
    double pixelsPerTwip_ = 0;  // image pixels
    float rightOfImage_ = 0;    // twips: lines wholly right of it draw nothing
    QRgb colour_;
    PixelGrid grid_;
    LineBatch pending_;
    std::vector<WaitingTrace> traces_;  // the batch's groups by number
    // The newest waiting trace of each footprint.
    std::unordered_map<std::uint64_t, std::uint32_t> traceAt_;
    // The rows marked for the next frame and not yet painted.
    int dirtyTop_ = std::numeric_limits<int>::max();
    int dirtyBottom_ = -1;
    bool pressed_ = false;
};

}  // namespace purlo
