// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Controls.h"

namespace purlo {

namespace {

// The controls' names are the window's own and stay as they are; what the
// older words in them mean:
//   Com_, Text_, List_    the kind: a command button, a text box, the list box
//   _min / _plus          the "<" / ">" button of a parameter row (one step
//                         down / up); _view_ its middle button, which asks
//                         the probe for the value and shows it
//   zender                the transducer (its burst voltage: zender_volt)
//   us_fq, us_speed       the ultrasonic frequency, the speed of sound
//   koef                  the temperature coefficient of the speed of sound
//   auto_manuel           the probe's tuning mode, auto or manual ("Manuel")
//   micro_..._baudrate    the probe's own baud rate; baudrate_pc is the PC's
//   inch_mm_far_centi     the units: mm and Celsius, or inch and Fahrenheit
//   Probe_sample_rate     the probe's sample rate delay (the echo's samples)
//   probe_print_on        "Receive 1 2 3": when the probe sends its readings
//                         (non stop, each burst, on request)
//   play_spl              the playback of the recording Purlo.Spl
//
// Left, top, width, height in twips; colours as the design gives them. One
// control a line, as a table reads best.
// clang-format off
constexpr std::array<ControlInfo, kControlCount> kTable{{
    {Control::Com_print_form, "Com_print_form", ControlKind::Button, "Prn", "Print interface.", {6936, 24, 504, 264}, Colour::face(), std::nullopt, 10, true, false},
    {Control::Com_clear_screen, "Com_clear_screen", ControlKind::Button, "Cls", "Click to clear the screen.", {7452, 24, 504, 264}, Colour::face(), std::nullopt, 8, true, false},
    {Control::Com_exit, "Com_exit", ControlKind::Button, "Exit", "Close ComPort and Quit.", {7968, 24, 504, 264}, Colour::face(), std::nullopt, 9, true, false},
    {Control::Com_view_program_info, "Com_view_program_info", ControlKind::Button, "Program info", "", {6936, 312, 1530, 264}, Colour::face(), std::nullopt, 11, true, false},
    {Control::Com_reset_probe, "Com_reset_probe", ControlKind::Button, "Restart Probe", "Click to restart the Probe with writed parameters.", {6936, 600, 1530, 264}, Colour::of(192, 192, 192), std::nullopt, 35, true, false},
    {Control::Com_reset_to_default, "Com_reset_to_default", ControlKind::Button, "Reset default", "Click to restore Probe default parameters.", {6936, 888, 1530, 264}, Colour::of(192, 192, 192), std::nullopt, 34, true, false},
    {Control::Com_Save_to_eeprom, "Com_Save_to_eeprom", ControlKind::Button, "Save Probe + PC", "Click to save the parameters into Probe and PC. ", {6936, 1176, 1530, 264}, Colour::of(192, 192, 192), std::nullopt, 33, true, false},
    {Control::Com_probe_print_on, "Com_probe_print_on", ControlKind::Button, "Receive 1 2 3", "Click to change the receive mode.", {6936, 1464, 1530, 264}, Colour::of(192, 192, 192), std::nullopt, 0, true, false},
    {Control::Com_auto_manuel, "Com_auto_manuel", ControlKind::Button, "Auto / Manuel", "Click to change Probe tuning mode.", {6936, 1752, 1536, 264}, Colour::of(192, 192, 192), std::nullopt, 1, true, false},
    {Control::Com_burst_interval_min, "Com_burst_interval_min", ControlKind::Button, " <", "Click to decrease burst interval.", {6936, 2040, 396, 264}, Colour::of(128, 128, 128), std::nullopt, 29, true, false},
    {Control::Com_view_burst_interval, "Com_view_burst_interval", ControlKind::Button, "Inter", "Click to view Burst Interval factor.", {7344, 2040, 708, 264}, Colour::of(192, 192, 192), std::nullopt, 28, true, false},
    {Control::Com_burst_interval_plus, "Com_burst_interval_plus", ControlKind::Button, ">", "Click to increase burst interval.", {8064, 2040, 408, 264}, Colour::of(128, 128, 128), std::nullopt, 27, true, false},
    {Control::Com_burst_length_min, "Com_burst_length_min", ControlKind::Button, "<", "Click to decrease burst length.", {6936, 2328, 396, 264}, Colour::of(128, 128, 128), std::nullopt, 32, true, false},
    {Control::Com_view_burst_length, "Com_view_burst_length", ControlKind::Button, "n x P", "Click to view Burst periode amount.", {7344, 2328, 708, 264}, Colour::of(192, 192, 192), std::nullopt, 31, true, false},
    {Control::Com_burst_length_plus, "Com_burst_length_plus", ControlKind::Button, ">", "Click to increase burst length.", {8064, 2328, 408, 264}, Colour::of(128, 128, 128), std::nullopt, 30, true, false},
    {Control::Com_zender_volt_min, "Com_zender_volt_min", ControlKind::Button, "<", "Click to decrease transducer voltage.", {6936, 2616, 396, 264}, Colour::of(128, 128, 128), std::nullopt, 26, true, false},
    {Control::Com_view_zender_volt, "Com_view_zender_volt", ControlKind::Button, "Us Volt", "Click to view transducer voltage.", {7344, 2616, 708, 264}, Colour::of(192, 192, 192), std::nullopt, 25, true, false},
    {Control::Com_zender_volt_plus, "Com_zender_volt_plus", ControlKind::Button, ">", "Click to increase transducer voltage.", {8064, 2616, 408, 264}, Colour::of(128, 128, 128), std::nullopt, 24, true, false},
    {Control::Com_us_fq_min, "Com_us_fq_min", ControlKind::Button, "<", "Click to decrease transducer frequencie.", {6936, 2904, 396, 264}, Colour::of(128, 128, 128), std::nullopt, 40, true, false},
    {Control::Com_view_us_fq, "Com_view_us_fq", ControlKind::Button, "UsT Fq", "Click to view transducer frequencie.", {7344, 2904, 708, 264}, Colour::of(192, 192, 192), std::nullopt, 41, true, false},
    {Control::Com_us_fq_plus, "Com_us_fq_plus", ControlKind::Button, ">", "Click to increase transducer frequencie.", {8064, 2904, 408, 264}, Colour::of(128, 128, 128), std::nullopt, 42, true, false},
    {Control::Com_Probe_sample_rate_min, "Com_Probe_sample_rate_min", ControlKind::Button, "<", "Click to decrease sample rate.", {6936, 3192, 396, 264}, Colour::of(128, 128, 128), std::nullopt, 45, true, false},
    {Control::Com_view_Probe_sample_rate, "Com_view_Probe_sample_rate", ControlKind::Button, "l - l - I - l", "Click to view Probe sample rate delay.", {7344, 3192, 708, 264}, Colour::of(192, 192, 192), std::nullopt, 44, true, false},
    {Control::Com_Probe_sample_rate_plus, "Com_Probe_sample_rate_plus", ControlKind::Button, ">", "Click to increase_Probe sample rate.", {8064, 3192, 408, 264}, Colour::of(128, 128, 128), std::nullopt, 43, true, false},
    {Control::Com_dead_time_min, "Com_dead_time_min", ControlKind::Button, "<", "Click to decrease dead time.", {6936, 3480, 396, 264}, Colour::of(128, 128, 128), std::nullopt, 21, true, false},
    {Control::Com_view_dead_time, "Com_view_dead_time", ControlKind::Button, "D Time", "Click to view probe dead Time.", {7344, 3480, 708, 264}, Colour::of(192, 192, 192), std::nullopt, 22, true, false},
    {Control::Com_dead_time_plus, "Com_dead_time_plus", ControlKind::Button, ">", "Click to increase dead time.", {8064, 3480, 408, 264}, Colour::of(128, 128, 128), std::nullopt, 23, true, false},
    {Control::Com_us_speed_min, "Com_us_speed_min", ControlKind::Button, "<", "Click to decrease ultra sound speed value.", {6936, 3768, 396, 264}, Colour::of(128, 128, 128), std::nullopt, 39, true, false},
    {Control::Com_view_us_speed, "Com_view_us_speed", ControlKind::Button, "US m/s", "Click to view Ultra sound speed value in m/s 0 Celcius.", {7344, 3768, 708, 264}, Colour::of(192, 192, 192), std::nullopt, 38, true, false},
    {Control::Com_us_speed_plus, "Com_us_speed_plus", ControlKind::Button, ">", "Click to increase ultra sound speed value.", {8064, 3768, 408, 264}, Colour::of(128, 128, 128), std::nullopt, 37, true, false},
    {Control::Com_koef_min, "Com_koef_min", ControlKind::Button, "<", "Decrease Temp coeficient correction on probe.", {6936, 4056, 396, 264}, Colour::of(128, 128, 128), std::nullopt, 17, true, false},
    {Control::Com_view_koef, "Com_view_koef", ControlKind::Button, "Coef", "Click to view temperature coeficient.", {7344, 4056, 708, 264}, Colour::of(192, 192, 192), std::nullopt, 18, true, false},
    {Control::Com_koef_plus, "Com_koef_plus", ControlKind::Button, ">", "Increase Temp coeficient ", {8064, 4056, 408, 264}, Colour::of(128, 128, 128), std::nullopt, 19, true, false},
    {Control::Com_micro_min_baudrate, "Com_micro_min_baudrate", ControlKind::Button, "<", "Probe Baudrate.", {6936, 4344, 396, 264}, Colour::of(128, 128, 128), std::nullopt, 16, true, false},
    {Control::Com_micro_view_baudrate, "Com_micro_view_baudrate", ControlKind::Button, "Pr. Bd ", "Click to view probe Baudrate.", {7344, 4344, 708, 264}, Colour::of(192, 192, 192), std::nullopt, 15, true, false},
    {Control::Com_micro_plus_baudrate, "Com_micro_plus_baudrate", ControlKind::Button, ">", "Click to choose probe Baudrate.", {8064, 4344, 408, 264}, Colour::of(128, 128, 128), std::nullopt, 14, true, false},
    {Control::Com_baudrate_pc, "Com_baudrate_pc", ControlKind::Button, "9600", "Click to change the PC Baudrate ( xxxx,N,8,1).", {6936, 4632, 756, 264}, Colour::face(), std::nullopt, 13, true, false},
    {Control::Com_Comm_port, "Com_Comm_port", ControlKind::Button, "Comm1", "Click to change Comm Port", {7704, 4632, 768, 264}, Colour::face(), std::nullopt, 12, true, false},
    {Control::Com_inch_mm_far_centi, "Com_inch_mm_far_centi", ControlKind::Button, "mm/C", "Inch/mm or Far/Cent.", {6936, 4920, 756, 240}, Colour::of(224, 224, 224), std::nullopt, 36, true, false},
    {Control::Com_view_temperature, "Com_view_temperature", ControlKind::Button, "Temp", "Click to view temperature on Probe.", {7704, 4920, 768, 240}, Colour::of(224, 224, 224), std::nullopt, 20, true, false},
    {Control::Com_start_stop, "Com_start_stop", ControlKind::Button, "Start", "Click to start / stop RS232 communication.", {6936, 5184, 564, 264}, Colour::of(192, 255, 192), std::nullopt, 7, true, false},
    {Control::Com_command_to_send, "Com_command_to_send", ControlKind::Button, "S.C", "Send this character command to the Probe.", {7512, 5184, 384, 264}, Colour::face(), std::nullopt, 4, true, false},
    {Control::Text_command_to_send, "Text_command_to_send", ControlKind::TextBox, "", "Enter command to be send. Db Click for cmd. info.", {7920, 5160, 540, 264}, Colour::of(192, 255, 192), Colour::palette(kCommandText), 5, true, false},
    {Control::Com_zoom_horizontal_min, "Com_zoom_horizontal_min", ControlKind::Button, "<", "Click to zoom -", {24, 5184, 396, 264}, Colour::of(224, 224, 224), std::nullopt, 48, true, false},
    {Control::Com_view_zoom_horizontal, "Com_view_zoom_horizontal", ControlKind::Button, "Zoom X", "Zoom Horizontal.", {432, 5184, 708, 264}, Colour::of(224, 224, 224), std::nullopt, 47, true, false},
    {Control::Com_zoom_horizontal_plus, "Com_zoom_horizontal_plus", ControlKind::Button, ">", "Click to Zoom +", {1152, 5184, 408, 264}, Colour::of(224, 224, 224), std::nullopt, 46, true, false},
    {Control::Com_raster_on_off, "Com_raster_on_off", ControlKind::Button, "Raster", "Raster On/Off", {1584, 5184, 684, 264}, Colour::of(224, 224, 224), std::nullopt, 52, true, false},
    {Control::Com_zoom_vertical_min, "Com_zoom_vertical_min", ControlKind::Button, "<", "Click to zoom -", {2304, 5184, 396, 264}, Colour::of(224, 224, 224), std::nullopt, 49, true, false},
    {Control::Com_view_zoom_vertical, "Com_view_zoom_vertical", ControlKind::Button, "Zoom Y", "Zoom Vertical.", {2712, 5184, 708, 264}, Colour::of(224, 224, 224), std::nullopt, 50, true, false},
    {Control::Com_zoom_vertical_plus, "Com_zoom_vertical_plus", ControlKind::Button, ">", "Click to Zoom +", {3432, 5184, 408, 264}, Colour::of(224, 224, 224), std::nullopt, 51, true, false},
    {Control::Com_play_spl, "Com_play_spl", ControlKind::Button, "#", "Play recorded Probe data file, Purlo.Spl.", {3864, 5184, 732, 264}, Colour::of(224, 224, 224), std::nullopt, 53, true, false},
    {Control::Com_draw_top_mid_bot_line, "Com_draw_top_mid_bot_line", ControlKind::Button, "L 1 2 3 ", "Draw on Top / Mid / Bot... line.", {4632, 5184, 732, 264}, Colour::of(224, 224, 224), std::nullopt, 55, true, false},
    {Control::Com_one_sample, "Com_one_sample", ControlKind::Button, "=", "One sample.", {5400, 5184, 732, 264}, Colour::of(224, 224, 224), std::nullopt, 56, true, false},
    {Control::Com_draw_on_off, "Com_draw_on_off", ControlKind::Button, "====", "Sampling_on_off.", {6168, 5184, 732, 264}, Colour::of(224, 224, 224), std::nullopt, 54, true, false},
    {Control::Text_top, "Text_top", ControlKind::TextBox, "", "", {48, 1368, 6852, 264}, Colour::of(0, 0, 0), Colour::of(255, 255, 0), 57, true, true},
    {Control::Text_mid, "Text_mid", ControlKind::TextBox, "", "", {48, 3096, 6852, 264}, Colour::of(0, 0, 0), Colour::of(255, 255, 0), 58, true, true},
    {Control::Text_bot, "Text_bot", ControlKind::TextBox, "", "", {48, 4848, 6852, 264}, Colour::of(0, 0, 0), Colour::of(255, 255, 0), 59, true, true},
    {Control::List_Info, "List_Info", ControlKind::ListBox, "", "", {24, 5448, 8436, 648}, Colour::of(224, 224, 224), std::nullopt, 2, true, false},
    {Control::Text_Info, "Text_Info", ControlKind::MultiLineText, "", "", {624, 240, 5700, 4500}, std::nullopt, std::nullopt, 3, false, false},
    {Control::Label1, "Label1", ControlKind::Panel, "", "", {6936, -48, 1548, 5700}, Colour::of(0, 0, 128), std::nullopt, 6, true, false},
}};
// clang-format on

constexpr bool inEnumOrder() {
    for (std::size_t i = 0; i < kTable.size(); ++i) {
        if (static_cast<std::size_t>(kTable[i].id) != i) return false;
    }
    return true;
}
static_assert(inEnumOrder(), "the control table must follow the order of the Control enum");

}  // namespace

const std::array<ControlInfo, kControlCount>& controlTable() {
    return kTable;
}

const ControlInfo& controlInfo(Control c) {
    return kTable[static_cast<std::size_t>(c)];
}

}  // namespace purlo
