// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/ProbeModel.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <string_view>
#include <utility>

namespace purlo::sim {

namespace {

constexpr double kTemperaturePeriodSeconds = 600.0;
constexpr int kMaxSamplesPerRecord = 4096;

}  // namespace

ProbeModel::ProbeModel(ProbeOptions options) : options_(std::move(options)), rng_(options_.seed) {
    if (options_.levelMaxMm < options_.levelMinMm) {
        std::swap(options_.levelMinMm, options_.levelMaxMm);
    }
    options_.samplesPerRecord = std::clamp(options_.samplesPerRecord, 1, kMaxSamplesPerRecord);

    // Where the level starts and which way it goes come from the seed, so two
    // simulators with different seeds do not move in lockstep.
    level_ = options_.levelMinMm + (options_.levelMaxMm - options_.levelMinMm) * rng_.uniform();
    direction_ = rng_.uniform() < 0.5 ? -1 : 1;
    temperaturePhase_ = 2.0 * std::numbers::pi * rng_.uniform();

    stored_ = options_.memory.value_or(ProbeParameters{});
    stored_.baudRate = isProbeBaudRate(options_.initialBaud) ? options_.initialBaud : 9600;
    if (!options_.stateFile.empty()) {
        if (auto fromFile = loadParameters(options_.stateFile, &stateProblem_)) stored_ = *fromFile;
    }
    restart();
    restarts_ = 0;
}

// Power-up and "Z": the parameters come from the non-volatile memory and the
// UART switches to the stored rate. Whatever the probe was doing is dropped.
void ProbeModel::restart() {
    params_ = stored_;
    activeBaud_ = stored_.baudRate;
    recordPending_ = false;
    nextBurst_ = now_ + burstPeriodSeconds();
    nextLine_ = now_ + nonStopPeriodSeconds();
    measure();
    ++restarts_;
}

int ProbeModel::driverValue() const {
    // Full scale of the 8-bit PWM is the 24 V supply.
    return static_cast<int>(std::lround(params_.voltageTenths * 255.0 / 240.0));
}

double ProbeModel::temperatureC() const {
    return options_.temperatureC +
           options_.temperatureSwingC *
               std::sin(2.0 * std::numbers::pi * now_ / kTemperaturePeriodSeconds +
                        temperaturePhase_);
}

int ProbeModel::temperatureTenths() const {
    return static_cast<int>(std::lround(temperatureC() * 10.0));
}

double ProbeModel::surfaceDistanceMm() const {
    if (options_.alarm) return params_.deadTimeCm * 10.0 / 2.0;
    return level_;
}

double ProbeModel::secondsToNextEvent() const {
    double next = nextBurst_;
    if (params_.transmitMode == 1) next = std::min(next, nextLine_);
    return std::max(0.0, next - now_);
}

void ProbeModel::advance(double seconds) {
    if (!(seconds > 0.0)) return;
    const double target = now_ + seconds;
    for (;;) {
        const bool lineFirst = params_.transmitMode == 1 && nextLine_ < nextBurst_;
        const double next = lineFirst ? nextLine_ : nextBurst_;
        if (next > target) break;
        moveTo(next);
        if (lineFirst) {
            fireNonStopLine();
        } else {
            fireBurst();
        }
    }
    moveTo(target);
}

// The surface goes back and forth between the two limits at a steady speed.
void ProbeModel::moveTo(double time) {
    const double lo = options_.levelMinMm;
    const double hi = options_.levelMaxMm;
    double travel = std::max(0.0, time - now_) * options_.levelSpeedMmPerS;
    now_ = std::max(now_, time);
    if (hi - lo <= 0.0) {
        level_ = lo;
        return;
    }
    travel = std::fmod(travel, 2.0 * (hi - lo));
    while (travel > 0.0) {
        const double room = direction_ > 0 ? hi - level_ : level_ - lo;
        if (travel <= room) {
            level_ += direction_ * travel;
            break;
        }
        travel -= room;
        level_ = direction_ > 0 ? hi : lo;
        direction_ = -direction_;
    }
}

void ProbeModel::fireBurst() {
    nextBurst_ = now_ + burstPeriodSeconds();
    measure();
    // While a record is pending the probe is busy sampling this very burst and
    // sends nothing else, so the record reaches the PC right behind its "=".
    if (unsolicitedAllowed() && params_.transmitMode != 3) {
        if (lastBurst_.surfaceInDeadZone) queue("OOO\r\n");
        if (params_.transmitMode == 2) answer('D');
    }
    if (recordPending_) {
        recordPending_ = false;
        queue("=" + sampleBytes(lastBurst_, params_.sampleRate, options_.samplesPerRecord,
                                options_.spikeProbability, rng_, options_.falseEchoSample));
    }
    if (params_.tuningMode == 2) autoTune();
}

void ProbeModel::fireNonStopLine() {
    nextLine_ = now_ + nonStopPeriodSeconds();
    if (unsolicitedAllowed()) answer('D');
}

// One measurement: the distance follows the time of flight of the first pulse
// after the dead time, converted with the probe's own speed of sound for the
// present temperature. A surface inside the dead zone reads as the dead-zone
// distance (the nearest the probe can see); a lost echo keeps the last value.
void ProbeModel::measure() {
    const double temperature = temperatureC();
    lastBurst_ = planBurst(
        params_, surfaceDistanceMm(), temperature,
        Transducer{options_.resonanceKhz, options_.quality, options_.echoGain, options_.ringGain});
    const double speed = probeSpeedOfSound(params_, temperature);
    double mm = 0.0;
    if (lastBurst_.surfaceInDeadZone) {
        mm = lastBurst_.deadTimeUs * 1e-6 * speed / 2.0 * 1000.0;
    } else if (lastBurst_.validEchoUs) {
        mm = *lastBurst_.validEchoUs * 1e-6 * speed / 2.0 * 1000.0;
    } else {
        return;
    }
    mm += rng_.gaussian(options_.noiseMm);
    reportedMm_ = std::max(0L, std::lround(mm));
}

// Auto tuning keeps the echo well above the receiver threshold without letting
// the ringing run past the dead time, by stepping the drive voltage.
void ProbeModel::autoTune() {
    const BurstEcho& b = lastBurst_;
    const double ringEndUs = b.ringDown.startUs + b.ringDown.pulses * b.periodUs;
    const bool ringsTooLong = ringEndUs > b.deadTimeUs;
    if (ringsTooLong || b.echoStrength > 8.0) {
        params_.voltageTenths =
            std::max(params_.voltageTenths - kVoltageStepTenths, options_.minVoltageTenths);
    } else if (b.echoStrength < 3.0) {
        params_.voltageTenths =
            std::min(params_.voltageTenths + kVoltageStepTenths, options_.maxVoltageTenths);
    }
}

std::string ProbeModel::takeOutput() {
    std::string out;
    for (const std::string& m : output_) out += m;
    output_.clear();
    return out;
}

std::vector<std::string> ProbeModel::takeMessages() {
    std::vector<std::string> out(std::make_move_iterator(output_.begin()),
                                 std::make_move_iterator(output_.end()));
    output_.clear();
    return out;
}

}  // namespace purlo::sim
