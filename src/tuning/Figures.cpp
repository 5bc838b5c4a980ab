// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/Figures.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "observe/Observer.h"

namespace purlo::tuning {

namespace {

// Gaps of up to this many low samples stay inside one signal: a pulse's low
// half spans one to three samples at the usual sample rates.
constexpr int kGapSamples = 4;
constexpr double kHighRate = 0.5;

double quantile(std::vector<double>& v, double q) {
    std::sort(v.begin(), v.end());
    const double at = q * static_cast<double>(v.size() - 1);
    const auto lo = static_cast<std::size_t>(std::floor(at));
    const auto hi = static_cast<std::size_t>(std::ceil(at));
    return v[lo] + (v[hi] - v[lo]) * (at - static_cast<double>(lo));
}

// The end (one past the last high sample) of the signal that starts at `from`.
int signalEnd(std::span<const double> rate, int from) {
    int last = from;
    int gap = 0;
    for (int i = from; i < static_cast<int>(rate.size()) && gap <= kGapSamples; ++i) {
        if (rate[static_cast<std::size_t>(i)] >= kHighRate) {
            last = i;
            gap = 0;
        } else {
            ++gap;
        }
    }
    return last + 1;
}

}  // namespace

void StepReadings::addRecord(std::span<const std::uint8_t> bytes) {
    const std::size_t samples = bytes.size() * kSamplesPerByte;
    if (sampleHits.size() < samples) sampleHits.resize(samples, 0);
    for (std::size_t i = 0; i < samples; ++i) sampleHits[i] += sampleHigh(bytes, i) ? 1 : 0;
    ++records;
}

std::vector<double> StepReadings::hitRate() const {
    std::vector<double> rate(sampleHits.size(), 0.0);
    if (records == 0) return rate;
    for (std::size_t i = 0; i < rate.size(); ++i) rate[i] = sampleHits[i] / double(records);
    return rate;
}

EchoShape echoShape(std::span<const double> rate) {
    EchoShape s;
    const int n = static_cast<int>(rate.size());
    int first = 0;
    while (first < n && rate[static_cast<std::size_t>(first)] < kHighRate) ++first;
    s.ringEnd = first < n ? signalEnd(rate, first) : 0;
    int echo = s.ringEnd;
    while (echo < n && rate[static_cast<std::size_t>(echo)] < kHighRate) ++echo;
    int echoEnd = echo;
    if (echo < n) {
        s.echoStart = echo;
        echoEnd = signalEnd(rate, echo);
        s.echoWidth = echoEnd - echo;
    }
    double stray = 0.0;
    int outside = 0;
    for (int i = 0; i < n; ++i) {
        const bool inSignal =
            (i >= first && i < s.ringEnd) || (s.echoStart && i >= echo && i < echoEnd);
        if (inSignal) continue;
        stray += rate[static_cast<std::size_t>(i)];
        ++outside;
    }
    s.strayShare = outside > 0 ? stray / outside : 0.0;
    return s;
}

double median(std::vector<double> v) {
    return v.empty() ? 0.0 : quantile(v, 0.5);
}

double interquartileRange(std::vector<double> v) {
    if (v.empty()) return 0.0;
    const double q1 = quantile(v, 0.25);
    return quantile(v, 0.75) - q1;
}

double countedEcho(const Figures& f) {
    return std::min(f.echoMedian, std::max(kEnoughEcho, 4.0 * f.echoRange));
}

Figures figuresOf(const StepReadings& r, double deadZoneMm) {
    Figures f;
    f.readings = static_cast<int>(r.echoBounce.size());
    f.echoMedian = median(r.echoBounce);
    if (!r.echoBounce.empty()) {
        const auto [lo, hi] = std::minmax_element(r.echoBounce.begin(), r.echoBounce.end());
        f.echoRange = *hi - *lo;
        const auto found = std::count_if(r.echoBounce.begin(), r.echoBounce.end(),
                                         [](double e) { return e > 0.0; });
        f.detection = static_cast<double>(found) / static_cast<double>(r.echoBounce.size());
    }
    f.burstMedian = median(r.burstBounce);
    f.distanceMedianMm = median(r.distanceMm);
    f.distanceIqrMm = interquartileRange(r.distanceMm);
    if (r.records > 0) {
        const std::vector<double> rate = r.hitRate();
        f.shape = echoShape(rate);
    }
    f.echoLost = f.detection < kMinDetection;
    // Ringing that outlasts the dead time is the first pulse the probe takes,
    // so it measures (about) the dead zone wherever the surface is.
    f.ringsPastDeadTime = !r.distanceMm.empty() && f.distanceMedianMm <= deadZoneMm * 1.1 + 20.0;
    const double stray = f.shape ? f.shape->strayShare : 0.0;
    f.score =
        countedEcho(f) - f.burstMedian / 2.0 - std::min(f.distanceIqrMm / 10.0, 5.0) - 10.0 * stray;
    return f;
}

std::optional<std::size_t> bestStep(std::span<const Figures> steps) {
    std::optional<std::size_t> top;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (steps[i].eligible() && (!top || steps[i].score > steps[*top].score)) top = i;
    }
    if (!top) return std::nullopt;
    const double noise = std::max(1.0, steps[*top].echoRange / 2.0);
    std::size_t best = *top;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Figures& f = steps[i];
        if (f.eligible() && steps[*top].score - f.score <= noise &&
            f.burstMedian < steps[best].burstMedian) {
            best = i;
        }
    }
    return best;
}

std::optional<double> parabolaPeak(std::span<const double> x, std::span<const double> y) {
    const std::size_t n = std::min(x.size(), y.size());
    if (n < 3) return std::nullopt;
    // Centred on the mean x for a well-conditioned 3 x 3 system.
    double mx = 0.0;
    for (std::size_t i = 0; i < n; ++i) mx += x[i];
    mx /= static_cast<double>(n);
    std::array<double, 5> sx{};  // sums of u^0..u^4
    std::array<double, 3> sy{};  // sums of y u^0..u^2
    for (std::size_t i = 0; i < n; ++i) {
        const double u = x[i] - mx;
        double p = 1.0;
        for (std::size_t k = 0; k < 5; ++k) {
            sx[k] += p;
            if (k < 3) sy[k] += y[i] * p;
            p *= u;
        }
    }
    // Normal equations for y = a + b u + c u^2, by Cramer's rule.
    const std::array<std::array<double, 3>, 3> m = {
        {{sx[0], sx[1], sx[2]}, {sx[1], sx[2], sx[3]}, {sx[2], sx[3], sx[4]}}};
    auto det = [](const std::array<std::array<double, 3>, 3>& a) {
        return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
               a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
               a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    };
    const double d = det(m);
    if (std::abs(d) < 1e-12) return std::nullopt;
    auto column = [&](std::size_t c) {
        auto a = m;
        for (std::size_t r = 0; r < 3; ++r) a[r][c] = sy[r];
        return det(a) / d;
    };
    const double b = column(1);
    const double c = column(2);
    if (!(c < 0.0)) return std::nullopt;
    return mx - b / (2.0 * c);
}

}  // namespace purlo::tuning
