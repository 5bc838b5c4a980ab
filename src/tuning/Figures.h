// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace purlo::tuning {

// What one step of a sweep collected: every echo bounce ("e"), burst bounce
// ("g") and distance the probe reported while the step held, and the echo
// records it sent, summed up sample by sample.
struct StepReadings {
    std::vector<double> echoBounce;
    std::vector<double> burstBounce;
    std::vector<double> distanceMm;  // transducer to surface, from the fill height
    // How often each sample was high, over `records` echo records.
    std::vector<std::uint32_t> sampleHits;
    int records = 0;

    void addRecord(std::span<const std::uint8_t> bytes);
    // The share of records in which each sample was high.
    std::vector<double> hitRate() const;
};

// Where the averaged echo record shows the burst with its ringing and the
// first echo, in samples from the record's start. A sample belongs to a
// signal where it was high in at least half the records; a signal goes on
// over gaps of a few samples (the low halves of its pulses).
struct EchoShape {
    int ringEnd = 0;               // first sample after the burst and its ringing
    std::optional<int> echoStart;  // first sample of the first echo after it
    int echoWidth = 0;             // samples from its first to its last high one
    double strayShare = 0.0;       // mean hit rate of the samples outside both
};
EchoShape echoShape(std::span<const double> hitRate);

// The figures of one step.
struct Figures {
    int readings = 0;  // echo bounce readings
    double echoMedian = 0.0;
    double echoRange = 0.0;  // largest less smallest echo bounce
    double burstMedian = 0.0;
    double detection = 0.0;  // share of readings with an echo (echo bounce above 0)
    double distanceMedianMm = 0.0;
    double distanceIqrMm = 0.0;
    std::optional<EchoShape> shape;  // when echo records came
    // Hard gates: a step that fails one cannot win.
    bool echoLost = false;           // detection under kMinDetection
    bool ringsPastDeadTime = false;  // the probe measures its dead zone: it takes the ringing
    double score = 0.0;              // meaningful only when both gates pass
    bool eligible() const { return !echoLost && !ringsPastDeadTime; }
};

inline constexpr double kMinDetection = 0.8;
// An echo bounce this large (or four times its readings' range, when that is
// larger) is a reliable echo: beyond it a longer burst or a higher voltage
// adds only ringing, so the score counts the echo bounce up to there.
inline constexpr double kEnoughEcho = 10.0;
double countedEcho(const Figures& f);

// Median and interquartile range of values (linear between order statistics).
double median(std::vector<double> v);
double interquartileRange(std::vector<double> v);

// The figures of a step; `deadZoneMm` is the probe's dead time as a distance.
Figures figuresOf(const StepReadings& r, double deadZoneMm);

// The score in one line, for the table's foot.
inline constexpr std::string_view kScoreExplanation =
    "score = median echo bounce (counted up to 10 pulses or 4 x its range: more adds only "
    "ringing) - half the median burst bounce - distance IQR/10 mm (at most 5) - 10 x stray "
    "share; a step that loses the echo (detection under 80 %) or rings past the dead time "
    "cannot win; within the echo's noise, less ringing wins";

// The best of the steps' figures: the highest score among the eligible
// ones, and among those within the noise of it (half the best one's echo
// bounce range, at least one pulse) the one with the least burst bounce.
std::optional<std::size_t> bestStep(std::span<const Figures> steps);

// Where a smooth curve through (x, y) peaks: the vertex of the least-squares
// parabola, when it opens downward; nothing otherwise.
std::optional<double> parabolaPeak(std::span<const double> x, std::span<const double> y);

}  // namespace purlo::tuning
