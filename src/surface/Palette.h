// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

namespace purlo {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend constexpr bool operator==(Rgb, Rgb) = default;
};

// The 16 fixed colours the drawing code and a few controls pick by index.
inline constexpr std::array<Rgb, 16> kPalette{{
    {0, 0, 0},        // 0 black
    {0, 0, 128},      // 1 blue
    {0, 128, 0},      // 2 green
    {0, 128, 128},    // 3 cyan
    {128, 0, 0},      // 4 red
    {128, 0, 128},    // 5 magenta
    {128, 128, 0},    // 6 brown (dark yellow)
    {192, 192, 192},  // 7 light grey
    {128, 128, 128},  // 8 dark grey
    {0, 0, 255},      // 9 light blue
    {0, 255, 0},      // 10 light green
    {0, 255, 255},    // 11 light cyan
    {255, 0, 0},      // 12 light red
    {255, 0, 255},    // 13 light magenta
    {255, 255, 0},    // 14 yellow
    {255, 255, 255},  // 15 white
}};

// Palette indexes the drawing code uses by name.
inline constexpr int kErase = 0;
inline constexpr int kBaseline = 8;
inline constexpr int kTrace = 10;
inline constexpr int kRasterTick = 13;

// Palette indexes of a few controls' colours.
inline constexpr int kCommandText = 0;      // the command box's text, black
inline constexpr int kRecordingText = 4;    // the same red while Purlo.Spl records
inline constexpr int kStartInvitation = 6;  // Start after a click on the bare window

// Two dark reds outside the palette: a button that is on ("Stop", "Close")
// and the armed playback button ("#").
inline constexpr Rgb kButtonOnRed{170, 0, 0};
inline constexpr Rgb kPlaybackArmedRed{160, 0, 0};

}  // namespace purlo
