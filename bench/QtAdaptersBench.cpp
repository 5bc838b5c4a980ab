// SPDX-License-Identifier: GPL-3.0-or-later
// Costs of the Qt adapters in the console's hot paths: drawing an echo record
// and clearing a band on the canvas, and the yields of the receive loop.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QStyleFactory>
#include <cstdlib>

#include "window/MainWindow.h"

namespace {

// The window the benchmarks draw into; it lives in main(), inside the
// application's lifetime (a static one would outlive QApplication).
purlo::MainWindow* theWindow = nullptr;

purlo::MainWindow& window() {
    return *theWindow;
}

// One band clear: 6936 vertical lines 600 twips high, then the frame that shows them.
void BM_CanvasBandClear(benchmark::State& state) {
    purlo::Canvas& canvas = window().canvas();
    for (auto _ : state) {
        canvas.setForeColour(0);
        for (int x = 1; x <= 6936; ++x) canvas.drawLine(x, 2400, x, 1800);
        QApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * 6936);
}
BENCHMARK(BM_CanvasBandClear)->Unit(benchmark::kMillisecond);

// One echo record: about 4000 short vertical and horizontal steps.
void BM_CanvasEchoRecord(benchmark::State& state) {
    purlo::Canvas& canvas = window().canvas();
    for (auto _ : state) {
        canvas.setForeColour(10);
        float y = 2000;
        for (int i = 0; i < 2000; ++i) {
            const float x = static_cast<float>(i) * 3.4f;
            const float next = (i % 7 < 3) ? 2000 : 1850;
            canvas.drawLine(x, y, x, next);
            canvas.drawLine(x, next, x + 3.4f, next);
            y = next;
        }
        QApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * 4000);
}
BENCHMARK(BM_CanvasEchoRecord)->Unit(benchmark::kMillisecond);

// The receive loop's yield when a byte was read: compare CPU with wall time.
void BM_YieldBusy(benchmark::State& state) {
    purlo::MainWindow& w = window();
    for (auto _ : state) w.yield(purlo::Wait::No);
}
BENCHMARK(BM_YieldBusy);

// The receive loop's yield on a silent line: CPU time per wall time is the
// share of a core an idle acquisition costs.
void BM_YieldIdle(benchmark::State& state) {
    purlo::MainWindow& w = window();
    for (auto _ : state) w.yield(purlo::Wait::UntilEvent);
}
BENCHMARK(BM_YieldIdle)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

int main(int argc, char* argv[]) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    purlo::MainWindow w;
    w.show();
    QApplication::processEvents();
    theWindow = &w;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    theWindow = nullptr;
    benchmark::Shutdown();
    return 0;
}
