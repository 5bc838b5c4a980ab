// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/Plan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "observe/FrequencyTable.h"
#include "protocol/Vocabulary.h"

namespace purlo::tuning {

namespace {

constexpr int kShortestBurst = 2;
constexpr int kLongestBurst = 12;
constexpr int kBurstStride = 2;
constexpr double kVoltStride = 2.0;
constexpr double kVoltsBelow = 4.0;
constexpr double kVoltsAbove = 6.0;
// Request, reply code, digits, CR LF: what a request and its reply take on the line.
constexpr int kBytesPerRequest = 8;
constexpr int kRequestsPerCycle = protocol::kRequestCycleLength;
// Half a burst interval at the probe's default: the wait for the burst an echo record samples.
constexpr double kRecordWaitSeconds = 0.15;
// Per step: the wait for the new setting's report, the part of a cycle
// discarded, the readings, in request cycles as timed before the run. Against
// the simulator at 9600 bit/s a step took 4.6 of them: the cycle runs a
// little faster under the sweep than before it (measured, not derived). Runs
// from other resonances, seeds and starting parameters took 3 to 15 % longer
// than estimated; the two furthest off had timed a shorter cycle before the start.
constexpr double kCyclesPerStep = 4.6;

// One step for each of `values`, the knob set to it and the rest as `at`.
std::vector<PlannedStep> sweep(Pass pass, Knob knob, const Setting& at,
                               const std::vector<double>& values) {
    std::vector<PlannedStep> out;
    out.reserve(values.size());
    for (const double v : values) {
        Setting s = at;
        s[knob] = v;
        out.push_back({pass, knob, s});
    }
    return out;
}

}  // namespace

double& Setting::operator[](Knob k) {
    switch (k) {
        case Knob::Frequency: return frequencyIndex;
        case Knob::BurstLength: return burstLength;
        case Knob::Voltage: return volts;
        case Knob::TuningMode: break;
    }
    return tuningMode;
}

double Setting::operator[](Knob k) const {
    switch (k) {
        case Knob::Frequency: return frequencyIndex;
        case Knob::BurstLength: return burstLength;
        case Knob::Voltage: return volts;
        case Knob::TuningMode: break;
    }
    return tuningMode;
}

std::string_view knobName(Knob k) {
    switch (k) {
        case Knob::Frequency: return "frequency";
        case Knob::BurstLength: return "burst length";
        case Knob::Voltage: return "voltage";
        case Knob::TuningMode: break;
    }
    return "tuning mode";
}

ProbeValue knobValue(Knob k) {
    switch (k) {
        case Knob::Frequency: return ProbeValue::FrequencyKhz;
        case Knob::BurstLength: return ProbeValue::BurstLength;
        case Knob::Voltage: return ProbeValue::TransducerVoltage;
        case Knob::TuningMode: break;
    }
    return ProbeValue::TuningMode;
}

char knobQuery(Knob k) {
    return protocol::reported(knobValue(k)).query;
}

std::optional<double> knobReading(Knob k, const DecodedReply& r) {
    if (r.value != knobValue(k)) return std::nullopt;
    switch (k) {
        case Knob::Frequency: {
            const auto index = frequencyIndexOf(r.number);
            if (!index) return std::nullopt;
            return *index;
        }
        case Knob::BurstLength:
            if (r.number < 1) return std::nullopt;
            break;
        case Knob::Voltage:
            if (r.number <= 0) return std::nullopt;
            break;
        case Knob::TuningMode:
            if (r.number != 1 && r.number != 2) return std::nullopt;
            break;
    }
    return r.number;
}

std::optional<Knob> knobOfCommand(char c) {
    if (c == protocol::kAutoTuning || c == protocol::kManualTuning) return Knob::TuningMode;
    for (const Knob k : {Knob::Frequency, Knob::BurstLength, Knob::Voltage}) {
        const protocol::Reported& r = protocol::reported(knobValue(k));
        if (c == r.down || c == r.up) return k;
    }
    return std::nullopt;
}

bool changesProbe(char c) {
    return c != protocol::kNone && protocol::changesProbe(c);
}

std::string describe(const Setting& s) {
    const auto khz = transducerKhz(static_cast<int>(s.frequencyIndex));
    char text[96];
    std::snprintf(text, sizeof text, "%.1f kHz (index %d), %d periods, %.1f V",
                  khz ? static_cast<double>(*khz) : 0.0, static_cast<int>(s.frequencyIndex),
                  static_cast<int>(s.burstLength), s.volts);
    return text;
}

std::string valueText(Knob k, double value) {
    char text[48];
    switch (k) {
        case Knob::Frequency: {
            const auto khz = transducerKhz(static_cast<int>(value));
            std::snprintf(text, sizeof text, "%.1f kHz (index %d)",
                          khz ? static_cast<double>(*khz) : 0.0, static_cast<int>(value));
            return text;
        }
        case Knob::BurstLength:
            std::snprintf(text, sizeof text, "%d periods", static_cast<int>(value));
            return text;
        case Knob::Voltage: std::snprintf(text, sizeof text, "%.1f V", value); return text;
        case Knob::TuningMode: break;
    }
    return value == 2 ? "auto" : value == 1 ? "manual" : std::to_string(static_cast<int>(value));
}

std::string_view passName(Pass p) {
    switch (p) {
        case Pass::AsFound: return "as found";
        case Pass::Coarse: return "frequency, coarse";
        case Pass::Fine: return "frequency, fine";
        case Pass::Burst: return "burst length";
        case Pass::Voltage: return "voltage";
        case Pass::Verify: break;
    }
    return "verify";
}

std::vector<PlannedStep> coarseSteps(const Setting& found) {
    std::vector<double> indexes;
    for (int i = kLowestSweepIndex; i <= kHighestSweepIndex; i += kCoarseStride)
        indexes.push_back(i);
    if (indexes.back() != kHighestSweepIndex) indexes.push_back(kHighestSweepIndex);
    return sweep(Pass::Coarse, Knob::Frequency, found, indexes);
}

std::vector<PlannedStep> fineSteps(const Setting& at, const std::vector<int>& measured) {
    std::vector<double> indexes;
    const int centre = static_cast<int>(at.frequencyIndex);
    for (int i = centre - kFineReach; i <= centre + kFineReach; ++i) {
        if (i < kLowestSweepIndex || i > kHighestSweepIndex) continue;
        if (std::find(measured.begin(), measured.end(), i) != measured.end()) continue;
        indexes.push_back(i);
    }
    return sweep(Pass::Fine, Knob::Frequency, at, indexes);
}

std::vector<PlannedStep> burstSteps(const Setting& at) {
    std::vector<double> periods;
    for (int p = kShortestBurst; p <= kLongestBurst; p += kBurstStride) periods.push_back(p);
    return sweep(Pass::Burst, Knob::BurstLength, at, periods);
}

std::vector<PlannedStep> voltageSteps(const Setting& at) {
    std::vector<double> volts;
    const double from = std::max(kVoltStride / 2, at.volts - kVoltsBelow);
    for (double v = from; v <= at.volts + kVoltsAbove + 1e-9; v += kVoltStride) volts.push_back(v);
    return sweep(Pass::Voltage, Knob::Voltage, at, volts);
}

PlanSummary summarise(const Setting& found, bool echoRecords) {
    PlanSummary p;
    const auto coarse = coarseSteps(found);
    const auto bursts = burstSteps(found);
    const auto volts = voltageSteps(found);
    p.steps = 1 + static_cast<int>(coarse.size()) + 2 * kFineReach +
              static_cast<int>(bursts.size()) + static_cast<int>(volts.size());
    auto khz = [](int index) { return std::to_string(std::lround(*transducerKhz(index))); };
    p.lines.push_back("1. The settings as found, for comparison.");
    p.lines.push_back("2. Frequency: every " + std::to_string(kCoarseStride) + "rd index from " +
                      std::to_string(kLowestSweepIndex) + " to " +
                      std::to_string(kHighestSweepIndex) + " (" + khz(kLowestSweepIndex) + " to " +
                      khz(kHighestSweepIndex) + " kHz, " + std::to_string(coarse.size()) +
                      " steps), then the indexes within " + std::to_string(kFineReach) +
                      " of the best.");
    p.lines.push_back("3. Burst length at that frequency: " +
                      std::to_string(static_cast<int>(bursts.front().target.burstLength)) + " to " +
                      std::to_string(static_cast<int>(bursts.back().target.burstLength)) +
                      " periods (" + std::to_string(bursts.size()) + " steps).");
    auto volt = [](double v) { return std::to_string(std::lround(v)); };
    p.lines.push_back("4. Voltage at both: " + volt(volts.front().target.volts) + " to " +
                      volt(volts.back().target.volts) + " V in steps of 2 V (" +
                      std::to_string(volts.size()) + " steps; the probe's own limits hold).");
    p.lines.push_back("Each step: " + std::to_string(kReadingsPerStep) +
                      " readings of echo bounce, burst bounce and distance" +
                      (echoRecords ? ", and 5 echo records" : "") +
                      ", after one request cycle is discarded.");
    return p;
}

double cycleSecondsAt(std::int32_t baudRate, bool echoRecords, int recordBytes) {
    const double bitsPerByte = 10.0;
    double bytes = kRequestsPerCycle * kBytesPerRequest;
    double wait = 0.0;
    if (echoRecords) {
        bytes += recordBytes + 1;
        wait = kRecordWaitSeconds;
    }
    return bytes * bitsPerByte / std::max(baudRate, 300) + wait;
}

double estimateSeconds(const Setting& found, double cycleSeconds) {
    const PlanSummary p = summarise(found, false);
    // Apply: the move back to the best and ten readings.
    const double apply = 1.5 + kVerifyReadings;
    return (p.steps * kCyclesPerStep + apply) * cycleSeconds;
}

}  // namespace purlo::tuning
