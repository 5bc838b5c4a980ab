// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace purlo {

struct SurfaceLine;

// One sample byte of an echo record, as the trace draws it: eight columns of
// `step` twips from x, the most significant bit leftmost. Each sample erases
// its column from barBottom() to barTop(), draws its part of the baseline to the
// next column and, when its bit is 1, a bar over the column it erased. With
// `raster`, a tick from baseline - 200 up to baseline - 300 comes first.
//
// A trace that would run beyond the 16-bit coordinates ends inside the byte:
// then only `samples` whole samples are drawn, and the erase of the next
// column after them (`cutShort`).
//
// Whatever the byte's value, its lines cover the same pixels (a bar lies on
// the erase of its column), so a later trace of the same shape at the same
// place (the same sampleTraceFootprint) hides an earlier one completely.
struct SampleTrace {
    std::int16_t x = 0;
    std::int16_t baseline = 0;
    std::uint8_t halfHeight = 0;  // of a bar: zoom_vertical
    std::uint8_t step = 1;
    std::uint8_t samples = 8;  // 0 to 8
    bool cutShort = false;
    bool raster = false;
    std::uint8_t byte = 0;

    int barTop() const { return baseline - halfHeight; }
    int barBottom() const { return baseline + halfHeight; }
    int tickTop() const { return baseline - 300; }
    int tickBottom() const { return baseline - 200; }
};

// A raster tick, then an erase, a baseline segment and a bar for each sample.
inline constexpr std::size_t kSampleTraceMaxLines = 1 + 8 * 3;

// The lines of the trace, in the order they are drawn; returns how many.
std::size_t sampleTraceLines(const SampleTrace& trace,
                             std::array<SurfaceLine, kSampleTraceMaxLines>& lines);

// Everything of the trace but its byte, as one key: traces with the same
// footprint draw their lines over the same pixels, so the later one hides
// the earlier. Traces of different shapes have different footprints.
constexpr std::uint64_t sampleTraceFootprint(const SampleTrace& t) {
    return std::uint64_t{static_cast<std::uint16_t>(t.x)} |
           std::uint64_t{static_cast<std::uint16_t>(t.baseline)} << 16 |
           std::uint64_t{t.halfHeight} << 32 | std::uint64_t{t.step} << 40 |
           std::uint64_t{t.samples} << 48 | std::uint64_t{t.cutShort} << 56 |
           std::uint64_t{t.raster} << 57;
}

// The palette colour of the last of those lines.
int sampleTraceLastColour(const SampleTrace& trace);

}  // namespace purlo
