// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/Canvas.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "surface/Palette.h"
#include "text/RuntimeError.h"
#include "window/ClipToBox.h"
#include "window/Rounding.h"

namespace purlo {

namespace {

// Lines waiting at most; a full batch is drawn (about 25 echo records).
constexpr std::size_t kMaxPending = 1 << 16;

constexpr std::array<QRgb, kPalette.size()> kPaletteRgb = [] {
    std::array<QRgb, kPalette.size()> rgb{};
    for (std::size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = qRgb(kPalette[i].r, kPalette[i].g, kPalette[i].b);
    return rgb;
}();

// The widget pixels of an image rectangle, rounded outwards.
QRect widgetRect(const QRect& imageRect, qreal ratio) {
    const QRectF r(imageRect);
    return QRectF(r.topLeft() / ratio, r.size() / ratio).toAlignedRect();
}

// The image at another size, for a picture that is already drawn: each new
// pixel shows a drawn (not black) pixel of the old ones it covers when there
// is one. Growing, lines get thicker; shrinking, none is lost between the
// rows or columns kept.
QImage resizedKeepingLines(const QImage& from, const QSize& size) {
    QImage to(size, from.format());
    const int fw = from.width();
    const int fh = from.height();
    // The old rows or columns that new one `i` of `n` covers: [first, end).
    const auto span = [](int i, int n, int old) {
        const int first = std::min(static_cast<int>(static_cast<long long>(i) * old / n), old - 1);
        const int end = static_cast<int>(static_cast<long long>(i + 1) * old / n);
        return std::pair{first, std::max(end, first + 1)};
    };
    const QRgb black = qRgb(0, 0, 0);
    for (int y = 0; y < size.height(); ++y) {
        const auto [top, bottom] = span(y, size.height(), fh);
        auto* line = reinterpret_cast<QRgb*>(to.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const auto [left, right] = span(x, size.width(), fw);
            QRgb pixel = black;
            for (int fy = top; fy < bottom && pixel == black; ++fy) {
                const auto* old = reinterpret_cast<const QRgb*>(from.constScanLine(fy));
                for (int fx = left; fx < right; ++fx) {
                    if ((old[fx] & RGB_MASK) != (black & RGB_MASK)) {
                        pixel = old[fx];
                        break;
                    }
                }
            }
            line[x] = pixel;
        }
    }
    return to;
}

}  // namespace

Canvas::Canvas(TwipsScale scale, QWidget* parent)
    : QWidget(parent),
      scale_(scale),
      colour_(kPaletteRgb[kTrace]),
      grid_(scale.pixelsPerTwip(), 0, 0),
      pending_(kMaxPending, QSize()) {
    setFixedSize(scale.clientSize());
    adoptDevicePixelRatio(devicePixelRatioF());
    // Every paint covers its whole rectangle from the image.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

void Canvas::adoptDevicePixelRatio(qreal ratio) {
    if (!(ratio > 0)) ratio = 1;
    if (!image_.isNull() && image_.devicePixelRatio() == ratio) return;
    fitImage(ratio);
}

void Canvas::setScale(TwipsScale scale) {
    scale_ = scale;
    setFixedSize(scale.clientSize());
    fitImage(image_.devicePixelRatio());
}

void Canvas::fitImage(qreal ratio) {
    // The waiting lines belong to the image as it is.
    flush();
    // Enough device pixels to cover the widget, also at a fractional ratio.
    const QSize size(static_cast<int>(std::ceil(width() * ratio - 1e-6)),
                     static_cast<int>(std::ceil(height() * ratio - 1e-6)));
    QImage image;
    if (image_.isNull()) {
        image = QImage(size, QImage::Format_RGB32);
        image.fill(Qt::black);
    } else {
        image = resizedKeepingLines(image_, size);
    }
    image.setDevicePixelRatio(ratio);
    image_ = std::move(image);
    width_ = image_.width();
    height_ = image_.height();
    pixelsPerTwip_ = scale_.pixelsPerTwip() * ratio;
    // A twip beyond the last x that still rounds into the image.
    rightOfImage_ = static_cast<float>((width_ - 0.5) / pixelsPerTwip_ + 1.0);
    grid_ = PixelGrid(pixelsPerTwip_, width_, height_);
    pending_.resizeFor(image_.size());
    dirtyTop_ = std::numeric_limits<int>::max();
    dirtyBottom_ = -1;
    update();
}

[[gnu::always_inline]] inline QRgb Canvas::paletteColour(int paletteIndex) {
    if (static_cast<unsigned>(paletteIndex) >= kPaletteRgb.size()) {
        throw RuntimeError("palette index out of range");
    }
    return kPaletteRgb[static_cast<std::size_t>(paletteIndex)];
}

void Canvas::setForeColour(int paletteIndex) {
    colour_ = paletteColour(paletteIndex);
}

float Canvas::widthTwips() const {
    return static_cast<float>(kClientWidthTwips);
}

void Canvas::clear() {
    pending_.clear();  // all painted over
    traces_.clear();
    traceAt_.clear();
    image_.fill(Qt::black);
    dirtyTop_ = 0;
    dirtyBottom_ = height_ - 1;
    update();
}

void Canvas::drawLine(float x1, float y1, float x2, float y2) {
    addLine(x1, y1, x2, y2);
}

[[gnu::always_inline]] inline void Canvas::addLine(float x1, float y1, float x2, float y2) {
    const int row1 = grid_.row(y1);
    const int row2 = y2 == y1 ? row1 : grid_.row(y2);
    // Wholly right of the image (the end of a long echo record): no pixel
    // of it can show, whichever way it runs.
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    if (x1 > rightOfImage_ && x2 > rightOfImage_ && x1 < kInfinity && x2 < kInfinity) return;
    // Two ends held at the same edge lie outside the image, so comparing the
    // held values picks the same pixels as comparing the free ones would.
    const int col1 = grid_.column(x1);
    const int col2 = x2 == x1 ? col1 : grid_.column(x2);
    if (row1 == row2) {
        addRow(col1, col2, row1);
    } else if (col1 == col2) {
        addColumn(col1, row1, row2);
    } else {
        // Drawn at once, in its turn after the lines before it.
        flush();
        drawSloped(x1 * pixelsPerTwip_, y1 * pixelsPerTwip_, x2 * pixelsPerTwip_,
                   y2 * pixelsPerTwip_);
    }
}

[[gnu::always_inline]] inline bool Canvas::clipRow(int& x1, int& x2, int y) const {
    if (y < 0 || y >= height_) return false;
    if (x1 > x2) std::swap(x1, x2);
    x1 = std::max(x1, 0);
    x2 = std::min(x2, width_ - 1);
    return x1 <= x2;
}

[[gnu::always_inline]] inline bool Canvas::clipColumn(int x, int& y1, int& y2) const {
    if (x < 0 || x >= width_) return false;
    if (y1 > y2) std::swap(y1, y2);
    y1 = std::max(y1, 0);
    y2 = std::min(y2, height_ - 1);
    return y1 <= y2;
}

[[gnu::always_inline]] inline void Canvas::addRow(int x1, int x2, int y) {
    if (!clipRow(x1, x2, y)) return;
    markRows(y, y);
    if (!pending_.addRow(colour_, y, x1, x2)) flush();
}

[[gnu::always_inline]] inline void Canvas::addColumn(int x, int y1, int y2) {
    if (!clipColumn(x, y1, y2)) return;
    markRows(y1, y2);
    if (!pending_.addColumn(colour_, x, y1, y2)) flush();
}

void Canvas::drawSampleTrace(const SampleTrace& t) {
    colour_ = kPaletteRgb[static_cast<std::size_t>(sampleTraceLastColour(t))];
    // Every line of it starts at x or right of it.
    if (static_cast<float>(t.x) > rightOfImage_) return;
    const int top = grid_.row(static_cast<float>(t.raster ? t.tickTop() : t.barTop()));
    const int bottom = grid_.row(static_cast<float>(t.barBottom()));
    if (bottom >= 0 && top < height_) markRows(std::max(top, 0), std::min(bottom, height_ - 1));
    // A trace of the same footprint, still waiting, is hidden by this one:
    // its lines need not be drawn at all.
    const auto number = static_cast<std::uint32_t>(traces_.size());
    const auto [at, added] = traceAt_.try_emplace(sampleTraceFootprint(t), number);
    if (!added) {
        traces_[at->second].hidden = true;
        at->second = number;
    }
    traces_.push_back({t, false});
    if (!pending_.addGroup(static_cast<int>(number))) flush();
}

void Canvas::drawTrace(const WaitingTrace& waiting, LineBatch::Pass& pass) {
    if (waiting.hidden) return;
    std::array<SurfaceLine, kSampleTraceMaxLines> lines;
    const std::size_t n = sampleTraceLines(waiting.trace, lines);
    // Last first, as the pass goes.
    for (std::size_t i = n; i-- > 0;) {
        const SurfaceLine& l = lines[i];
        if (l.x1 > rightOfImage_ && l.x2 > rightOfImage_) continue;
        const QRgb colour = kPaletteRgb[static_cast<std::size_t>(l.colour)];
        // Every line of a trace runs along a row or a column.
        const int row1 = grid_.row(l.y1);
        const int col1 = grid_.column(l.x1);
        if (l.y1 == l.y2) {
            int x1 = col1;
            int x2 = grid_.column(l.x2);
            if (clipRow(x1, x2, row1)) pass.row(colour, row1, x1, x2);
        } else {
            int y1 = row1;
            int y2 = grid_.row(l.y2);
            if (clipColumn(col1, y1, y2)) pass.column(colour, col1, y1, y2);
        }
    }
}

void Canvas::flush() {
    pending_.drawInto(image_, [this](int number, LineBatch::Pass& pass) {
        drawTrace(traces_[static_cast<std::size_t>(number)], pass);
    });
    traces_.clear();
    traceAt_.clear();
}

const QImage& Canvas::image() {
    flush();
    return image_;
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
    const QRect r = QRect(from, to).normalized().intersected(image_.rect());
    if (!r.isEmpty()) markRows(r.top(), r.bottom());
}

[[gnu::always_inline]] inline void Canvas::markRows(int top, int bottom) {
    // The frame that shows the pixels is asked for at once; its paint draws
    // the pending lines first. Whole rows are marked: a trace running along
    // a slot then asks for its frame once, not at every new column.
    if (top >= dirtyTop_ && bottom <= dirtyBottom_) return;
    dirtyTop_ = std::min(top, dirtyTop_);
    dirtyBottom_ = std::max(bottom, dirtyBottom_);
    update(widgetRect(QRect(0, dirtyTop_, width_, dirtyBottom_ - dirtyTop_ + 1),
                      image_.devicePixelRatio()));
}

void Canvas::paintEvent(QPaintEvent* event) {
    adoptDevicePixelRatio(devicePixelRatioF());
    flush();
    const qreal ratio = image_.devicePixelRatio();
    const QRectF target(event->rect());
    // The same area in image pixels: copied one to one, never resampled.
    const QRectF source(target.topLeft() * ratio, target.size() * ratio);
    QPainter painter(this);
    painter.drawImage(target, image_, source);
    // What was marked is on the screen now.
    dirtyTop_ = std::numeric_limits<int>::max();
    dirtyBottom_ = -1;
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
