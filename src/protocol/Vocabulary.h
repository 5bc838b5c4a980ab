// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The probe's vocabulary in one table: every value the probe reports, with
// the reply code that carries it, the letter that asks for it, the letters
// that step it and where the buttons hold a step back, and the request
// cycle's step that asks for it; and every other command character, with
// whether it changes the probe. The decoder, the buttons, the request cycle,
// the replay, the tuning assistant and the help read their letters here.
// Adding a probe command is a row here plus its handler.
//
// May include: nothing.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace purlo {

// The values the reply decoder stores, one per reply code that carries a number.
enum class ProbeValue : std::uint8_t {
    FillHeight,              // in the operator's unit: "mm" or "inch"
    Temperature,             // degrees Celsius
    ProbeBaudRate,           //
    SoundSpeed,              // m/s at 0 degrees C
    FrequencyKhz,            // the transducer frequency looked up from its index
    SampleRate,              //
    TemperatureCoefficient,  // "m/s" or "in/s"
    BurstInterval,           //
    BurstLength,             // transducer periods
    TransducerVoltage,       //
    DeadZone,                // "cm" or "in"
    TuningMode,              // 1 manual, 2 auto
    ReceiveMode,             // 1 non-stop, 2 each burst, 3 on request
    EchoBounce,              //
    BurstBounce,             //
    ReloadFrequency,         //
};
inline constexpr std::size_t kProbeValueCount = 16;

