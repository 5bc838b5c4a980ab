// SPDX-License-Identifier: GPL-3.0-or-later
// Events a second into the monitor's model, through the observer port as the
// console calls it: echo records and replies during a playback (the fastest
// feed: some 100 000 records a second), and live fill heights with the CSV
// log written. "allocs/event" counts heap allocations inside the timed loop:
// a model past its warm-up must make none.
//
//   build/bin/bench_monitor --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "monitor/MonitorModel.h"

namespace {

std::atomic<std::uint64_t> gAllocations{0};

}  // namespace

// GCC takes the free() below for one of memory from its own operator new.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

using namespace purlo;

struct FixedWallClock final : WallClock {
    LocalTime now() const override { return {1796658312, 3600}; }
};

// 160 sample bytes of an irregular pattern, like a real burst and echo.
std::vector<std::uint8_t> echoRecord() {
    std::vector<std::uint8_t> record;
    std::uint32_t x = 12345;
    for (int i = 0; i < 160; ++i) {
        x = x * 1103515245u + 12345u;
        record.push_back(static_cast<std::uint8_t>(x >> 16));
    }
    return record;
}

// The model filled past its capacity first, so the loop sees the steady state.
struct Fed {
    SystemSteadyClock steady;
    FixedWallClock wall;
    MonitorModel model;
    explicit Fed(std::filesystem::path folder, bool log = false)
        : model(steady, wall, {std::move(folder), log, kTrendDayCapacity, kEchoHistoryRows}) {}
};

void reportAllocations(benchmark::State& state, std::uint64_t before) {
    state.counters["allocs/event"] =
        static_cast<double>(gAllocations.load() - before) / static_cast<double>(state.iterations());
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void BM_PlaybackEchoRecord(benchmark::State& state) {
    Fed fed(std::filesystem::temp_directory_path());
    Observer& o = fed.model;
    const auto record = echoRecord();
    o.playbackStarted(1u << 30, 38400);
    std::uint64_t pos = 0;
    for (std::size_t i = 0; i < 2 * kEchoHistoryRows; ++i) o.echoRecord(record);
    const std::uint64_t before = gAllocations.load();
    for (auto _ : state) {
        pos += 163;
        o.playbackPosition(pos);
        o.echoRecord(record);
    }
    reportAllocations(state, before);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * record.size()));
}

void BM_PlaybackFillHeight(benchmark::State& state) {
    Fed fed(std::filesystem::temp_directory_path());
    Observer& o = fed.model;
    o.playbackStarted(1u << 30, 38400);
    std::uint64_t pos = 0;
    float level = 500.0f;
    // Past the capacity: the blocks are all made and recycled from now on.
    for (std::size_t i = 0; i < kTrendDayCapacity + 8192; ++i) {
        o.replyDecoded({ProbeValue::FillHeight, level, "mm"});
    }
    const std::uint64_t before = gAllocations.load();
    for (auto _ : state) {
        pos += 8;
        o.playbackPosition(pos);
        level = level > 1500.0f ? 500.0f : level + 0.5f;
        o.replyDecoded({ProbeValue::FillHeight, level, "mm"});
    }
    reportAllocations(state, before);
}

void BM_LiveFillHeightLogged(benchmark::State& state) {
    const auto folder = std::filesystem::temp_directory_path() / "purlo-bench-monitor";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    {
        Fed fed(folder, true);
        Observer& o = fed.model;
        o.linkOpened("Comm1", "/dev/null");
        o.replyDecoded({ProbeValue::Temperature, 21.5, "°C"});
        const std::uint64_t before = gAllocations.load();
        for (auto _ : state) o.replyDecoded({ProbeValue::FillHeight, 512.5, "mm"});
        reportAllocations(state, before);
        if (!fed.model.logging()) state.SkipWithError("the log stopped");
    }
    std::filesystem::remove_all(folder);
}

}  // namespace

BENCHMARK(BM_PlaybackEchoRecord);
BENCHMARK(BM_PlaybackFillHeight);
// A fixed count: every iteration appends a line to a file.
BENCHMARK(BM_LiveFillHeightLogged)->Iterations(20000);
BENCHMARK_MAIN();
