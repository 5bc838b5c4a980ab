// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The probe's transducer frequencies: the reply decoder shows an index as
// kHz, and whoever hears the kHz (the tuning assistant) needs the index back.
//
// May include: text/ only.

#include <array>
#include <optional>

namespace purlo {

inline constexpr int kFirstFrequencyIndex = 3;
inline constexpr int kLastFrequencyIndex = 53;

// kHz of the probe's frequency indexes 3 to 53, from high to low frequencies.
inline constexpr std::array<float, 51> kFrequencyTable{
    180.0f, 145.0f, 120.0f, 105.0f, 92.1f, 82.2f, 73.8f, 67.2f, 61.9f, 57.3f, 53.2f, 49.9f, 46.8f,
    44.2f,  41.8f,  39.6f,  37.5f,  35.9f, 34.3f, 32.8f, 31.5f, 30.2f, 29.0f, 28.0f, 27.0f, 26.2f,
    25.7f,  25.1f,  24.6f,  23.5f,  22.4f, 21.7f, 21.1f, 20.5f, 19.9f, 19.5f, 19.0f, 18.5f, 18.1f,
    17.7f,  17.3f,  16.9f,  16.5f,  16.2f, 15.9f, 15.5f, 15.2f, 15.0f, 14.6f, 14.4f, 14.0f,
};

// The transducer frequency in kHz for a frequency index, when the table has one.
constexpr std::optional<float> transducerKhz(int frequencyIndex) {
    const int i = frequencyIndex - kFirstFrequencyIndex;
    if (i < 0 || i >= static_cast<int>(kFrequencyTable.size())) return std::nullopt;
    return kFrequencyTable[static_cast<std::size_t>(i)];
}

// The index whose kHz the decoder stored (every entry differs from the others).
constexpr std::optional<int> frequencyIndexOf(double khz) {
    for (int i = kFirstFrequencyIndex; i <= kLastFrequencyIndex; ++i) {
        if (static_cast<double>(*transducerKhz(i)) == khz) return i;
    }
    return std::nullopt;
}

}  // namespace purlo
