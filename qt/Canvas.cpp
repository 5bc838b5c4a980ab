#include "Canvas.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <utility>

#include "surface/Palette.h"
#include "text/RuntimeError.h"

namespace purlo {

namespace {

QRgb paletteRgb(int index) {
    const Rgb c = kPalette.at(static_cast<std::size_t>(index));
    return qRgb(c.r, c.g, c.b);
}

// Cuts the segment to the box (Liang-Barsky); false when nothing of it lies inside.
bool clipToBox(double& x1, double& y1, double& x2, double& y2, double xMax, double yMax) {
    const double dx = x2 - x1;
    const double dy = y2 - y1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1 + 1, xMax - x1, y1 + 1, yMax - y1};
    double t0 = 0;
    double t1 = 1;
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double r = q[i] / p[i];
        if (p[i] < 0) {
            if (r > t1) return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0) return false;
            t1 = std::min(t1, r);
        }
    }
    const double ox = x1;
    const double oy = y1;
    x1 = ox + t0 * dx;
    y1 = oy + t0 * dy;
    x2 = ox + t1 * dx;
    y2 = oy + t1 * dy;
    return true;
}

}  // namespace

Canvas::Canvas(TwipsScale scale, QWidget* parent)
    : QWidget(parent),
      scale_(scale),
      image_(scale.clientSize(), QImage::Format_RGB32),
      colour_(paletteRgb(kTrace)) {
    image_.fill(Qt::black);
    setFixedSize(image_.size());
    // Every paint covers its whole rectangle from the image.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

void Canvas::setForeColour(int paletteIndex) {
    if (paletteIndex < 0 || paletteIndex >= static_cast<int>(kPalette.size())) {
        throw RuntimeError("palette index out of range");
    }
    colour_ = paletteRgb(paletteIndex);
}

float Canvas::widthTwips() const {
    return static_cast<float>(kClientWidthTwips);
}

void Canvas::clear() {
    image_.fill(Qt::black);
    dirty_ = image_.rect();
    update();
}

void Canvas::drawLine(float x1, float y1, float x2, float y2) {
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) {
        throw RuntimeError("line coordinate out of range");
    }
    const double f = scale_.pixelsPerTwip();
    const double px1 = x1 * f;
    const double py1 = y1 * f;
    const double px2 = x2 * f;
    const double py2 = y2 * f;
    // Rounded, but first held just outside the image so the int always fits.
    const auto col = [&](double v) {
        return static_cast<int>(std::round(std::clamp(v, -1.0, double(image_.width()))));
    };
    const auto row = [&](double v) {
        return static_cast<int>(std::round(std::clamp(v, -1.0, double(image_.height()))));
    };
    if (std::round(py1) == std::round(py2)) {
        drawHorizontal(col(px1), col(px2), row(py1));
    } else if (std::round(px1) == std::round(px2)) {
        drawVertical(col(px1), row(py1), row(py2));
    } else {
        drawSloped(px1, py1, px2, py2);
    }
}

void Canvas::drawHorizontal(int x1, int x2, int y) {
    if (y < 0 || y >= image_.height()) return;
    if (x1 > x2) std::swap(x1, x2);
    x1 = std::max(x1, 0);
    x2 = std::min(x2, image_.width() - 1);
    if (x1 > x2) return;
    auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
    std::fill(line + x1, line + x2 + 1, colour_);
    markDirty(QRect(QPoint(x1, y), QPoint(x2, y)));
}

void Canvas::drawVertical(int x, int y1, int y2) {
    if (x < 0 || x >= image_.width()) return;
    if (y1 > y2) std::swap(y1, y2);
    y1 = std::max(y1, 0);
    y2 = std::min(y2, image_.height() - 1);
    if (y1 > y2) return;
    uchar* bits = image_.bits();
    const qsizetype stride = image_.bytesPerLine();
    for (int y = y1; y <= y2; ++y) {
        reinterpret_cast<QRgb*>(bits + y * stride)[x] = colour_;
    }
    markDirty(QRect(QPoint(x, y1), QPoint(x, y2)));
}

void Canvas::drawSloped(double x1, double y1, double x2, double y2) {
    // Clipped here, in floating point, so that far-away end points neither
    // overflow an int nor bend the visible part of the line.
    if (!clipToBox(x1, y1, x2, y2, image_.width(), image_.height())) return;
    const QPoint from(static_cast<int>(std::round(x1)), static_cast<int>(std::round(y1)));
    const QPoint to(static_cast<int>(std::round(x2)), static_cast<int>(std::round(y2)));
    QPainter painter(&image_);
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen{QColor(colour_)};
    pen.setWidth(1);
    pen.setCapStyle(Qt::SquareCap);  // a 1-pixel square cap draws both end points
    painter.setPen(pen);
    painter.drawLine(from, to);
    markDirty(QRect(from, to).normalized().intersected(image_.rect()));
}

void Canvas::markDirty(const QRect& r) {
    if (r.isEmpty() || dirty_.contains(r)) return;
    dirty_ |= r;
    update(dirty_);
}

void Canvas::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.drawImage(event->rect(), image_, event->rect());
    dirty_ = QRect();
}

void Canvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) pressed_ = true;
    event->accept();
}

void Canvas::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click is not a click of its own.
    pressed_ = false;
    event->accept();
}

void Canvas::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton) pressed_ = false;
    event->accept();
    if (click) emit clicked();
}

}  // namespace purlo
