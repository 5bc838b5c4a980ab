// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <set>
#include <tuple>
#include <vector>

#include "surface/SampleTrace.h"
#include "surface/Surface.h"

namespace purlo {
namespace {

using Geometry = std::tuple<float, float, float, float>;

// Where the trace's lines lie, whatever their colours.
std::set<Geometry> linesCovered(const SampleTrace& t) {
    std::array<SurfaceLine, kSampleTraceMaxLines> lines;
    const std::size_t n = sampleTraceLines(t, lines);
    std::set<Geometry> covered;
    for (std::size_t i = 0; i < n; ++i) {
        covered.insert({lines[i].x1, lines[i].y1, lines[i].x2, lines[i].y2});
    }
    return covered;
}

// Shapes at the edges of every field's width, traces cut short among them.
std::vector<SampleTrace> shapes() {
    std::vector<SampleTrace> all;
    for (const std::int16_t x : {-32768, -1, 0, 1, 32767})
        for (const std::int16_t baseline : {-32768, -1, 0, 4050, 32767})
            for (const std::uint8_t halfHeight : {0, 1, 255})
                for (const std::uint8_t step : {1, 10, 255})
                    for (const std::uint8_t samples : {0, 3, 8})
                        for (const bool raster : {false, true}) {
                            SampleTrace t;
                            t.x = x;
                            t.baseline = baseline;
                            t.halfHeight = halfHeight;
                            t.step = step;
                            t.samples = samples;
                            t.cutShort = samples < 8;  // as the echo drawing makes them
                            t.raster = raster;
                            all.push_back(t);
                        }
    return all;
}

// What lets a surface drop a waiting trace unseen: a later one of the same
// footprint draws over every place the earlier one drew, whatever the bytes.
TEST(SampleTraceFootprint, SameFootprintCoversTheSameLinesWhateverTheByte) {
    for (const SampleTrace& shape : shapes()) {
        SampleTrace earlier = shape;
        earlier.byte = 0;
        const std::set<Geometry> covered = linesCovered(earlier);
        // Each bit alone, alternate bits and all of them.
        for (const int byte : {1, 2, 4, 8, 16, 32, 64, 128, 0x55, 0xAA, 0xFF}) {
            SampleTrace later = shape;
            later.byte = static_cast<std::uint8_t>(byte);
            ASSERT_EQ(sampleTraceFootprint(later), sampleTraceFootprint(earlier));
            ASSERT_EQ(linesCovered(later), covered)
                << "byte " << byte << " x " << shape.x << " step " << int{shape.step};
        }
    }
}

TEST(SampleTraceFootprint, DifferentShapesGetDifferentFootprints) {
    const std::vector<SampleTrace> all = shapes();
    std::set<std::uint64_t> footprints;
    for (const SampleTrace& t : all) footprints.insert(sampleTraceFootprint(t));
    EXPECT_EQ(footprints.size(), all.size());
}

}  // namespace
}  // namespace purlo
