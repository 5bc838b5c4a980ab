// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrendPanel.h"

#include <qcustomplot.h>

#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

#include "SteadyLabel.h"
#include "monitor/MonitorModel.h"

namespace purlo {

namespace {

QString number(double v) {
    return QString::number(v, 'g', 6);
}

// The span a following view shows: the newest `width` seconds, or all there
// is while there is less.
QCPRange followedSpan(const TrendSeries& a, const TrendSeries& b, double width) {
    double first = TrendSeries::kAll;
    double newest = -TrendSeries::kAll;
    for (const TrendSeries* s : {&a, &b}) {
        if (s->empty()) continue;
        first = std::min(first, static_cast<double>(s->at(0).time));
        newest = std::max(newest, s->newest()->time);
    }
    if (first > newest) return {0.0, width};
    const double from = std::max(first, newest - width);
    // A single moment still gets a span to show it in.
    return {std::min(from, newest - 1.0), newest};
}

}  // namespace

QString statisticsText(const SpanStatistics& s, const QString& unit) {
    if (s.count == 0) return QStringLiteral("no values in the visible span");
    const QString u = unit.isEmpty() ? QString() : QStringLiteral(" ") + unit;
    return QStringLiteral("min %1%5, max %2%5, mean %3%5, standard deviation %4%5 (%6 values)")
        .arg(number(s.min), number(s.max), number(s.mean), number(s.standardDeviation), u)
        .arg(s.count);
}

TrendPanel::TrendPanel(const MonitorModel& model, QWidget* parent)
    : QWidget(parent),
      model_(model),
      plot_(new QCustomPlot(this)),
      fillStats_(new QLabel(this)),
      temperatureStats_(new QLabel(this)) {
    plot_->setObjectName(QStringLiteral("TrendPlot"));
    plot_->setAccessibleName(QStringLiteral("Trend of fill height and temperature"));
    plot_->setMinimumSize(400, 180);
    // Replots run only when the monitor asks, once a frame at most.
    plot_->setNotAntialiasedElements(QCP::aeAll);
    plot_->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    // Time is what the operator zooms and pans; the value axes fit the data.
    plot_->axisRect()->setRangeDrag(Qt::Horizontal);
    plot_->axisRect()->setRangeZoom(Qt::Horizontal);
    plot_->yAxis2->setVisible(true);

    fill_ = plot_->addGraph(plot_->xAxis, plot_->yAxis);
    fill_->setName(QStringLiteral("fill height"));
    fill_->setPen(QPen(QColor(0, 90, 200)));
    temperature_ = plot_->addGraph(plot_->xAxis, plot_->yAxis2);
    temperature_->setName(QStringLiteral("temperature"));
    temperature_->setPen(QPen(QColor(200, 60, 0)));
    plot_->yAxis->setLabelColor(QColor(0, 90, 200));
    plot_->yAxis2->setLabelColor(QColor(200, 60, 0));

    fillStats_->setObjectName(QStringLiteral("FillStatistics"));
    temperatureStats_->setObjectName(QStringLiteral("TemperatureStatistics"));
    for (QLabel* l : {fillStats_, temperatureStats_}) {
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        l->setWordWrap(true);
    }

    // A click in the plot (pressed and released in place, not a pan) tells
    // its time: a playback goes on from there.
    connect(plot_, &QCustomPlot::mousePress, this,
            [this](QMouseEvent* e) { pressedAt_ = e->pos(); });
    connect(plot_, &QCustomPlot::mouseRelease, this, [this](QMouseEvent* e) {
        if ((e->pos() - pressedAt_).manhattanLength() > 3 || e->button() != Qt::LeftButton) return;
        if (!plot_->axisRect()->rect().contains(e->pos())) return;
        emit timeClicked(plot_->xAxis->pixelToCoord(e->pos().x()));
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(plot_, 1);
    layout->addWidget(new SteadyLabel(fillStats_, 2, this));
    layout->addWidget(new SteadyLabel(temperatureStats_, 2, this));

    // A press on the plot starts a drag, a wheel turn zooms: either takes the
    // time axis away from the newest data.
    connect(plot_, &QCustomPlot::mousePress, this, [this](QMouseEvent* e) {
        if (e->button() == Qt::LeftButton) takeOver();
    });
    connect(plot_, &QCustomPlot::mouseWheel, this, [this] { takeOver(); });
    connect(plot_->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, [this] {
        if (!refreshing_) emit viewChanged();
    });
}

TrendPanel::~TrendPanel() = default;

void TrendPanel::takeOver() {
    if (!following_) return;
    following_ = false;
    emit followChanged(false);
}

void TrendPanel::setFollow(bool on) {
    if (following_ == on) return;
    // Following keeps the width the operator last looked at.
    if (on) followWidth_ = std::max(1.0, plot_->xAxis->range().size());
    following_ = on;
    emit followChanged(on);
    emit viewChanged();
}

double TrendPanel::visibleFrom() const {
    return plot_->xAxis->range().lower;
}

double TrendPanel::visibleTo() const {
    return plot_->xAxis->range().upper;
}

void TrendPanel::setSeries(QCPGraph& graph, const TrendSeries& series, double from, double to,
                           std::size_t buckets) {
    // One point either side of the span, so the lines run to the edges.
    const double pad = (to - from) * 0.01;
    series.decimated(from - pad, to + pad, buckets, points_);
    data_.resize(static_cast<qsizetype>(points_.size()));
    for (std::size_t i = 0; i < points_.size(); ++i) {
        data_[static_cast<qsizetype>(i)] = QCPGraphData(points_[i].time, points_[i].value);
    }
    graph.data()->set(data_, true);
}

void TrendPanel::refresh(bool paintNow) {
    refreshing_ = true;
    const TrendSeries& fill = model_.fillHeight();
    const TrendSeries& temperature = model_.temperature();
    if (following_) plot_->xAxis->setRange(followedSpan(fill, temperature, followWidth_));
    const double from = visibleFrom();
    const double to = visibleTo();
    const auto buckets = static_cast<std::size_t>(std::max(100, plot_->axisRect()->width()));
    setSeries(*fill_, fill, from, to, buckets);
    setSeries(*temperature_, temperature, from, to, buckets);

    const QString unit = QString::fromUtf8(model_.fillUnit().data(),
                                           static_cast<qsizetype>(model_.fillUnit().size()));
    plot_->xAxis->setLabel(QString::fromStdString(model_.timeAxisLabel()));
    plot_->yAxis->setLabel(unit.isEmpty() ? QStringLiteral("fill height")
                                          : QStringLiteral("fill height (%1)").arg(unit));
    plot_->yAxis2->setLabel(QStringLiteral("temperature (°C)"));
    // The value axes fit what is visible, with a little room above and below.
    for (QCPGraph* g : {fill_, temperature_}) {
        bool found = false;
        QCPRange r = g->getValueRange(found, QCP::sdBoth, QCPRange(from, to));
        if (!found) continue;
        const double margin = std::max(r.size() * 0.05, 0.5);
        g->valueAxis()->setRange(r.lower - margin, r.upper + margin);
    }

    const SpanStatistics fs = fill.statistics(from, to);
    const SpanStatistics ts = temperature.statistics(from, to);
    fillStats_->setText(QStringLiteral("Fill height, visible span: ") + statisticsText(fs, unit));
    temperatureStats_->setText(QStringLiteral("Temperature, visible span: ") +
                               statisticsText(ts, QStringLiteral("°C")));
    plot_->replot(paintNow ? QCustomPlot::rpImmediateRefresh : QCustomPlot::rpQueuedReplot);
    refreshing_ = false;
}

}  // namespace purlo
