// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "monitor/ReferenceEcho.h"

namespace purlo {

class MonitorModel;

// The echo history: every echo record one row of pixels (a high sample
// bright, a low one dark), the newest at the top, the last kRows records.
// The rows live in a ring image: a new record writes its one row and moves
// the ring's top, so a frame costs the new rows only, however many are held.
class EchoHistoryView : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kRows = 2000;
    static constexpr QRgb kHigh = 0xffffe060;
    static constexpr QRgb kLow = 0xff101820;
    static constexpr int kMinRowPixels = 3;

    explicit EchoHistoryView(const MonitorModel& model, QWidget* parent = nullptr);

    // Draws the records that came since the last refresh.
    void refresh();
    // The rows as shown, newest first, as wide as the widest record held.
    QImage image() const;
    // The record row (0 the newest) and sample under a point of the widget;
    // false over no record.
    bool recordAt(QPoint p, std::size_t& row, std::size_t& sample) const;
    // The text of what lies under the pointer, for the label beside the view.
    QString describe(QPoint p) const;

  signals:
    void hovered(const QString& text);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    void writeRow(std::size_t k);
    void rebuild();
    int shownColumns() const;
    // Rows the height is shared among: every record held, each at least
    // kMinRowPixels high while they fit.
    int shownRows() const;

    const MonitorModel& model_;
    QImage ring_;
    int top_ = 0;              // ring row of the newest record
    std::size_t held_ = 0;     // records in the ring
    std::uint64_t drawn_ = 0;  // the history's added() when last drawn
    std::uint64_t epoch_ = 0;  // the model's epoch when last drawn
    std::size_t widest_ = 0;   // samples of the widest record drawn
};

// The newest record beside the reference: the record's high samples in one
// colour, the reference's in another, and those high in both in a third.
// Three bands: the record, the reference, and both laid over each other.
class ReferenceView : public QWidget {
    Q_OBJECT

  public:
    static constexpr QRgb kRecord = 0xff30c030;     // high in the newest record only
    static constexpr QRgb kReference = 0xffd040d0;  // high in the reference only
    static constexpr QRgb kBoth = 0xffffffff;       // high in both
    static constexpr QRgb kNeither = 0xff101820;

    explicit ReferenceView(const MonitorModel& model, QWidget* parent = nullptr);

    void refresh();
    // One pixel a sample: row 0 the record, row 1 the reference, row 2 both.
    const QImage& image() const { return image_; }
    const MatchCounts& counts() const { return counts_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const MonitorModel& model_;
    QImage image_;
    MatchCounts counts_;
    std::vector<SampleMatch> matches_;
};

}  // namespace purlo
