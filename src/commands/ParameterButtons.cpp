// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands/ParameterButtons.h"

#include <algorithm>
#include <array>
#include <string>

#include "app/Console.h"
#include "app/HandlerFailure.h"

namespace purlo {

namespace {

// A parameter row of the right-hand column: "<", the view button, ">".
struct Row {
    Control down;
    Control view;
    Control up;
    ProbeValue value;
};

// clang-format off
constexpr std::array kRows{
    Row{Control::Com_burst_interval_min, Control::Com_view_burst_interval, Control::Com_burst_interval_plus, ProbeValue::BurstInterval},
    Row{Control::Com_burst_length_min, Control::Com_view_burst_length, Control::Com_burst_length_plus, ProbeValue::BurstLength},
    Row{Control::Com_zender_volt_min, Control::Com_view_zender_volt, Control::Com_zender_volt_plus, ProbeValue::TransducerVoltage},
    Row{Control::Com_us_fq_min, Control::Com_view_us_fq, Control::Com_us_fq_plus, ProbeValue::FrequencyKhz},
    Row{Control::Com_Probe_sample_rate_min, Control::Com_view_Probe_sample_rate, Control::Com_Probe_sample_rate_plus, ProbeValue::SampleRate},
    Row{Control::Com_dead_time_min, Control::Com_view_dead_time, Control::Com_dead_time_plus, ProbeValue::DeadZone},
    Row{Control::Com_us_speed_min, Control::Com_view_us_speed, Control::Com_us_speed_plus, ProbeValue::SoundSpeed},
    Row{Control::Com_koef_min, Control::Com_view_koef, Control::Com_koef_plus, ProbeValue::TemperatureCoefficient},
    Row{Control::Com_micro_min_baudrate, Control::Com_micro_view_baudrate, Control::Com_micro_plus_baudrate, ProbeValue::ProbeBaudRate},
};
// clang-format on

constexpr std::size_t kButtonCount = 3 * kRows.size() + 3;

// Every row's three buttons with their letters and limits from the probe's
// vocabulary, then Temp, Restart Probe and Reset default.
constexpr std::array<ParameterButton, kButtonCount> makeButtons() {
    std::array<ParameterButton, kButtonCount> buttons{};
    std::size_t n = 0;
    for (const Row& row : kRows) {
        const protocol::Reported& r = protocol::reported(row.value);
        buttons[n++] = {row.down, r.down, row.value, r.downAbove, protocol::kNoLimit};
        buttons[n++] = {row.view, r.query, row.value};
        buttons[n++] = {row.up, r.up, row.value, protocol::kNoLimit, r.upBelow};
    }
    buttons[n++] = {Control::Com_view_temperature,
                    protocol::reported(ProbeValue::Temperature).query};
    buttons[n++] = {Control::Com_reset_probe, protocol::kRestart};
    buttons[n++] = {Control::Com_reset_to_default, protocol::kDefaults};
    return buttons;
}

constexpr auto kButtons = makeButtons();

// The number as the probe reported it, for the values a button holds back
// at a limit (the frequency's index, not its kHz).
int reportedNumber(ProbeValue v, const ConsoleState& s) {
    switch (v) {
        case ProbeValue::FrequencyKhz: return s.frequency_index;
        case ProbeValue::BurstLength: return s.burst_length;
        case ProbeValue::SampleRate: return s.sample_rate;
        default: return 0;
    }
}

}  // namespace

std::span<const ParameterButton> parameterButtons() {
    return kButtons;
}

const ParameterButton* parameterButton(Control c) {
    const auto it = std::ranges::find(kButtons, c, &ParameterButton::control);
    return it == kButtons.end() ? nullptr : &*it;
}

bool sendsNow(const ParameterButton& button, const ConsoleState& s) {
    if (button.above == protocol::kNoLimit && button.below == protocol::kNoLimit) return true;
    const int number = reportedNumber(button.value, s);
    return (button.above == protocol::kNoLimit || number > button.above) &&
           (button.below == protocol::kNoLimit || number < button.below);
}

void Com_parameter_Click(Console& c, const ParameterButton& button) {
    // A button never reports: with the port closed nothing goes out, and
    // the command box shows what was meant to be sent.
    runHandler(c, Reaction::silent(), [&] {
        if (!sendsNow(button, c.s)) return;
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
            case 0: command = protocol::reported(ProbeValue::TuningMode).query; break;  // ask
            case 1: command = protocol::kAutoTuning; break;    // manual: switch to auto tuning
            case 2: command = protocol::kManualTuning; break;  // auto: switch to manual control
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
            case 0: command = protocol::reported(ProbeValue::ReceiveMode).query; break;  // ask
            case 1: command = protocol::kReceiveModes[1]; break;
            case 2: command = protocol::kReceiveModes[2]; break;
            case 3: command = protocol::kReceiveModes[0]; break;
            default: return;
        }
        const std::string text(1, command);
        c.ui.setText(Control::Text_command_to_send, text);
        c.port.output(text);
    });
}

}  // namespace purlo
