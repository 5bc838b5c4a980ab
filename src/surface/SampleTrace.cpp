// SPDX-License-Identifier: GPL-3.0-or-later
#include "surface/SampleTrace.h"

#include "surface/Palette.h"
#include "surface/Surface.h"

namespace purlo {

std::size_t sampleTraceLines(const SampleTrace& t,
                             std::array<SurfaceLine, kSampleTraceMaxLines>& lines) {
    std::size_t n = 0;
    if (t.raster) {
        const auto x = static_cast<float>(t.x);
        lines[n++] = {kRasterTick, x, static_cast<float>(t.tickBottom()), x,
                      static_cast<float>(t.tickTop())};
    }
    const auto bottom = static_cast<float>(t.barBottom());
    const auto top = static_cast<float>(t.barTop());
    const auto baseline = static_cast<float>(t.baseline);
    int x = t.x;
    unsigned weight = 128;
    for (int i = 0; i < t.samples; ++i, weight >>= 1) {
        const int next = x + t.step;
        lines[n++] = {kErase, static_cast<float>(x), bottom, static_cast<float>(x), top};
        lines[n++] = {kTrace, static_cast<float>(x), baseline, static_cast<float>(next), baseline};
        if ((t.byte & weight) != 0) {
            lines[n++] = {kTrace, static_cast<float>(x), bottom, static_cast<float>(x), top};
        }
        x = next;
    }
    if (t.cutShort) {
        lines[n++] = {kErase, static_cast<float>(x), bottom, static_cast<float>(x), top};
    }
    return n;
}

int sampleTraceLastColour(const SampleTrace& t) {
    if (t.cutShort) return kErase;
    if (t.samples > 0) return kTrace;  // a baseline segment or a bar
    return kRasterTick;
}

}  // namespace purlo
