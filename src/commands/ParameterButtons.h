#pragma once

#include <optional>
#include <span>

#include "app/Controls.h"

namespace purlo {

class Console;
struct ConsoleState;

// A button of the right-hand column that sends the probe one fixed command
// character. A button with a condition holds its character back while the
// last reported value says the probe is already at the end of that range.
struct ParameterButton {
    Control control;
    char command;
    bool (*allowed)(const ConsoleState&);  // nullptr: always sends
};

// Every plain parameter button: the "<", ">" and view buttons of the
// parameter rows, Temp, Restart Probe and Reset default.
std::span<const ParameterButton> parameterButtons();
const ParameterButton* parameterButton(Control c);

// The click of a plain parameter button: when its condition holds, the
// command box shows the character and then the character goes out. A closed
// port or a failing write ends the click silently, box already written.
void Com_parameter_Click(Console& c, const ParameterButton& button);

// Runs the click of `control` when it is a plain parameter button; false
// when it is not one.
bool parameterButtonClick(Console& c, Control control);

// "Auto / Manuel": asks for the tuning mode while it is unknown, otherwise
// switches manual <-> auto. Sends first and writes the command box only when
// the send worked.
void Com_auto_manuel_Click(Console& c);

// "Receive 1 2 3": asks for the transmit mode while it is unknown, otherwise
// moves the probe one step along 1, 2, 3, 1.
void Com_probe_print_on_Click(Console& c);

// The handlers under their window names, each a row of the table.
// clang-format off
inline void Com_burst_interval_min_Click(Console& c) { parameterButtonClick(c, Control::Com_burst_interval_min); }
inline void Com_burst_interval_plus_Click(Console& c) { parameterButtonClick(c, Control::Com_burst_interval_plus); }
inline void Com_view_burst_interval_Click(Console& c) { parameterButtonClick(c, Control::Com_view_burst_interval); }
inline void Com_burst_length_min_Click(Console& c) { parameterButtonClick(c, Control::Com_burst_length_min); }
inline void Com_burst_length_plus_Click(Console& c) { parameterButtonClick(c, Control::Com_burst_length_plus); }
inline void Com_view_burst_length_Click(Console& c) { parameterButtonClick(c, Control::Com_view_burst_length); }
inline void Com_zender_volt_min_Click(Console& c) { parameterButtonClick(c, Control::Com_zender_volt_min); }
inline void Com_zender_volt_plus_Click(Console& c) { parameterButtonClick(c, Control::Com_zender_volt_plus); }
inline void Com_view_zender_volt_Click(Console& c) { parameterButtonClick(c, Control::Com_view_zender_volt); }
inline void Com_us_fq_min_Click(Console& c) { parameterButtonClick(c, Control::Com_us_fq_min); }
inline void Com_us_fq_plus_Click(Console& c) { parameterButtonClick(c, Control::Com_us_fq_plus); }
inline void Com_view_us_fq_Click(Console& c) { parameterButtonClick(c, Control::Com_view_us_fq); }
inline void Com_Probe_sample_rate_min_Click(Console& c) { parameterButtonClick(c, Control::Com_Probe_sample_rate_min); }
inline void Com_Probe_sample_rate_plus_Click(Console& c) { parameterButtonClick(c, Control::Com_Probe_sample_rate_plus); }
inline void Com_view_Probe_sample_rate_Click(Console& c) { parameterButtonClick(c, Control::Com_view_Probe_sample_rate); }
inline void Com_dead_time_min_Click(Console& c) { parameterButtonClick(c, Control::Com_dead_time_min); }
inline void Com_dead_time_plus_Click(Console& c) { parameterButtonClick(c, Control::Com_dead_time_plus); }
inline void Com_view_dead_time_Click(Console& c) { parameterButtonClick(c, Control::Com_view_dead_time); }
inline void Com_us_speed_min_Click(Console& c) { parameterButtonClick(c, Control::Com_us_speed_min); }
inline void Com_us_speed_plus_Click(Console& c) { parameterButtonClick(c, Control::Com_us_speed_plus); }
inline void Com_view_us_speed_Click(Console& c) { parameterButtonClick(c, Control::Com_view_us_speed); }
inline void Com_koef_min_Click(Console& c) { parameterButtonClick(c, Control::Com_koef_min); }
inline void Com_koef_plus_Click(Console& c) { parameterButtonClick(c, Control::Com_koef_plus); }
inline void Com_view_koef_Click(Console& c) { parameterButtonClick(c, Control::Com_view_koef); }
inline void Com_micro_min_baudrate_Click(Console& c) { parameterButtonClick(c, Control::Com_micro_min_baudrate); }
inline void Com_micro_plus_baudrate_Click(Console& c) { parameterButtonClick(c, Control::Com_micro_plus_baudrate); }
inline void Com_micro_view_baudrate_Click(Console& c) { parameterButtonClick(c, Control::Com_micro_view_baudrate); }
inline void Com_view_temperature_Click(Console& c) { parameterButtonClick(c, Control::Com_view_temperature); }
inline void Com_reset_probe_Click(Console& c) { parameterButtonClick(c, Control::Com_reset_probe); }
inline void Com_reset_to_default_Click(Console& c) { parameterButtonClick(c, Control::Com_reset_to_default); }
// clang-format on

}  // namespace purlo
