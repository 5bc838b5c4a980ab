// SPDX-License-Identifier: GPL-3.0-or-later
#include "TuningPictures.h"

#include <qcustomplot.h>

#include <QPainter>
#include <QVBoxLayout>
#include <cmath>

#include "monitor/EchoViews.h"
#include "tuning/Assistant.h"
#include "tuning/ServiceRecord.h"

namespace purlo {

namespace {

// The value a step of its pass sweeps, for the plot's x axis.
double sweptValue(const tuning::StepResult& s) {
    switch (s.plan.knob) {
        case tuning::Knob::Frequency: return tuning::transducerKhzOf(s.actual);
        case tuning::Knob::BurstLength: return s.actual.burstLength;
        case tuning::Knob::Voltage: return s.actual.volts;
        case tuning::Knob::TuningMode: break;
    }
    return 0.0;
}

QString axisLabel(tuning::Knob k) {
    switch (k) {
        case tuning::Knob::Frequency: return QStringLiteral("frequency (kHz)");
        case tuning::Knob::BurstLength: return QStringLiteral("burst length (periods)");
        case tuning::Knob::Voltage: return QStringLiteral("voltage (V)");
        case tuning::Knob::TuningMode: break;
    }
    return {};
}

bool sameSweep(tuning::Pass a, tuning::Pass b) {
    const auto frequency = [](tuning::Pass p) {
        return p == tuning::Pass::Coarse || p == tuning::Pass::Fine;
    };
    return a == b || (frequency(a) && frequency(b));
}

}  // namespace

TuningPlot::TuningPlot(QWidget* parent) : QWidget(parent), plot_(new QCustomPlot(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(plot_);
    plot_->setObjectName(QStringLiteral("TuningPlot"));
    for (const auto& [name, colour] :
         {std::pair{QStringLiteral("echo bounce"), QColor(0, 110, 220)},
          std::pair{QStringLiteral("burst bounce"), QColor(220, 90, 0)}}) {
        QCPGraph* g = plot_->addGraph();
        g->setName(name);
        g->setPen(QPen(colour, 1.5));
        g->setLineStyle(QCPGraph::lsNone);
        g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, colour, 6));
        auto* bars = new QCPErrorBars(plot_->xAxis, plot_->yAxis);
        bars->setDataPlottable(g);
        bars->setPen(QPen(colour));
        bars->removeFromLegend();
    }
    plot_->yAxis->setLabel(QStringLiteral("pulses"));
    plot_->legend->setVisible(true);
    plot_->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignLeft);
}

void TuningPlot::refresh(const tuning::Assistant& a) {
    const auto& steps = a.steps();
    // The sweep shown: the one under way, else the last one measured.
    std::optional<tuning::Pass> pass;
    for (const tuning::StepResult& s : steps) {
        if (s.done && s.plan.pass != tuning::Pass::AsFound) pass = s.plan.pass;
    }
    QVector<double> x;
    QVector<double> echo;
    QVector<double> echoError;
    QVector<double> burst;
    tuning::Knob knob = tuning::Knob::Frequency;
    for (const tuning::StepResult& s : steps) {
        if (!s.done || !pass || !sameSweep(s.plan.pass, *pass)) continue;
        knob = s.plan.knob;
        x << sweptValue(s);
        echo << s.figures.echoMedian;
        echoError << s.figures.echoRange / 2.0;
        burst << s.figures.burstMedian;
    }
    QVector<double> burstError(burst.size(), 0.0);
    for (int i = 0, j = 0; i < static_cast<int>(steps.size()); ++i) {
        const auto& s = steps[static_cast<std::size_t>(i)];
        if (!s.done || !pass || !sameSweep(s.plan.pass, *pass)) continue;
        const auto& b = s.readings.burstBounce;
        if (!b.empty()) {
            const auto [lo, hi] = std::minmax_element(b.begin(), b.end());
            burstError[j] = (*hi - *lo) / 2.0;
        }
        ++j;
    }
    plot_->graph(0)->setData(x, echo);
    plot_->graph(1)->setData(x, burst);
    for (int g = 0; g < 2; ++g) {
        for (int k = 0; k < plot_->plottableCount(); ++k) {
            auto* bars = qobject_cast<QCPErrorBars*>(plot_->plottable(k));
            if (bars && bars->dataPlottable() == plot_->graph(g)) {
                bars->setData(g == 0 ? echoError : burstError);
            }
        }
    }
    plot_->xAxis->setLabel(axisLabel(knob));
    plot_->rescaleAxes();
    plot_->xAxis->scaleRange(1.1);
    plot_->yAxis->setRangeLower(0);
    plot_->yAxis->setRangeUpper(plot_->yAxis->range().upper * 1.15 + 1);
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

QImage stepEchoPicture(const tuning::Assistant& a, double deadZoneMm) {
    std::vector<const tuning::StepResult*> rows;
    std::size_t width = 0;
    for (const tuning::StepResult& s : a.steps()) {
        if (s.done && s.readings.records > 0) {
            rows.push_back(&s);
            width = std::max(width, s.readings.sampleHits.size());
        }
    }
    if (rows.empty() || width == 0) return {};
    QImage image(static_cast<int>(width), static_cast<int>(rows.size()), QImage::Format_RGB32);
    image.fill(EchoHistoryView::kLow);
    for (int y = 0; y < static_cast<int>(rows.size()); ++y) {
        const tuning::StepResult& s = *rows[static_cast<std::size_t>(y)];
        const std::vector<double> rate = s.readings.hitRate();
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (std::size_t i = 0; i < rate.size(); ++i) {
            if (rate[i] >= 0.5) line[i] = EchoHistoryView::kHigh;
        }
        const auto& shape = s.figures.shape;
        if (shape && shape->echoStart && s.figures.distanceMedianMm > 0) {
            line[*shape->echoStart] = qRgb(40, 220, 60);
            // Samples scale with distance from the burst's start, as the echo shows.
            const double dead = deadZoneMm / s.figures.distanceMedianMm * *shape->echoStart;
            const auto d = static_cast<std::size_t>(std::lround(dead));
            if (d < width) line[d] = qRgb(230, 40, 40);
        }
    }
    return image;
}

StepEchoView::StepEchoView(QWidget* parent) : QWidget(parent) {
    setMinimumHeight(60);
}

void StepEchoView::setImage(QImage image) {
    image_ = std::move(image);
    update();
}

void StepEchoView::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    p.fillRect(rect(), QColor(EchoHistoryView::kLow));
    if (!image_.isNull()) p.drawImage(rect(), image_);
}

}  // namespace purlo
