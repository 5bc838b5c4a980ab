// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/ProbeParameters.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <utility>

namespace purlo::sim {

namespace {

// The probe derives its transducer frequencies from its crystal; this is its
// list, index 3 to 53, in kHz.
constexpr std::array<double, 51> kFrequencyKhz = {
    180.0, 145.0, 120.0, 105.0, 92.1, 82.2, 73.8, 67.2, 61.9, 57.3, 53.2, 49.9, 46.8,
    44.2,  41.8,  39.6,  37.5,  35.9, 34.3, 32.8, 31.5, 30.2, 29.0, 28.0, 27.0, 26.2,
    25.7,  25.1,  24.6,  23.5,  22.4, 21.7, 21.1, 20.5, 19.9, 19.5, 19.0, 18.5, 18.1,
    17.7,  17.3,  16.9,  16.5,  16.2, 15.9, 15.5, 15.2, 15.0, 14.6, 14.4, 14.0};

// One field of the memory file: its name and where it lives.
struct Field {
    const char* name;
    int ProbeParameters::*member;
};

constexpr std::array<Field, 11> kFields = {{
    {"frequency_index", &ProbeParameters::frequencyIndex},
    {"burst_length", &ProbeParameters::burstLength},
    {"burst_interval", &ProbeParameters::burstInterval},
    {"voltage_tenths", &ProbeParameters::voltageTenths},
    {"sample_rate", &ProbeParameters::sampleRate},
    {"dead_time_cm", &ProbeParameters::deadTimeCm},
    {"sound_speed_tenths", &ProbeParameters::soundSpeedTenths},
    {"temperature_coefficient", &ProbeParameters::temperatureCoefficient},
    {"baud_rate", &ProbeParameters::baudRate},
    {"tuning_mode", &ProbeParameters::tuningMode},
    {"transmit_mode", &ProbeParameters::transmitMode},
}};

void describe(std::string* problem, std::string text) {
    if (problem) *problem = std::move(text);
}

}  // namespace

std::optional<double> transducerKhz(int frequencyIndex) {
    if (frequencyIndex < kMinFrequencyIndex || frequencyIndex > kMaxFrequencyIndex) {
        return std::nullopt;
    }
    return kFrequencyKhz[static_cast<std::size_t>(frequencyIndex - kMinFrequencyIndex)];
}

int deadTimeUnits(int deadTimeCm) {
    const double cmPerUnit = kProbeTimeUnitMicroseconds * 0.0331 / 2.0;
    return static_cast<int>(std::lround(deadTimeCm / cmPerUnit));
}

double sampleIntervalMicroseconds(int sampleRate) {
    return 12.0 + 2.0 * sampleRate;
}

bool isProbeBaudRate(int rate) {
    for (int r = kMinBaudRate; r <= kMaxBaudRate; r *= 2) {
        if (r == rate) return true;
    }
    return false;
}

ProbeParameters clamped(ProbeParameters p) {
    p.frequencyIndex = std::clamp(p.frequencyIndex, kMinFrequencyIndex, kMaxFrequencyIndex);
    p.burstLength = std::clamp(p.burstLength, kMinBurstLength, kMaxBurstLength);
    p.burstInterval = std::clamp(p.burstInterval, kMinBurstInterval, kMaxBurstInterval);
    p.voltageTenths = std::clamp(p.voltageTenths, kMinVoltageTenths, kMaxVoltageTenths);
    p.sampleRate = std::clamp(p.sampleRate, kMinSampleRate, kMaxSampleRate);
    p.deadTimeCm = std::clamp(p.deadTimeCm, kMinDeadTimeCm, kMaxDeadTimeCm);
    p.soundSpeedTenths = std::clamp(p.soundSpeedTenths, kMinSoundSpeedTenths, kMaxSoundSpeedTenths);
    p.temperatureCoefficient = std::clamp(p.temperatureCoefficient, kMinTemperatureCoefficient,
                                          kMaxTemperatureCoefficient);
    if (!isProbeBaudRate(p.baudRate)) p.baudRate = ProbeParameters{}.baudRate;
    p.tuningMode = std::clamp(p.tuningMode, 1, 2);
    p.transmitMode = std::clamp(p.transmitMode, 1, 3);
    return p;
}

std::optional<ProbeParameters> loadParameters(const std::filesystem::path& file,
                                              std::string* problem) {
    std::ifstream in(file);
    if (!in) {
        std::error_code ec;
        if (std::filesystem::exists(file, ec)) {
            describe(problem, "cannot read " + file.string());
        }
        return std::nullopt;
    }
    ProbeParameters p;
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string name;
        long long value = 0;
        if (!(fields >> name >> value)) {
            describe(problem, file.string() + ":" + std::to_string(lineNumber) +
                                  ": expected a name and a whole number");
            return std::nullopt;
        }
        const auto* field = std::find_if(kFields.begin(), kFields.end(),
                                         [&](const Field& f) { return name == f.name; });
        if (field == kFields.end()) {
            describe(problem, file.string() + ":" + std::to_string(lineNumber) +
                                  ": unknown parameter \"" + name + "\"");
            return std::nullopt;
        }
        p.*(field->member) = static_cast<int>(std::clamp<long long>(value, -1000000, 1000000));
    }
    return clamped(p);
}

bool storeParameters(const std::filesystem::path& file, const ProbeParameters& p,
                     std::string* problem) {
    std::filesystem::path temporary = file;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << "# Non-volatile memory of the simulated Purlo probe (written by its \"W\").\n";
        for (const Field& f : kFields) out << f.name << ' ' << p.*(f.member) << '\n';
        out.flush();
        if (!out) {
            describe(problem, "cannot write " + temporary.string() + ": " + std::strerror(errno));
            std::error_code ec;
            std::filesystem::remove(temporary, ec);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, file, ec);
    if (ec) {
        describe(problem, "cannot replace " + file.string() + ": " + ec.message());
        std::filesystem::remove(temporary, ec);
        return false;
    }
    return true;
}

}  // namespace purlo::sim
