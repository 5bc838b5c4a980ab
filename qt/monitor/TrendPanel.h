// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QVector>
#include <QWidget>
#include <vector>

#include "monitor/TrendSeries.h"

class QCustomPlot;
class QCPGraph;
class QCPGraphData;
class QLabel;

namespace purlo {

class MonitorModel;

// The trend of fill height (left axis) and temperature (right axis) against
// the model's time. It follows the newest data until the operator zooms or
// pans the time axis (wheel, drag); setFollow(true) returns to it. The
// statistics of the visible span are shown as text beside the plot.
class TrendPanel : public QWidget {
    Q_OBJECT

  public:
    explicit TrendPanel(const MonitorModel& model, QWidget* parent = nullptr);
    ~TrendPanel() override;

    // Takes the model's series into the plot and replots: painted before it
    // returns with `paintNow`, else on the next pass of the event loop. Spans
    // with more points than the plot has pixels get the model's decimated view.
    void refresh(bool paintNow = false);

    bool following() const { return following_; }
    void setFollow(bool on);
    // Seconds the time axis shows while following.
    double followWidth() const { return followWidth_; }

    // The visible span of the time axis.
    double visibleFrom() const;
    double visibleTo() const;

    QCustomPlot& plot() { return *plot_; }
    QCPGraph& fillGraph() { return *fill_; }
    QCPGraph& temperatureGraph() { return *temperature_; }
    QLabel& fillStatistics() { return *fillStats_; }
    QLabel& temperatureStatistics() { return *temperatureStats_; }

  signals:
    // The operator took the time axis (zoom or pan): following stopped.
    void followChanged(bool on);
    // The visible span changed other than by a refresh: redraw next frame.
    void viewChanged();
    // A click (not a drag) in the plot, at this time of the time axis.
    void timeClicked(double time);

  private:
    void takeOver();
    void setSeries(QCPGraph& graph, const TrendSeries& series, double from, double to,
                   std::size_t buckets);

    const MonitorModel& model_;
    QCustomPlot* plot_;
    QCPGraph* fill_;
    QCPGraph* temperature_;
    QLabel* fillStats_;
    QLabel* temperatureStats_;
    QPoint pressedAt_;
    bool following_ = true;
    bool refreshing_ = false;
    double followWidth_ = 600.0;
    std::vector<TrendPoint> points_;  // reused for every refresh
    QVector<QCPGraphData> data_;
};

// "min 1.5, max 9, mean 4.25, standard deviation 1.1 (120 points)".
QString statisticsText(const SpanStatistics& s, const QString& unit);

}  // namespace purlo
