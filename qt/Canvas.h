#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

#include "TwipsScale.h"
#include "surface/Surface.h"

namespace purlo {

// The window's client area behind the controls: a persistent image the echo
// diagrams are drawn into, repainted from that image whenever the window is
// uncovered. Lines are exact (one pixel, no antialiasing, palette colours)
// and clipped to the area. Drawing only marks the changed part; Qt paints it
// with the next frame, so thousands of short lines cost no repaint each.
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
    void clear() override;
    float widthTwips() const override;

    // What is drawn, one pixel per image pixel.
    const QImage& image() const { return image_; }

  signals:
    void clicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    void drawHorizontal(int x1, int x2, int y);
    void drawVertical(int x, int y1, int y2);
    void drawSloped(double x1, double y1, double x2, double y2);
    void markDirty(const QRect& r);

    TwipsScale scale_;
    QImage image_;
    QRgb colour_;
    QRect dirty_;  // marked for the next frame and not yet painted
    bool pressed_ = false;
};

}  // namespace purlo
