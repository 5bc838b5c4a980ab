// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace purlo::sim {

// The working parameters of the probe, in the probe's own units, as it keeps
// them in RAM and in its non-volatile memory.
struct ProbeParameters {
    int frequencyIndex = 30;          // index into the transducer frequency list; 30 = 25.1 kHz
    int burstLength = 4;              // periods per burst
    int burstInterval = 3;            // tenths of a second between bursts
    int voltageTenths = 100;          // transducer drive, tenths of a volt
    int sampleRate = 10;              // delay step between the sampled bits of an echo record
    int deadTimeCm = 30;              // dead time as a distance; reported in time units
    int soundSpeedTenths = 3310;      // tenths of m/s at 0 degrees Celsius
    int temperatureCoefficient = 60;  // cm/s per degree Celsius
    int baudRate = 9600;              // the rate the probe switches to at its next restart
    int tuningMode = 1;               // 1 manual, 2 auto
    int transmitMode = 2;             // 1 non-stop, 2 before each burst, 3 on request only

    bool operator==(const ProbeParameters&) const = default;
};

// Limits of the step commands. The frequency index stays inside the list.
inline constexpr int kMinFrequencyIndex = 3;
inline constexpr int kMaxFrequencyIndex = 53;
inline constexpr int kMinBurstLength = 1;
inline constexpr int kMaxBurstLength = 50;
inline constexpr int kMinBurstInterval = 1;
inline constexpr int kMaxBurstInterval = 100;
inline constexpr int kMinVoltageTenths = 10;
inline constexpr int kMaxVoltageTenths = 200;
inline constexpr int kVoltageStepTenths = 5;
inline constexpr int kMinSampleRate = 1;
inline constexpr int kMaxSampleRate = 100;
inline constexpr int kMinDeadTimeCm = 1;
inline constexpr int kMaxDeadTimeCm = 250;
inline constexpr int kMinSoundSpeedTenths = 1000;
inline constexpr int kMaxSoundSpeedTenths = 9999;
inline constexpr int kMinTemperatureCoefficient = 0;
inline constexpr int kMaxTemperatureCoefficient = 200;
inline constexpr int kMinBaudRate = 300;
inline constexpr int kMaxBaudRate = 38400;

// Transducer frequency in kHz for a frequency index, or nullopt outside 3..53.
std::optional<double> transducerKhz(int frequencyIndex);

// The dead time in the probe's time units of 1.302 microseconds. The console
// shows units * 1.302 * 0.0331 / 2 cm, so one centimetre is about 46.4 units;
// rounding from whole centimetres keeps every "D"/"d" step exactly 1 cm there.
int deadTimeUnits(int deadTimeCm);
inline constexpr double kProbeTimeUnitMicroseconds = 1.302;

// Time between two sampled bits of an echo record for a sample-rate setting.
// The default 10 gives 32 us, so 160 bytes (1280 samples) span about 7 m of
// range in air at room temperature.
double sampleIntervalMicroseconds(int sampleRate);

// Whether a rate is one the probe's UART can be set to (300 * 2^n up to 38400).
bool isProbeBaudRate(int rate);

// Brings every value back inside its limits (a hand-edited state file, say).
ProbeParameters clamped(ProbeParameters p);

// The probe's non-volatile memory kept in a small text file of "name value"
// lines. load() gives nullopt when the file is missing; a file that exists but
// cannot be read as parameters gives nullopt and a description in `problem`.
std::optional<ProbeParameters> loadParameters(const std::filesystem::path& file,
                                              std::string* problem = nullptr);
// Writes through a temporary file and a rename, so a failed write never leaves
// a half-written memory behind. Returns false and describes the failure.
bool storeParameters(const std::filesystem::path& file, const ProbeParameters& p,
                     std::string* problem = nullptr);

}  // namespace purlo::sim
