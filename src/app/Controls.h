// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "surface/Palette.h"

namespace purlo {

// Every control of the main window, named as the window's handlers know it.
enum class Control : std::uint8_t {
    // Top of the right-hand column
    Com_print_form,
    Com_clear_screen,
    Com_exit,
    Com_view_program_info,
    Com_reset_probe,
    Com_reset_to_default,
    Com_Save_to_eeprom,
    Com_probe_print_on,
    Com_auto_manuel,
    // Parameter rows
    Com_burst_interval_min,
    Com_view_burst_interval,
    Com_burst_interval_plus,
    Com_burst_length_min,
    Com_view_burst_length,
    Com_burst_length_plus,
    Com_zender_volt_min,
    Com_view_zender_volt,
    Com_zender_volt_plus,
    Com_us_fq_min,
    Com_view_us_fq,
    Com_us_fq_plus,
    Com_Probe_sample_rate_min,
    Com_view_Probe_sample_rate,
    Com_Probe_sample_rate_plus,
    Com_dead_time_min,
    Com_view_dead_time,
    Com_dead_time_plus,
    Com_us_speed_min,
    Com_view_us_speed,
    Com_us_speed_plus,
    Com_koef_min,
    Com_view_koef,
    Com_koef_plus,
    Com_micro_min_baudrate,
    Com_micro_view_baudrate,
    Com_micro_plus_baudrate,
    // Bottom of the right-hand column
    Com_baudrate_pc,
    Com_Comm_port,
    Com_inch_mm_far_centi,
    Com_view_temperature,
    Com_start_stop,
    Com_command_to_send,
    Text_command_to_send,
    // Diagram view controls
    Com_zoom_horizontal_min,
    Com_view_zoom_horizontal,
    Com_zoom_horizontal_plus,
    Com_raster_on_off,
    Com_zoom_vertical_min,
    Com_view_zoom_vertical,
    Com_zoom_vertical_plus,
    Com_play_spl,
    Com_draw_top_mid_bot_line,
    Com_one_sample,
    Com_draw_on_off,
    // Text and list controls of the diagram area
    Text_top,
    Text_mid,
    Text_bot,
    List_Info,
    Text_Info,
    Label1,
};

inline constexpr std::size_t kControlCount = static_cast<std::size_t>(Control::Label1) + 1;

enum class ControlKind : std::uint8_t { Button, TextBox, MultiLineText, ListBox, Panel };

// A colour of a control: an RGB value or the platform's button-face colour.
struct Colour {
    bool buttonFace = false;
    Rgb rgb{};

    static constexpr Colour face() { return {true, {}}; }
    static constexpr Colour of(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        return {false, {r, g, b}};
    }
    static constexpr Colour of(Rgb rgb) { return {false, rgb}; }
    static constexpr Colour palette(int index) {
        return {false, kPalette.at(static_cast<std::size_t>(index))};
    }
    friend constexpr bool operator==(Colour, Colour) = default;
};

struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct ControlInfo {
    Control id;
    std::string_view name;
    ControlKind kind;
    std::string_view caption;  // button caption or initial text
    std::string_view tooltip;  // empty: none
    TwipsRect rect;
    std::optional<Colour> back;  // none: the platform default for the kind
    std::optional<Colour> fore;  // none: the platform default
    int tabIndex;
    bool visible = true;
    bool sansSerif = false;  // the diagram text lines use a sans-serif face
};

// Size of the window's client area in twips.
inline constexpr int kClientWidthTwips = 8484;
inline constexpr int kClientHeightTwips = 6120;

// The window caption at start-up.
inline constexpr std::string_view kStartCaption = " Purlo";

// The one table the window is built from, in the order of the enum.
const std::array<ControlInfo, kControlCount>& controlTable();
const ControlInfo& controlInfo(Control c);

}  // namespace purlo
