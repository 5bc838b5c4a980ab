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

// The widget pixels of an image rectangle, rounded outwards.
QRect widgetRect(const QRect& imageRect, qreal ratio) {
    const QRectF r(imageRect);
    return QRectF(r.topLeft() / ratio, r.size() / ratio).toAlignedRect();
}

}  // namespace

Canvas::Canvas(TwipsScale scale, QWidget* parent)
    : QWidget(parent), scale_(scale), colour_(paletteRgb(kTrace)) {
    setFixedSize(scale.clientSize());
    adoptDevicePixelRatio(devicePixelRatioF());
    // Every paint covers its whole rectangle from the image.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

void Canvas::adoptDevicePixelRatio(qreal ratio) {
    if (!(ratio > 0)) ratio = 1;
    if (!image_.isNull() && image_.devicePixelRatio() == ratio) return;
    // Enough device pixels to cover the widget, also at a fractional ratio.
    const QSize size(static_cast<int>(std::ceil(width() * ratio - 1e-6)),
                     static_cast<int>(std::ceil(height() * ratio - 1e-6)));
    QImage image;
    if (image_.isNull()) {
        image = QImage(size, QImage::Format_RGB32);
        image.fill(Qt::black);
    } else {
        image = image_.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
    image.setDevicePixelRatio(ratio);
    image_ = std::move(image);
    dirty_ = QRect();
    update();
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
    // Twips to widget pixels, then to the image's device pixels.
    const double f = scale_.pixelsPerTwip() * image_.devicePixelRatio();
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
    // Drawn in image pixels through a plain view of the same pixels: a
    // painter on the image itself would scale by its device pixel ratio.
    QImage pixels(image_.bits(), image_.width(), image_.height(), image_.bytesPerLine(),
                  image_.format());
    QPainter painter(&pixels);
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
    update(widgetRect(dirty_, image_.devicePixelRatio()));
}

void Canvas::paintEvent(QPaintEvent* event) {
    adoptDevicePixelRatio(devicePixelRatioF());
    const qreal ratio = image_.devicePixelRatio();
    const QRectF target(event->rect());
    // The same area in image pixels: copied one to one, never resampled.
    const QRectF source(target.topLeft() * ratio, target.size() * ratio);
    QPainter painter(this);
    painter.drawImage(target, image_, source);
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
