// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands/ParameterButtons.h"

#include <algorithm>
#include <array>
#include <string>

#include "app/Console.h"
#include "app/HandlerFailure.h"

namespace purlo {

namespace {

// A step past the end of the probe's range is held back here, judged on the
// last reported value. An unreported value is 0, so the downward steps wait
// for the first report while the upward ones go out at once.
bool burstLengthAboveOne(const ConsoleState& s) {
    return s.burst_length > 1;
}
bool frequencyCanFall(const ConsoleState& s) {
    return s.frequency_index > 4;
}
bool frequencyCanRise(const ConsoleState& s) {
    return s.frequency_index < 54;
}
bool sampleRateCanFall(const ConsoleState& s) {
    return s.sample_rate > 1;
}
bool sampleRateCanRise(const ConsoleState& s) {
    return s.sample_rate < 100;
}

constexpr std::array kButtons{
    ParameterButton{Control::Com_burst_interval_min, 'i', nullptr},
    ParameterButton{Control::Com_burst_interval_plus, 'I', nullptr},
    ParameterButton{Control::Com_view_burst_interval, 'j', nullptr},
    ParameterButton{Control::Com_burst_length_min, 'r', burstLengthAboveOne},
    ParameterButton{Control::Com_burst_length_plus, 'R', nullptr},
    ParameterButton{Control::Com_view_burst_length, 'P', nullptr},
    ParameterButton{Control::Com_zender_volt_min, 'u', nullptr},
    ParameterButton{Control::Com_zender_volt_plus, 'U', nullptr},
    ParameterButton{Control::Com_view_zender_volt, 's', nullptr},
    ParameterButton{Control::Com_us_fq_min, 'f', frequencyCanFall},
    ParameterButton{Control::Com_us_fq_plus, 'F', frequencyCanRise},
    ParameterButton{Control::Com_view_us_fq, 'q', nullptr},
    ParameterButton{Control::Com_Probe_sample_rate_min, '4', sampleRateCanFall},
    ParameterButton{Control::Com_Probe_sample_rate_plus, '5', sampleRateCanRise},
    ParameterButton{Control::Com_view_Probe_sample_rate, 'Y', nullptr},
    ParameterButton{Control::Com_dead_time_min, 'd', nullptr},
    ParameterButton{Control::Com_dead_time_plus, 'D', nullptr},
    ParameterButton{Control::Com_view_dead_time, 'm', nullptr},
    ParameterButton{Control::Com_us_speed_min, 'v', nullptr},
    ParameterButton{Control::Com_us_speed_plus, 'V', nullptr},
    ParameterButton{Control::Com_view_us_speed, 'w', nullptr},
    ParameterButton{Control::Com_koef_min, 't', nullptr},
    ParameterButton{Control::Com_koef_plus, 'T', nullptr},
    ParameterButton{Control::Com_view_koef, 'k', nullptr},
    ParameterButton{Control::Com_micro_min_baudrate, 'b', nullptr},
    ParameterButton{Control::Com_micro_plus_baudrate, 'B', nullptr},
    ParameterButton{Control::Com_micro_view_baudrate, 'x', nullptr},
    ParameterButton{Control::Com_view_temperature, 'c', nullptr},
    ParameterButton{Control::Com_reset_probe, 'Z', nullptr},
    ParameterButton{Control::Com_reset_to_default, 'S', nullptr},
};

}  // namespace

std::span<const ParameterButton> parameterButtons() {
    return kButtons;
}

const ParameterButton* parameterButton(Control c) {
    const auto it = std::ranges::find(kButtons, c, &ParameterButton::control);
    return it == kButtons.end() ? nullptr : &*it;
}

void Com_parameter_Click(Console& c, const ParameterButton& button) {
    // A button never reports: with the port closed nothing goes out, and
    // the command box shows what was meant to be sent.
    runHandler(c, Reaction::silent(), [&] {
        if (button.allowed != nullptr && !button.allowed(c.s)) return;
        const std::string command(1, button.command);
        c.ui.setText(Control::Text_command_to_send, command);
        c.port.output(command);
    });
}

bool parameterButtonClick(Console& c, Control control) {
    const ParameterButton* button = parameterButton(control);
    if (button == nullptr) return false;
    Com_parameter_Click(c, *button);
    return true;
}

void Com_auto_manuel_Click(Console& c) {
    // Silent like every button; the box keeps its text, as nothing went out.
    runHandler(c, Reaction::silent(), [&] {
        char command = '\0';
        switch (c.s.tuning_mode) {
            case 0: command = 'a'; break;  // not reported yet: ask
            case 1: command = 'A'; break;  // manual: switch to auto tuning
            case 2: command = 'M'; break;  // auto: switch to manual control
            default: return;
        }
        const std::string text(1, command);
        c.port.output(text);
        c.ui.setText(Control::Text_command_to_send, text);
    });
}

void Com_probe_print_on_Click(Console& c) {
    runHandler(c, Reaction::silent(), [&] {
        char command = '\0';
        switch (c.s.receive_mode) {
            case 0: command = 'o'; break;  // not reported yet: ask
            case 1: command = '2'; break;
            case 2: command = '3'; break;
            case 3: command = '1'; break;
            default: return;
        }
        const std::string text(1, command);
        c.ui.setText(Control::Text_command_to_send, text);
        c.port.output(text);
    });
}

}  // namespace purlo
