// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/ReplyDecoder.h"

#include <array>

#include "text/Numbers.h"

namespace purlo {

namespace {

ReplyDisplay caption(Control c, std::string text) {
    return {ReplyDisplay::Target::ControlText, c, std::move(text)};
}

ReplyDisplay infoLine(std::string text) {
    return {ReplyDisplay::Target::InfoLine, Control::List_Info, std::move(text)};
}

}  // namespace

std::optional<ReplyDisplay> decodeReply(std::string_view line, ConsoleState& s, char sep) {
    s.reply_code = line.empty() ? ' ' : line.front();
    if (line.empty()) return std::nullopt;
    const std::string_view argument = line.substr(1);
    const double value = parseNumber(argument);
    auto text = [sep](float v) { return floatText(v, sep); };

    switch (line.front()) {
        case 'D': {
            const float distance = toSingle(value);
            s.fill_height = toSingle(static_cast<double>(s.zero_offset_mm) - distance);
            if (s.inch_units) {
                s.fill_height = roundToDecimals(toSingle(s.fill_height / 25.4), 2);
                return ReplyDisplay{ReplyDisplay::Target::WindowCaption, Control::List_Info,
                                    text(s.fill_height) + " inch"};
            }
            return ReplyDisplay{ReplyDisplay::Target::WindowCaption, Control::List_Info,
                                " " + text(s.fill_height) + " mm"};
        }
        case 'x':
            s.probe_baud_rate = toWidth<std::int32_t>(value);
            return caption(Control::Com_micro_view_baudrate, intText(s.probe_baud_rate));
        case 'c':
            s.temperature = toSingle(value);
            s.temperature = roundToDecimals(toSingle(s.temperature / 10.0), 1);
            return caption(Control::Com_view_temperature, text(s.temperature));
        case 'w':
            s.sound_speed = toSingle(value);
            s.sound_speed = roundToDecimals(toSingle(s.sound_speed / 10.0), 1);
            return caption(Control::Com_view_us_speed, text(s.sound_speed));
        case 'q':
            s.frequency_index = toWidth<std::uint8_t>(value);
            if (const auto khz = transducerKhz(s.frequency_index)) s.transducer_khz = *khz;
            return caption(Control::Com_view_us_fq, text(s.transducer_khz) + "kc");
        case 'Y':
            s.sample_rate = toWidth<std::uint8_t>(value);
            return caption(Control::Com_view_Probe_sample_rate, "Sd " + intText(s.sample_rate));
        case 'k':
            s.temperature_coefficient = toSingle(value);
            if (s.inch_units) {
                s.temperature_coefficient =
                    roundToDecimals(toSingle(s.temperature_coefficient / 2.54), 1);
                return caption(Control::Com_view_koef, text(s.temperature_coefficient) + "in/s");
            }
            s.temperature_coefficient =
                roundToDecimals(toSingle(s.temperature_coefficient / 100.0), 2);
            return caption(Control::Com_view_koef, text(s.temperature_coefficient) + "m/s");
        case 'j':
            s.burst_interval = toWidth<std::uint8_t>(value);
            return caption(Control::Com_view_burst_interval, "i " + intText(s.burst_interval));
        case 'P':
            s.burst_length = toWidth<std::uint8_t>(value);
            return caption(Control::Com_view_burst_length, "P " + intText(s.burst_length));
        case 's':
            s.transducer_volt = toSingle(value);
            s.transducer_volt = roundToDecimals(toSingle(s.transducer_volt / 10.0), 1);
            return caption(Control::Com_view_zender_volt, "U " + text(s.transducer_volt));
        case 'm':
            // Probe time units to cm: the sound covers the dead time there and back.
            s.dead_zone = toSingle(value);
            s.dead_zone = toSingle(s.dead_zone * 1.302);
            s.dead_zone = toSingle(s.dead_zone * 0.0331 / 2.0);
            if (s.inch_units) {
                s.dead_zone = roundToDecimals(toSingle(s.dead_zone / 2.54), 1);
                return caption(Control::Com_view_dead_time, text(s.dead_zone) + " in");
            }
            s.dead_zone = roundToDecimals(s.dead_zone, 0);
            return caption(Control::Com_view_dead_time, text(s.dead_zone) + "cm");
        case 'a':
            s.tuning_mode = toWidth<std::uint8_t>(value);
            if (s.tuning_mode == 1) return caption(Control::Com_auto_manuel, "Manuel tuning");
            if (s.tuning_mode == 2) return caption(Control::Com_auto_manuel, "Auto Tuning");
            return std::nullopt;
        case 'o':
            s.receive_mode = toWidth<std::uint8_t>(value);
            if (s.receive_mode == 1) return caption(Control::Com_probe_print_on, "Rx Non Stop");
            if (s.receive_mode == 2) return caption(Control::Com_probe_print_on, "Rx each Burst");
            if (s.receive_mode == 3) return caption(Control::Com_probe_print_on, "RX on request");
            return std::nullopt;
        case 'e': s.echo_b = toWidth<std::int32_t>(value); return std::nullopt;
        case 'g': s.burst_b = toWidth<std::int32_t>(value); return std::nullopt;
        case 'n':
            s.reload_frequency = toWidth<std::uint8_t>(value);
            return infoLine("The Reload Frequencie is actually;  " + intText(s.reload_frequency));
        case 'O': return infoLine("OOO Transducer contact with WATER or DURST; Check PROBE! OOO");
        default: return std::nullopt;
    }
}

std::optional<DecodedReply> decodedValue(char code, const ConsoleState& s) {
    const auto value = [&s](ProbeValue v, double number) {
        return DecodedReply{v, number, probeValueUnit(v, s.inch_units)};
    };
    switch (code) {
        case 'D': return value(ProbeValue::FillHeight, s.fill_height);
        case 'x': return value(ProbeValue::ProbeBaudRate, s.probe_baud_rate);
        case 'c': return value(ProbeValue::Temperature, s.temperature);
        case 'w': return value(ProbeValue::SoundSpeed, s.sound_speed);
        case 'q': return value(ProbeValue::FrequencyKhz, s.transducer_khz);
        case 'Y': return value(ProbeValue::SampleRate, s.sample_rate);
        case 'k': return value(ProbeValue::TemperatureCoefficient, s.temperature_coefficient);
        case 'j': return value(ProbeValue::BurstInterval, s.burst_interval);
        case 'P': return value(ProbeValue::BurstLength, s.burst_length);
        case 's': return value(ProbeValue::TransducerVoltage, s.transducer_volt);
        case 'm': return value(ProbeValue::DeadZone, s.dead_zone);
        case 'a': return value(ProbeValue::TuningMode, s.tuning_mode);
        case 'o': return value(ProbeValue::ReceiveMode, s.receive_mode);
        case 'e': return value(ProbeValue::EchoBounce, s.echo_b);
        case 'g': return value(ProbeValue::BurstBounce, s.burst_b);
        case 'n': return value(ProbeValue::ReloadFrequency, s.reload_frequency);
        default: return std::nullopt;
    }
}

}  // namespace purlo
