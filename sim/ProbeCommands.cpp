// SPDX-License-Identifier: GPL-3.0-or-later
// The probe's command vocabulary: what each character from the PC does and
// which reply line it answers with.
#include <algorithm>
#include <string>
#include <string_view>

#include "sim/ProbeModel.h"

namespace purlo::sim {
namespace {

// A step command moves one parameter within its limits and answers with the
// reply line of that parameter.
struct StepCommand {
    char command;
    int ProbeParameters::*member;
    int delta;
    int low;
    int high;
    char reply;
};

// The frequency list runs from high to low frequencies, so a higher frequency
// ("F") is a lower index.
constexpr StepCommand kStepCommands[] = {
    {'I', &ProbeParameters::burstInterval, 1, kMinBurstInterval, kMaxBurstInterval, 'j'},
    {'i', &ProbeParameters::burstInterval, -1, kMinBurstInterval, kMaxBurstInterval, 'j'},
    {'R', &ProbeParameters::burstLength, 1, kMinBurstLength, kMaxBurstLength, 'P'},
    {'r', &ProbeParameters::burstLength, -1, kMinBurstLength, kMaxBurstLength, 'P'},
    {'U', &ProbeParameters::voltageTenths, kVoltageStepTenths, kMinVoltageTenths, kMaxVoltageTenths,
     's'},
    {'u', &ProbeParameters::voltageTenths, -kVoltageStepTenths, kMinVoltageTenths,
     kMaxVoltageTenths, 's'},
    {'F', &ProbeParameters::frequencyIndex, -1, kMinFrequencyIndex, kMaxFrequencyIndex, 'q'},
    {'f', &ProbeParameters::frequencyIndex, 1, kMinFrequencyIndex, kMaxFrequencyIndex, 'q'},
    {'5', &ProbeParameters::sampleRate, 1, kMinSampleRate, kMaxSampleRate, 'Y'},
    {'4', &ProbeParameters::sampleRate, -1, kMinSampleRate, kMaxSampleRate, 'Y'},
    {'D', &ProbeParameters::deadTimeCm, 1, kMinDeadTimeCm, kMaxDeadTimeCm, 'm'},
    {'d', &ProbeParameters::deadTimeCm, -1, kMinDeadTimeCm, kMaxDeadTimeCm, 'm'},
    {'V', &ProbeParameters::soundSpeedTenths, 1, kMinSoundSpeedTenths, kMaxSoundSpeedTenths, 'w'},
    {'v', &ProbeParameters::soundSpeedTenths, -1, kMinSoundSpeedTenths, kMaxSoundSpeedTenths, 'w'},
    {'T', &ProbeParameters::temperatureCoefficient, 1, kMinTemperatureCoefficient,
     kMaxTemperatureCoefficient, 'k'},
    {'t', &ProbeParameters::temperatureCoefficient, -1, kMinTemperatureCoefficient,
     kMaxTemperatureCoefficient, 'k'},
};

// Query characters that are their own reply code.
constexpr std::string_view kQueries = "xcwqYkjPsmaoegn";
// The commands that step or switch a parameter.
constexpr std::string_view kIgnorable = "IiRrUuFf54DdVvTtAM123";

}  // namespace

long ProbeModel::replyValue(char code) const {
    switch (code) {
        case 'D': return reportedMm_;
        case 'x': return params_.baudRate;
        case 'c': return temperatureTenths();
        case 'w': return params_.soundSpeedTenths;
        case 'q': return params_.frequencyIndex;
        case 'Y': return params_.sampleRate;
        case 'k': return params_.temperatureCoefficient;
        case 'j': return params_.burstInterval;
        case 'P': return params_.burstLength;
        case 's': return params_.voltageTenths;
        case 'm': return deadTimeUnits(params_.deadTimeCm);
        case 'a': return params_.tuningMode;
        case 'o': return params_.transmitMode;
        case 'e': return lastBurst_.echoBounce;
        case 'g': return lastBurst_.burstBounce;
        case 'n': return driverValue();
        default: return 0;
    }
}

void ProbeModel::receive(char c) {
    if (c != '\0' && kQueries.find(c) != std::string_view::npos) {
        answer(c);
        return;
    }
    // A probe that now and then misses a command that sets something: no
    // change, no reply.
    if (options_.ignoreProbability > 0.0 && kIgnorable.find(c) != std::string_view::npos &&
        rng_.uniform() < options_.ignoreProbability) {
        return;
    }
    for (const StepCommand& s : kStepCommands) {
        if (s.command == c) {
            int& value = params_.*(s.member);
            int delta = s.delta;
            int low = s.low;
            int high = s.high;
            if (s.member == &ProbeParameters::frequencyIndex) {
                if (options_.fRaisesIndex) delta = -delta;
                low = options_.minFrequencyIndex;
                high = options_.maxFrequencyIndex;
            } else if (s.member == &ProbeParameters::burstLength) {
                high = options_.maxBurstLength;
            } else if (s.member == &ProbeParameters::voltageTenths) {
                low = options_.minVoltageTenths;
                high = options_.maxVoltageTenths;
            }
            value = std::clamp(value + delta, low, std::max(low, high));
            answer(s.reply);
            return;
        }
    }
    switch (c) {
        case '?': answer('D'); break;
        case 'B':
            params_.baudRate = std::min(params_.baudRate * 2, kMaxBaudRate);
            answer('x');
            break;
        case 'b':
            params_.baudRate = std::max(params_.baudRate / 2, kMinBaudRate);
            answer('x');
            break;
        case 'A':
            params_.tuningMode = 2;
            answer('a');
            break;
        case 'M':
            params_.tuningMode = 1;
            answer('a');
            break;
        case '1':
        case '2':
        case '3': setTransmitMode(c - '0'); break;
        case '=': recordPending_ = true; break;
        case 'S': params_ = ProbeParameters{}; break;
        case 'W': store(); break;
        case 'Z': restart(); break;
        case 'h': sendCommandList(); break;
        case 'p': sendAllValues(); break;
        default: break;  // the probe ignores what it does not know
    }
}

void ProbeModel::store() {
    stored_ = params_;
    if (!options_.stateFile.empty()) {
        stateProblem_.clear();
        storeParameters(options_.stateFile, stored_, &stateProblem_);
    }
}

void ProbeModel::setTransmitMode(int mode) {
    if (mode == 1 && params_.transmitMode != 1) nextLine_ = now_ + nonStopPeriodSeconds();
    params_.transmitMode = mode;
    answer('o');
}

void ProbeModel::answer(char code) {
    queue(code + std::to_string(replyValue(code)) + "\r\n");
}

void ProbeModel::queue(std::string message) {
    output_.push_back(std::move(message));
}

void ProbeModel::sendAllValues() {
    for (const char code : std::string_view("DxcwqYkjPsmaoegn")) answer(code);
}

// Every line starts with "[" so that a program decoding reply codes takes none
// of them for a value.
void ProbeModel::sendCommandList() {
    static constexpr std::string_view kLines[] = {
        "[?] distance mm   [=] next burst as echo record   [h] this list   [p] all values",
        "[Z] restart   [S] default setting   [W] write parameters to flash",
        "[I][i] burst interval [j]   [R][r] burst periods [P]   [U][u] voltage [s]",
        "[F][f] frequency [q]   [5][4] sample rate [Y]   [D][d] dead time 1cm [m]",
        "[V][v] sound speed 0.1m/s [w]   [T][t] temperature coef. [k]   [c] temperature",
        "[B][b] baud rate *2 /2 after W and Z [x]   [e] echo bounce   [g] burst bounce",
        "[1][2][3] non stop, each burst, on request [o]   [A] auto [M] manual [a]   [n] driver",
    };
    for (const std::string_view line : kLines) queue(std::string(line) + "\r\n");
}

}  // namespace purlo::sim
