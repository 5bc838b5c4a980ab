// SPDX-License-Identifier: GPL-3.0-or-later
#include "EchoViews.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cstring>

#include "monitor/MonitorModel.h"

namespace purlo {

EchoHistoryView::EchoHistoryView(const MonitorModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    setObjectName(QStringLiteral("EchoHistory"));
    setAccessibleName(QStringLiteral("Echo history, newest record at the top"));
    setMouseTracking(true);
    setMinimumSize(300, 150);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int EchoHistoryView::shownColumns() const {
    return static_cast<int>(std::max<std::size_t>(widest_, kSamplesPerByte));
}

int EchoHistoryView::shownRows() const {
    return std::clamp(height() / kMinRowPixels, std::max(1, static_cast<int>(held_)), kRows);
}

void EchoHistoryView::writeRow(std::size_t k) {
    const EchoRow row = model_.echoes().row(k);
    top_ = (top_ + kRows - 1) % kRows;
    held_ = std::min<std::size_t>(held_ + 1, kRows);
    auto* line = reinterpret_cast<QRgb*>(ring_.scanLine(top_));
    const std::size_t samples = std::min<std::size_t>(row.samples(), ring_.width());
    for (std::size_t s = 0; s < samples; ++s) line[s] = row.high(s) ? kHigh : kLow;
    std::fill(line + samples, line + ring_.width(), kLow);
}

void EchoHistoryView::rebuild() {
    const EchoHistory& h = model_.echoes();
    widest_ = h.widestSamples();
    ring_ = QImage(shownColumns(), kRows, QImage::Format_RGB32);
    ring_.fill(kLow);
    top_ = 0;
    held_ = 0;
    const std::size_t n = std::min<std::size_t>(h.size(), kRows);
    for (std::size_t k = n; k-- > 0;) writeRow(k);
    drawn_ = h.added();
    epoch_ = model_.epoch();
}

void EchoHistoryView::refresh() {
    const EchoHistory& h = model_.echoes();
    if (ring_.isNull() || epoch_ != model_.epoch()) {
        rebuild();
        update();
        return;
    }
    if (h.added() == drawn_) return;
    const std::uint64_t fresh = h.added() - drawn_;
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(fresh, h.size()));
    std::size_t widest = widest_;
    for (std::size_t k = 0; k < n; ++k) widest = std::max(widest, h.row(k).samples());
    if (widest > widest_ || n >= kRows) {
        // A wider record than the picture holds: draw it all again, once.
        rebuild();
    } else {
        for (std::size_t k = n; k-- > 0;) writeRow(k);
        drawn_ = h.added();
    }
    update();
}

QImage EchoHistoryView::image() const {
    if (ring_.isNull() || held_ == 0) return {};
    QImage out(shownColumns(), static_cast<int>(held_), QImage::Format_RGB32);
    for (int i = 0; i < out.height(); ++i) {
        std::memcpy(out.scanLine(i), ring_.constScanLine((top_ + i) % kRows),
                    static_cast<std::size_t>(out.bytesPerLine()));
    }
    return out;
}

void EchoHistoryView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor::fromRgb(kLow));
    if (ring_.isNull() || held_ == 0) return;
    // The ring is drawn in its two pieces, newest at the top.
    const double rowHeight = static_cast<double>(height()) / shownRows();
    const int first = std::min<int>(static_cast<int>(held_), kRows - top_);
    const QRectF columns(0, 0, shownColumns(), 0);
    p.drawImage(QRectF(0, 0, width(), first * rowHeight), ring_,
                QRectF(0, top_, columns.width(), first));
    const int rest = static_cast<int>(held_) - first;
    if (rest > 0) {
        p.drawImage(QRectF(0, first * rowHeight, width(), rest * rowHeight), ring_,
                    QRectF(0, 0, columns.width(), rest));
    }
}

bool EchoHistoryView::recordAt(QPoint pos, std::size_t& row, std::size_t& sample) const {
    if (width() <= 0 || height() <= 0 || pos.x() < 0 || pos.y() < 0) return false;
    const auto shownRow =
        static_cast<std::size_t>(static_cast<double>(pos.y()) * shownRows() / height());
    if (shownRow >= held_) return false;
    // Records that came since the last frame sit above the rows drawn.
    row = shownRow + static_cast<std::size_t>(model_.echoes().added() - drawn_);
    if (row >= model_.echoes().size()) return false;
    sample = static_cast<std::size_t>(static_cast<double>(pos.x()) * shownColumns() / width());
    return true;
}

QString EchoHistoryView::describe(QPoint pos) const {
    std::size_t row = 0;
    std::size_t sample = 0;
    if (!recordAt(pos, row, sample)) return QStringLiteral("No echo record under the pointer");
    const EchoRow r = model_.echoes().row(row);
    const SamplePosition at = EchoHistory::columnPosition(sample);
    return QStringLiteral("Record at %1 s (%2 back): byte %3, bit %4 (sample %5), %6")
        .arg(r.time, 0, 'f', 3)
        .arg(row)
        .arg(at.byte)
        .arg(at.bit)
        .arg(sample)
        .arg(r.high(sample) ? QStringLiteral("high") : QStringLiteral("low"));
}

void EchoHistoryView::mouseMoveEvent(QMouseEvent* event) {
    emit hovered(describe(event->position().toPoint()));
}

void EchoHistoryView::leaveEvent(QEvent*) {
    emit hovered(QStringLiteral("No echo record under the pointer"));
}

ReferenceView::ReferenceView(const MonitorModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    setObjectName(QStringLiteral("ReferenceEcho"));
    setAccessibleName(QStringLiteral("Newest echo record against the reference"));
    setMinimumSize(300, 60);
}

void ReferenceView::refresh() {
    if (model_.echoes().size() > 0) {
        counts_ = model_.compareWithReference(0, matches_);
    } else {
        counts_ = compareEcho(model_.reference(), {}, matches_);
    }
    const int width = std::max(1, static_cast<int>(matches_.size()));
    if (image_.width() != width) image_ = QImage(width, 3, QImage::Format_RGB32);
    image_.fill(kNeither);
    auto* record = reinterpret_cast<QRgb*>(image_.scanLine(0));
    auto* reference = reinterpret_cast<QRgb*>(image_.scanLine(1));
    auto* both = reinterpret_cast<QRgb*>(image_.scanLine(2));
    for (std::size_t s = 0; s < matches_.size(); ++s) {
        switch (matches_[s]) {
            case SampleMatch::Both:
                record[s] = kRecord;
                reference[s] = kReference;
                both[s] = kBoth;
                break;
            case SampleMatch::OnlyNew: record[s] = both[s] = kRecord; break;
            case SampleMatch::OnlyReference: reference[s] = both[s] = kReference; break;
            case SampleMatch::Neither: break;
        }
    }
    update();
}

void ReferenceView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor::fromRgb(kNeither));
    if (image_.isNull()) return;
    // Three bands with a dark gap between them.
    const double band = height() / 3.0;
    for (int i = 0; i < 3; ++i) {
        p.drawImage(QRectF(0, i * band + 1, width(), band - 2), image_,
                    QRectF(0, i, image_.width(), 1));
    }
}

}  // namespace purlo
