// SPDX-License-Identifier: GPL-3.0-or-later
// The monitor's trend redrawn with a day of data: 24 hours of fill heights
// and temperatures at the probe's fastest pace (20 a second, 1 728 000 points
// a series), in a plot 900 pixels wide. One redraw is what a frame of the
// monitor costs when the model changed: the series taken into the plot
// (decimated to the plot's width), the value axes fitted, the statistics of
// the visible span, and the replot. Timed with the day visible whole, and
// following the newest ten minutes.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_trend_redraw [--count N] [--quick]
#include <qcustomplot.h>

#include <QApplication>
#include <QElapsedTimer>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "TrendPanel.h"
#include "monitor/MonitorModel.h"
#include "support/Measure.h"
#include "support/WorkDir.h"

namespace {

using namespace purlo;
using namespace purlo::bench;

struct ManualClock final : SteadyClock {
    double now = 0.0;
    double seconds() const override { return now; }
};

struct FixedWallClock final : WallClock {
    LocalTime now() const override { return {1796658312, 3600}; }
};

double medianRedrawMs(TrendPanel& panel, int count) {
    std::vector<double> ms;
    for (int i = 0; i < count; ++i) {
        QElapsedTimer t;
        t.start();
        panel.refresh();
        panel.plot().replot(QCustomPlot::rpImmediateRefresh);
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    return median(ms);
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = options.countOr(50, 5);
    const double hours = options.quick ? 1.0 : 24.0;
    const auto points = static_cast<std::size_t>(hours * 3600 * 20);

    WorkDir dir("trend-redraw");
    ManualClock steady;
    FixedWallClock wall;
    MonitorModel model(steady, wall, {dir.path(), false, kTrendDayCapacity, 16});
    model.linkOpened("Comm1", "/dev/ttyUSB0");
    for (std::size_t i = 0; i < points; ++i) {
        steady.now = static_cast<double>(i) * 0.05;
        const double t = steady.now;
        model.replyDecoded({ProbeValue::FillHeight,
                            1500 + 300 * std::sin(t / 3600) + static_cast<double>(i % 7), "mm"});
        model.replyDecoded({ProbeValue::Temperature, 20 + 1.5 * std::sin(t / 5000), "°C"});
    }

    TrendPanel panel(model);
    panel.resize(900, 420);
    panel.show();
    QCoreApplication::processEvents();

    panel.setFollow(false);
    panel.plot().xAxis->setRange(0, hours * 3600);
    const double whole = medianRedrawMs(panel, count);
    panel.plot().xAxis->setRange(hours * 3600 - 600, hours * 3600);
    panel.setFollow(true);
    const double followed = medianRedrawMs(panel, count);

    std::printf("trend redraw, %.0f h of data (%zu points a series), %d redraws each, median:\n",
                hours, model.fillHeight().size(), count);
    std::printf("  the whole span visible:     %.2f ms\n", whole);
    std::printf("  following the newest 10 min: %.2f ms\n", followed);
    std::printf("  load average %s\n", loadAverage().c_str());
    result("trend_redraw_whole_ms", whole, "ms");
    result("trend_redraw_follow_ms", followed, "ms");
    return 0;
}
