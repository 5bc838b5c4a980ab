// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of Draw_one_sample for one live 160-byte echo record in the core: the
// port set-up, the marker search and the geometry of 1280 samples, handed to
// a surface that only counts the calls. The Qt canvas adds its own cost on top.
//
//   build/bin/bench_draw --benchmark_repetitions=10 --benchmark_report_aggregates_only=true

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "app/Console.h"
#include "diagram/EchoDrawing.h"
#include "diagram/Slots.h"
#include "support/EchoingPort.h"
#include "support/NullUi.h"

namespace {

using namespace purlo;
using purlo::bench::EchoingPort;
using purlo::testsupport::CountingSurface;
using purlo::testsupport::NullUi;

// 160 sample bytes with an irregular mix of high and low samples, like a real
// burst, ring-down and echo; about half the samples draw a bar.
std::string echoRecord() {
    std::string record = "=";
    std::uint32_t x = 12345;
    for (int i = 0; i < 160; ++i) {
        x = x * 1103515245u + 12345u;
        record += static_cast<char>((x >> 16) & 0xff);
    }
    return record;
}

void BM_DrawOneSample(benchmark::State& state) {
    NullUi ui;
    CountingSurface surface;
    EchoingPort port(echoRecord());
    Console c(ui, surface, port, std::filesystem::temp_directory_path());
    c.Form_Load();
    c.s.sample_length = 160;
    c.s.port_open = true;
    c.s.raster_on = state.range(0) != 0;
    draw_3_diagrams_vertical_position(c);
    surface.lines = 0;
    surface.colourSets = 0;
    for (auto _ : state) {
        Draw_one_sample(c);
        benchmark::DoNotOptimize(surface.lines);
    }
    if (ui.listCount() != 1) state.SkipWithError("the record was not drawn");
    const auto n = static_cast<double>(state.iterations());
    state.counters["lines/record"] = static_cast<double>(surface.lines) / n;
    state.counters["colours/record"] = static_cast<double>(surface.colourSets) / n;
}
BENCHMARK(BM_DrawOneSample)->ArgName("raster")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