namespace protocol {

// No letter: a value without a query or without steps.
inline constexpr char kNone = '\0';
// No limit on a step.
inline constexpr int kNoLimit = -1;

// One value the probe reports.
struct Reported {
    ProbeValue value;
    char reply;  // the first character of the reply line that carries it
    char query;  // asks for it without changing it
    // Step it one down and one up. The buttons send `down` only while the
    // number last reported is above `downAbove`, and `up` only while it is
    // below `upBelow` (kNoLimit: always). The number is the reply's as the
    // probe sends it: for the frequency its index into the probe's table.
    char down;
    char up;
    int downAbove;
    int upBelow;
    // The request cycle's step (1 to 14) that sends `query`; 0 for none.
    std::uint8_t cycleStep;
};

// In the order of ProbeValue. "F" is "increases the frequency" in the
// probe's words, yet the buttons hold it back at index 54 and up, and "f" at
// 4 and below, as if it raised the index: which way a probe moves is read
// from its reports by whoever depends on it (the tuning assistant does).
// clang-format off
inline constexpr std::array<Reported, kProbeValueCount> kReported{{
    //  value                               reply query  down  up    downAbove upBelow cycle
    {ProbeValue::FillHeight,               'D', '?',   kNone, kNone, kNoLimit, kNoLimit, 0},
    {ProbeValue::Temperature,              'c', 'c',   kNone, kNone, kNoLimit, kNoLimit, 10},
    {ProbeValue::ProbeBaudRate,            'x', 'x',   'b',   'B',   kNoLimit, kNoLimit, 9},
    {ProbeValue::SoundSpeed,               'w', 'w',   'v',   'V',   kNoLimit, kNoLimit, 7},
    {ProbeValue::FrequencyKhz,             'q', 'q',   'f',   'F',   4,        54,       4},
    {ProbeValue::SampleRate,               'Y', 'Y',   '4',   '5',   1,        100,      5},
    {ProbeValue::TemperatureCoefficient,   'k', 'k',   't',   'T',   kNoLimit, kNoLimit, 8},
    {ProbeValue::BurstInterval,            'j', 'j',   'i',   'I',   kNoLimit, kNoLimit, 1},
    {ProbeValue::BurstLength,              'P', 'P',   'r',   'R',   1,        kNoLimit, 2},
    {ProbeValue::TransducerVoltage,        's', 's',   'u',   'U',   kNoLimit, kNoLimit, 3},
    {ProbeValue::DeadZone,                 'm', 'm',   'd',   'D',   kNoLimit, kNoLimit, 6},
    {ProbeValue::TuningMode,               'a', 'a',   kNone, kNone, kNoLimit, kNoLimit, 14},
    {ProbeValue::ReceiveMode,              'o', 'o',   kNone, kNone, kNoLimit, kNoLimit, 13},
    {ProbeValue::EchoBounce,               'e', 'e',   kNone, kNone, kNoLimit, kNoLimit, 11},
    {ProbeValue::BurstBounce,              'g', 'g',   kNone, kNone, kNoLimit, kNoLimit, 12},
    {ProbeValue::ReloadFrequency,          'n', 'n',   kNone, kNone, kNoLimit, kNoLimit, 0},
}};
// clang-format on

// The other command characters.
struct Action {
    char letter;
    bool changesProbe;
};

inline constexpr char kEchoRecord = '=';  // the next burst comes as an echo record
inline constexpr char kRestart = 'Z';
inline constexpr char kDefaults = 'S';
inline constexpr char kWrite = 'W';  // into the probe's non-volatile memory
inline constexpr char kAutoTuning = 'A';
inline constexpr char kManualTuning = 'M';
// The receive modes 1 to 3 ("1" non-stop, "2" each burst, "3" on request).
inline constexpr std::array<char, 3> kReceiveModes{'1', '2', '3'};
// A reply line that carries no value: the transducer touches water or dust.
inline constexpr char kAlarmReply = 'O';

inline constexpr std::array<Action, 11> kActions{{
    {kEchoRecord, false},
    {'h', false},  // a short list of every command, for a terminal
    {'p', false},  // every value, for a terminal
    {kRestart, true},
    {kDefaults, true},
    {kWrite, true},
    {kAutoTuning, true},
    {kManualTuning, true},
    {kReceiveModes[0], true},
    {kReceiveModes[1], true},
    {kReceiveModes[2], true},
}};

// The request cycle: steps 1 to 14 each send a query (the rows' cycleStep),
// step 15 nothing, step 16 asks for an echo record and then the distance.
inline constexpr std::uint8_t kRequestCycleLength = 16;
inline constexpr std::uint8_t kEchoRecordStep = 16;

constexpr const Reported& reported(ProbeValue v) {
    return kReported[static_cast<std::size_t>(v)];
}

// The row of each reply code (kNoRow: none), looked up once per reply line.
inline constexpr std::uint8_t kNoRow = 0xFF;
inline constexpr std::array<std::uint8_t, 256> kRowOfReply = [] {
    std::array<std::uint8_t, 256> rows{};
    rows.fill(kNoRow);
    for (std::size_t i = 0; i < kReported.size(); ++i) {
        rows[static_cast<unsigned char>(kReported[i].reply)] = static_cast<std::uint8_t>(i);
    }
    return rows;
}();

// The row of a reply code, or null for a line that carries no value.
constexpr const Reported* byReply(char code) {
    const std::uint8_t row = kRowOfReply[static_cast<unsigned char>(code)];
    return row == kNoRow ? nullptr : &kReported[row];
}

// The query each step of the request cycle sends (index step - 1), kNone for none.
constexpr std::array<char, kRequestCycleLength> requestCycle() {
    std::array<char, kRequestCycleLength> steps{};
    for (const Reported& r : kReported) {
        if (r.cycleStep != 0) steps[r.cycleStep - 1] = r.query;
    }
    return steps;
}

// Whether sending `c` may change what the probe does. A letter outside the
// vocabulary may: whatever the probe makes of it is unknown.
constexpr bool changesProbe(char c) {
    for (const Reported& r : kReported) {
        if (c == r.query) return false;
        if (c == r.down || c == r.up) return true;
    }
    for (const Action& a : kActions) {
        if (c == a.letter) return a.changesProbe;
    }
    return true;
}

// Every letter of the vocabulary, once each: queries, steps and actions
// (the places left over are kNone).
constexpr std::array<char, 3 * kProbeValueCount + kActions.size()> allLetters() {
    std::array<char, 3 * kProbeValueCount + kActions.size()> letters{};
    std::size_t n = 0;
    const auto add = [&](char c) {
        if (c == kNone) return;
        for (std::size_t i = 0; i < n; ++i) {
            if (letters[i] == c) return;
        }
        letters[n++] = c;
    };
    for (const Reported& r : kReported) {
        add(r.query);
        add(r.down);
        add(r.up);
    }
    for (const Action& a : kActions) add(a.letter);
    return letters;
}

namespace check {
// The table is read by position and by letter: each row at its value's
// place, each cycle step once, no letter with two meanings.
constexpr bool rowsInOrder() {
    for (std::size_t i = 0; i < kReported.size(); ++i) {
        if (static_cast<std::size_t>(kReported[i].value) != i) return false;
    }
    return true;
}
constexpr bool cycleStepsOnce() {
    std::array<int, kRequestCycleLength + 1> seen{};
    for (const Reported& r : kReported) {
        if (r.cycleStep != 0 && ++seen[r.cycleStep] > 1) return false;
    }
    for (std::size_t step = 1; step <= 14; ++step) {
        if (seen[step] != 1) return false;
    }
    return true;
}
constexpr bool lettersMeanOneThing() {
    std::array<int, 256> uses{};
    for (const Reported& r : kReported) {
        for (const char c : {r.query, r.down, r.up}) {
            if (c != kNone) ++uses[static_cast<unsigned char>(c)];
        }
    }
    for (const Action& a : kActions) ++uses[static_cast<unsigned char>(a.letter)];
    for (const int u : uses) {
        if (u > 1) return false;
    }
    return true;
}
}  // namespace check
static_assert(check::rowsInOrder());
static_assert(check::cycleStepsOnce());
static_assert(check::lettersMeanOneThing());

}  // namespace protocol

}  // namespace purlo
