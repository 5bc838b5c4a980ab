// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "observe/Observer.h"

namespace purlo::tuning {

// The parameters the assistant steps, each by the command characters of its
// "<" and ">" buttons, and the tuning mode it switches for the sweep.
enum class Knob : std::uint8_t { Frequency, BurstLength, Voltage, TuningMode };
inline constexpr int kKnobCount = 4;

// Frequency as its index (the probe's list runs from high to low
// frequencies), burst length in periods, voltage in volts, tuning mode 1
// manual or 2 auto: each as the probe reports it.
struct Setting {
    double frequencyIndex = 0;
    double burstLength = 0;
    double volts = 0;
    double tuningMode = 0;

    double& operator[](Knob k);
    double operator[](Knob k) const;
    friend bool operator==(const Setting&, const Setting&) = default;
};

std::string_view knobName(Knob k);
// "25.1 kHz (index 30), 4 periods, 10.0 V".
std::string describe(const Setting& s);
// One knob's value in words: "14.0 kHz (index 53)", "4 periods", "10.0 V", "auto".
std::string valueText(Knob k, double value);
// The reply that reports the knob, and the query that asks for it.
ProbeValue knobValue(Knob k);
char knobQuery(Knob k);
// The knob's value in a decoded reply (the frequency's index from its kHz);
// nothing for another value, or one the knob cannot hold (a line cut short).
std::optional<double> knobReading(Knob k, const DecodedReply& r);
// The knob a step or switch command of the buttons moves, if any.
std::optional<Knob> knobOfCommand(char c);
// Whether `c` changes something in the probe (a query or an echo record
// request changes nothing).
bool changesProbe(char c);

// The kinds of step a run makes.
enum class Pass : std::uint8_t { AsFound, Coarse, Fine, Burst, Voltage, Verify };
std::string_view passName(Pass p);

// One step of the plan: which knob it sweeps, and the setting it measures.
struct PlannedStep {
    Pass pass = Pass::AsFound;
    Knob knob = Knob::Frequency;
    Setting target;
};

// The frequency indexes the sweep visits. The "<" button of the frequency row
// holds back at index 4 and below, so the sweep stays where both buttons work.
inline constexpr int kLowestSweepIndex = 5;
inline constexpr int kHighestSweepIndex = 53;
inline constexpr int kCoarseStride = 3;
inline constexpr int kFineReach = 2;
inline constexpr int kReadingsPerStep = 5;
inline constexpr int kVerifyReadings = 10;

// The coarse frequency pass from the setting found: every third index of the
// list, then the burst lengths, then the voltages are planned once the step
// before has chosen (fineSteps, burstSteps, voltageSteps).
std::vector<PlannedStep> coarseSteps(const Setting& found);
// Indexes within kFineReach of the coarse best not measured yet.
std::vector<PlannedStep> fineSteps(const Setting& at, const std::vector<int>& measured);
std::vector<PlannedStep> burstSteps(const Setting& at);
std::vector<PlannedStep> voltageSteps(const Setting& at);

// The plan in words, for the window before the start.
struct PlanSummary {
    int steps = 0;  // with the fine pass at its largest
    std::vector<std::string> lines;
};
PlanSummary summarise(const Setting& found, bool echoRecords);

// How long a request cycle takes at a PC baud rate: its sixteen requests and
// their replies, and the echo record (its bytes, and the wait for the burst
// it samples) when the drawing is on.
double cycleSecondsAt(std::int32_t baudRate, bool echoRecords, int recordBytes);
// The whole run: each step waits for its setting, discards a cycle and
// collects its readings; Apply moves once more and collects ten.
double estimateSeconds(const Setting& found, double cycleSeconds);

}  // namespace purlo::tuning
