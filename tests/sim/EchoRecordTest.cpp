// SPDX-License-Identifier: GPL-3.0-or-later
// The layout of echo records for known states of the probe.
#include <gtest/gtest.h>

#include <cmath>

#include "ProbeTestSupport.h"

namespace purlo::sim::test {
namespace {

// Sample index where the echo of a surface at `mm` begins, at 20 degrees.
double echoSample(double mm, int sampleRate) {
    const double timeOfFlightUs = 2.0 * mm / 1000.0 / (331.0 + 0.6 * 20.0) * 1e6;
    return timeOfFlightUs / sampleIntervalMicroseconds(sampleRate);
}

TEST(EchoRecord, OneMarkerAndTheConfiguredNumberOfBytes) {
    for (const int bytes : {160, 100, 1, 255}) {
        ProbeOptions options = stillSurface();
        options.samplesPerRecord = bytes;
        ProbeModel probe(options);
        probe.receive('=');
        probe.advance(0.3);
        const std::string out = probe.takeOutput();
        ASSERT_EQ(out.size(), static_cast<std::size_t>(bytes) + 1) << bytes;
        EXPECT_EQ(out.front(), '=');
    }
}

TEST(EchoRecord, BurstAndRingingOpenTheRecordThenSilence) {
    ProbeModel probe(stillSurface(2000.0));
    const std::string samples = recordOf(probe);
    ASSERT_EQ(samples.size(), 160u);
    EXPECT_TRUE(sampleAt(samples, 0));  // the drive starts high
    // 4 periods of drive and 10 of ringing at 25.1 kHz: 558 us, 18 samples of 32 us.
    EXPECT_GE(highSamples(samples, 0, 18), 6);
    EXPECT_EQ(highSamples(samples, 18, 360), 0);
}

TEST(EchoRecord, AFalseEchoIsTheSameStripeInEveryRecordWhereverTheSurfaceIs) {
    ProbeOptions options = stillSurface(2000.0);
    options.falseEchoSample = 300;
    ProbeModel probe(options);
    const std::string first = recordOf(probe);
    EXPECT_EQ(highSamples(first, 300, 300 + kFalseEchoSamples), kFalseEchoSamples);
    EXPECT_FALSE(sampleAt(first, 299));
    EXPECT_FALSE(sampleAt(first, 300 + kFalseEchoSamples));
    // Another level: the surface echo moves, the stripe stays.
    options.levelMinMm = options.levelMaxMm = 1000.0;
    ProbeModel nearer(options);
    const std::string second = recordOf(nearer);
    EXPECT_EQ(highSamples(second, 300, 300 + kFalseEchoSamples), kFalseEchoSamples);
    EXPECT_NE(first, second);
}

struct EchoPlace {
    double distanceMm;
    int sampleRate;
};

class EchoPosition : public ::testing::TestWithParam<EchoPlace> {};

// The first high sample after the silence is where the time of flight puts the
// echo; the sample rate stretches the record.
TEST_P(EchoPosition, EchoStartsAtTheTimeOfFlight) {
    ProbeModel probe(stillSurface(GetParam().distanceMm));
    for (int rate = 10; rate < GetParam().sampleRate; ++rate) probe.receive('5');
    for (int rate = 10; rate > GetParam().sampleRate; --rate) probe.receive('4');
    const std::string samples = recordOf(probe);
    const double expected = echoSample(GetParam().distanceMm, GetParam().sampleRate);
    const long first = firstHighFrom(samples, 30);
    EXPECT_GE(first, static_cast<long>(std::floor(expected)));
    EXPECT_LE(first, static_cast<long>(std::ceil(expected)) + 2);
}

INSTANTIATE_TEST_SUITE_P(Places, EchoPosition,
                         ::testing::Values(EchoPlace{2000.0, 10}, EchoPlace{1000.0, 10},
                                           EchoPlace{6500.0, 10}, EchoPlace{2000.0, 20},
                                           EchoPlace{2000.0, 5}, EchoPlace{9000.0, 30}));

TEST(EchoRecord, DefaultRecordSpansAboutSevenMetres) {
    ProbeModel inRange(stillSurface(6800.0));
    EXPECT_GT(firstHighFrom(recordOf(inRange), 30), 0);
    ProbeModel beyond(stillSurface(7300.0));
    EXPECT_EQ(firstHighFrom(recordOf(beyond), 30), -1);
    // A slower sample rate brings it back into the record.
    ProbeModel stretched(stillSurface(7300.0));
    stretched.receive('5');
    EXPECT_GT(firstHighFrom(recordOf(stretched), 30), 0);
}

TEST(EchoRecord, MoreVoltageGivesMorePulses) {
    ProbeModel low(stillSurface(2000.0));
    ProbeModel normal(stillSurface(2000.0));
    ProbeModel high(stillSurface(2000.0));
    send(low, std::string(12, 'u'));   // 4 V
    send(high, std::string(16, 'U'));  // 18 V
    const std::string a = recordOf(low);
    const std::string b = recordOf(normal);
    const std::string c = recordOf(high);
    EXPECT_LT(highSamples(a, 0, 1280), highSamples(b, 0, 1280));
    EXPECT_LT(highSamples(b, 0, 1280), highSamples(c, 0, 1280));
    EXPECT_LT(low.lastBurst().burstBounce, normal.lastBurst().burstBounce);
    EXPECT_LT(normal.lastBurst().burstBounce, high.lastBurst().burstBounce);
    EXPECT_LT(low.lastBurst().echoBounce, normal.lastBurst().echoBounce);
    EXPECT_LT(normal.lastBurst().echoBounce, high.lastBurst().echoBounce);
    // "g" and "e" report what the record shows.
    EXPECT_EQ(send(high, "g"), "g" + std::to_string(high.lastBurst().burstBounce) + "\r\n");
    EXPECT_EQ(send(high, "e"), "e" + std::to_string(high.lastBurst().echoBounce) + "\r\n");
}

TEST(EchoRecord, StrongBurstAddsASecondEchoAtTwiceTheDistance) {
    const double twice = 2.0 * echoSample(2000.0, 10);
    const auto around = [&](const std::string& s) {
        return highSamples(s, static_cast<std::size_t>(twice) - 2,
                           static_cast<std::size_t>(twice) + 30);
    };
    ProbeModel normal(stillSurface(2000.0));
    EXPECT_EQ(around(recordOf(normal)), 0);
    ProbeModel strong(stillSurface(2000.0));
    send(strong, std::string(20, 'U') + "RRRR");  // 20 V, 8 periods
    const std::string samples = recordOf(strong);
    EXPECT_GT(around(samples), 0);
    EXPECT_GT(strong.lastBurst().secondEcho.pulses, 0);
    EXPECT_LT(strong.lastBurst().secondEcho.pulses, strong.lastBurst().echo.pulses);
}

TEST(EchoRecord, LongerBurstDrivesAndRingsLonger) {
    ProbeModel normal(stillSurface(3000.0));
    ProbeModel longer(stillSurface(3000.0));
    send(longer, "RRRRRRRR");  // 12 periods
    EXPECT_LT(highSamples(recordOf(normal), 0, 60), highSamples(recordOf(longer), 0, 60));
}

TEST(EchoRecord, OffResonanceFrequencyWeakensEverything) {
    ProbeModel tuned(stillSurface(3000.0));
    ProbeModel detuned(stillSurface(3000.0));
    send(detuned, std::string(15, 'f'));  // index 45: 16.5 kHz
    recordOf(tuned);
    recordOf(detuned);
    EXPECT_LT(detuned.lastBurst().echoStrength, tuned.lastBurst().echoStrength / 2);
    EXPECT_LT(detuned.lastBurst().burstBounce, tuned.lastBurst().burstBounce);
}

TEST(EchoRecord, ShortDeadTimeTakesTheRingingForTheEcho) {
    ProbeModel probe(stillSurface(2000.0));
    send(probe, std::string(25, 'd'));  // 5 cm: shorter than the ringing
    probe.advance(0.31);
    EXPECT_LT(probe.distanceReplyMm(), 100);
    send(probe, std::string(25, 'D'));  // back to 30 cm
    probe.advance(0.3);
    EXPECT_EQ(probe.distanceReplyMm(), 2000);
}

TEST(EchoRecord, SpikesAreDeterministicForASeed) {
    ProbeOptions options = stillSurface(2000.0);
    options.spikeProbability = 0.02;
    ProbeModel a(options);
    ProbeModel b(options);
    const std::string first = recordOf(a);
    EXPECT_EQ(first, recordOf(b));
    EXPECT_GT(highSamples(first, 20, 360), 0);  // stray samples in the silence
    options.seed = 7;
    ProbeModel c(options);
    EXPECT_NE(first, recordOf(c));
}

// A transducer off its nominal resonance answers best at the index nearest its
// own resonance: the ringing peaks there, and the echo there or beside it (the
// path loss favours lower frequencies a little).
TEST(EchoRecord, TheResonanceDecidesWhereTheTransducerAnswersBest) {
    for (double resonance = 21.0; resonance <= 29.0; resonance += 0.5) {
        const int best = bestFrequencyIndex(resonance);
        ASSERT_LE(std::abs(*transducerKhz(best) - resonance), 0.6) << resonance;
        int ringiest = 0;
        int loudest = 0;
        double ring = -1.0;
        double echo = -1.0;
        for (int index = kMinFrequencyIndex; index <= kMaxFrequencyIndex; ++index) {
            ProbeParameters p;
            p.frequencyIndex = index;
            const BurstEcho b = planBurst(p, 1500.0, 20.0, resonance);
            if (b.ringDown.pulses > ring) {
                ring = b.ringDown.pulses;
                ringiest = index;
            }
            if (b.echoStrength > echo) {
                echo = b.echoStrength;
                loudest = index;
            }
        }
        EXPECT_LE(std::abs(ringiest - best), 1) << resonance;
        EXPECT_LE(std::abs(loudest - best), 1) << resonance;
    }
    // Left alone, the transducer is the nominal one the probe's default suits.
    EXPECT_EQ(bestFrequencyIndex(ProbeOptions{}.resonanceKhz), ProbeParameters{}.frequencyIndex);
}

// More drive, more ringing: too long a burst or too high a voltage rings on
// past the dead time, and the probe takes the ringing for the echo.
TEST(EchoRecord, RingingGrowsWithVoltageAndBurstLengthIntoTheDeadTime) {
    ProbeParameters p;
    int lastRing = 0;
    for (p.burstLength = 2; p.burstLength <= 16; p.burstLength += 2) {
        const BurstEcho b = planBurst(p, 1500.0, 20.0);
        EXPECT_GT(b.ringDown.pulses, lastRing) << p.burstLength;
        lastRing = b.ringDown.pulses;
    }
    p = ProbeParameters{};
    p.voltageTenths = kMaxVoltageTenths;
    p.burstLength = 16;
    const BurstEcho loud = planBurst(p, 1500.0, 20.0);
    const double ringEndUs = loud.ringDown.startUs + loud.ringDown.pulses * loud.periodUs;
    EXPECT_GT(ringEndUs, loud.deadTimeUs);
    ASSERT_TRUE(loud.validEchoUs);
    EXPECT_LT(*loud.validEchoUs, loud.timeOfFlightUs / 2);
}

}  // namespace
}  // namespace purlo::sim::test
