// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "sim/ProbeParameters.h"
#include "sim/Rng.h"

namespace purlo::sim {

// A run of receiver pulses at the transducer frequency, `pulses` periods long
// from `startUs` (microseconds after the burst began).
struct PulseTrain {
    double startUs = 0.0;
    int pulses = 0;
};

// What one burst produces at the receiver, and what the probe makes of it.
struct BurstEcho {
    double periodUs = 0.0;        // one transducer period
    PulseTrain burst;             // the drive itself, seen by the receiver
    PulseTrain ringDown;          // the transducer ringing on after the drive
    PulseTrain echo;              // first echo from the surface (0 pulses: lost)
    PulseTrain secondEcho;        // surface - transducer - surface again, when strong
    double timeOfFlightUs = 0.0;  // true round trip to the surface
    double deadTimeUs = 0.0;      // pulses before this are not taken as the echo
    double echoStrength = 0.0;    // amplitude of the first echo, relative to the receiver threshold
    int burstBounce = 0;          // pulses after the drive and before the dead time ends ("g")
    int echoBounce = 0;           // pulses from the first valid one until the signal ends ("e")
    bool surfaceInDeadZone = false;
    // Start of the first pulse after the dead time: what the probe takes as
    // the echo. Ringing that outlasts a short dead time is taken too, as on the
    // real probe, which is what the dead time is there to prevent.
    std::optional<double> validEchoUs;
};

// Speed of sound in dry air, m/s, at a temperature in degrees Celsius.
double speedOfSoundInAir(double temperatureC);

// Speed of sound as the probe calculates it from its own parameters.
double probeSpeedOfSound(const ProbeParameters& p, double temperatureC);

// The echo of one burst with the surface `distanceMm` below the transducer.
// Strength model: drive = volts * burst length (up to 16 periods) / 4, scaled by
// how close the frequency is to the transducer's resonance (nominally 25 kHz;
// a real one is off by age, temperature and build); the echo loses strength
// with path length, faster at higher frequencies. The ringing after the drive
// grows with the drive, so too long a burst or too high a voltage rings on
// past the dead time.
inline constexpr double kNominalResonanceKhz = 25.0;
// The transducer: where it resonates, how sharply (its quality factor: the
// resonance over the width where it answers with half its strength; 0 keeps
// the fixed 8 kHz width), and how strongly its echo and its ringing come.
struct Transducer {
    double resonanceKhz = kNominalResonanceKhz;
    double quality = 0.0;
    double echoGain = 1.0;
    double ringGain = 1.0;
};
BurstEcho planBurst(const ProbeParameters& p, double distanceMm, double temperatureC,
                    const Transducer& transducer);
BurstEcho planBurst(const ProbeParameters& p, double distanceMm, double temperatureC,
                    double resonanceKhz = kNominalResonanceKhz);

// The frequency index the transducer answers best at: the one whose frequency
// lies nearest its resonance.
int bestFrequencyIndex(double resonanceKhz);

// The sample bytes of an echo record of that burst: `bytes` bytes, 8 samples
// each, most significant bit first, one sample every sampleIntervalMicroseconds
// of the sample rate. A sample is 1 while the receiver output is high (first
// half of each pulse period). `spikeProbability` adds random high samples in
// the silence, drawn from `rng` only when it is above 0. From sample
// `falseEchoSample` on (when not negative), kFalseEchoSamples samples are
// high in every record: a fixed reflector in the tank that the surface echo
// moves past.
inline constexpr int kFalseEchoSamples = 6;
std::string sampleBytes(const BurstEcho& echo, int sampleRate, int bytes, double spikeProbability,
                        Rng& rng, int falseEchoSample = -1);

}  // namespace purlo::sim
