// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/EchoPhysics.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace purlo::sim {

namespace {

constexpr double kResonanceWidthKhz = 4.0;
// Path length (m) times kHz at which the echo has lost half its strength.
constexpr double kHalfStrengthMetreKhz = 150.0;

double resonance(double khz, const Transducer& t) {
    const double halfWidth =
        t.quality > 0.0 ? t.resonanceKhz / (2.0 * t.quality) : kResonanceWidthKhz;
    const double off = (khz - t.resonanceKhz) / halfWidth;
    return 1.0 / (1.0 + off * off);
}

double pathLoss(double pathMetres, double khz) {
    return 1.0 / (1.0 + pathMetres * khz / kHalfStrengthMetreKhz);
}

double endUs(const PulseTrain& t, double periodUs) {
    return t.startUs + t.pulses * periodUs;
}

// Counts the pulses of `t` whose start lies in [fromUs, toUs).
int pulsesBetween(const PulseTrain& t, double periodUs, double fromUs, double toUs) {
    int n = 0;
    for (int k = 0; k < t.pulses; ++k) {
        const double start = t.startUs + k * periodUs;
        if (start >= fromUs && start < toUs) ++n;
    }
    return n;
}

std::optional<double> firstPulseFrom(const PulseTrain& t, double periodUs, double fromUs) {
    for (int k = 0; k < t.pulses; ++k) {
        const double start = t.startUs + k * periodUs;
        if (start >= fromUs) return start;
    }
    return std::nullopt;
}

}  // namespace

double speedOfSoundInAir(double temperatureC) {
    return 331.0 + 0.60 * temperatureC;
}

double probeSpeedOfSound(const ProbeParameters& p, double temperatureC) {
    return p.soundSpeedTenths / 10.0 + p.temperatureCoefficient / 100.0 * temperatureC;
}

int bestFrequencyIndex(double resonanceKhz) {
    int best = kMinFrequencyIndex;
    for (int i = kMinFrequencyIndex; i <= kMaxFrequencyIndex; ++i) {
        if (std::abs(*transducerKhz(i) - resonanceKhz) <
            std::abs(*transducerKhz(best) - resonanceKhz)) {
            best = i;
        }
    }
    return best;
}

BurstEcho planBurst(const ProbeParameters& p, double distanceMm, double temperatureC,
                    double resonanceKhz) {
    return planBurst(p, distanceMm, temperatureC, Transducer{resonanceKhz});
}

BurstEcho planBurst(const ProbeParameters& p, double distanceMm, double temperatureC,
                    const Transducer& transducer) {
    BurstEcho b;
    const double khz = transducerKhz(p.frequencyIndex).value_or(transducer.resonanceKhz);
    b.periodUs = 1000.0 / khz;
    const double volts = p.voltageTenths / 10.0;
    const double drive = volts * std::min(p.burstLength, 16) / 4.0 * resonance(khz, transducer);

    b.burst = {0.0, p.burstLength};
    const int ring =
        drive < 0.2 ? 0 : static_cast<int>(std::lround(2.0 + 0.8 * drive * transducer.ringGain));
    b.ringDown = {endUs(b.burst, b.periodUs), ring};

    const double distanceM = std::max(distanceMm, 0.0) / 1000.0;
    const double path = 2.0 * distanceM;
    b.timeOfFlightUs = path / speedOfSoundInAir(temperatureC) * 1e6;
    b.echoStrength = drive * pathLoss(path, khz) * transducer.echoGain;
    if (b.echoStrength >= 0.5) {
        b.echo = {b.timeOfFlightUs, p.burstLength + static_cast<int>(std::lround(b.echoStrength))};
    }
    const double second = b.echoStrength * pathLoss(path, khz) * 0.25;
    if (second >= 1.0) {
        b.secondEcho = {2.0 * b.timeOfFlightUs,
                        static_cast<int>(std::lround(p.burstLength / 2.0 + second))};
    }

    b.deadTimeUs = deadTimeUnits(p.deadTimeCm) * kProbeTimeUnitMicroseconds;
    b.surfaceInDeadZone = b.timeOfFlightUs < b.deadTimeUs;

    const double driveEnd = endUs(b.burst, b.periodUs);
    const std::array<const PulseTrain*, 3> received = {&b.ringDown, &b.echo, &b.secondEcho};
    for (const PulseTrain* t : received) {
        b.burstBounce += pulsesBetween(*t, b.periodUs, driveEnd, b.deadTimeUs);
        b.echoBounce += pulsesBetween(*t, b.periodUs, b.deadTimeUs, 1e300);
        const auto first = firstPulseFrom(*t, b.periodUs, b.deadTimeUs);
        if (first && (!b.validEchoUs || *first < *b.validEchoUs)) b.validEchoUs = first;
    }
    return b;
}

std::string sampleBytes(const BurstEcho& echo, int sampleRate, int bytes, double spikeProbability,
                        Rng& rng, int falseEchoSample) {
    const double intervalUs = sampleIntervalMicroseconds(sampleRate);
    const std::array<const PulseTrain*, 4> trains = {&echo.burst, &echo.ringDown, &echo.echo,
                                                     &echo.secondEcho};
    std::string out(static_cast<std::size_t>(std::max(bytes, 0)), '\0');
    for (std::size_t i = 0; i < out.size() * 8; ++i) {
        const double t = static_cast<double>(i) * intervalUs;
        bool high = false;
        bool inSignal = false;
        for (const PulseTrain* train : trains) {
            if (train->pulses <= 0 || t < train->startUs || t >= endUs(*train, echo.periodUs)) {
                continue;
            }
            inSignal = true;
            const double cycles = (t - train->startUs) / echo.periodUs;
            if (cycles - std::floor(cycles) < 0.5) high = true;
        }
        if (!inSignal && spikeProbability > 0.0) high = rng.uniform() < spikeProbability;
        if (falseEchoSample >= 0 && i >= static_cast<std::size_t>(falseEchoSample) &&
            i < static_cast<std::size_t>(falseEchoSample) + kFalseEchoSamples) {
            high = true;
        }
        if (high) {
            out[i / 8] =
                static_cast<char>(static_cast<unsigned char>(out[i / 8]) | (0x80u >> (i % 8)));
        }
    }
    return out;
}

}  // namespace purlo::sim
