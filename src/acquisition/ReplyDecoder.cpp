// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/ReplyDecoder.h"

#include <array>

#include "protocol/Vocabulary.h"
#include "text/Numbers.h"

namespace purlo {

namespace {

ReplyDisplay caption(Control c, std::string text) {
    return {ReplyDisplay::Target::ControlText, c, std::move(text)};
}

ReplyDisplay infoLine(std::string text) {
    return {ReplyDisplay::Target::InfoLine, Control::List_Info, std::move(text)};
}

// The number the decoder stored for a value.
double storedNumber(ProbeValue v, const ConsoleState& s) {
    switch (v) {
        case ProbeValue::FillHeight: return s.fill_height;
        case ProbeValue::ProbeBaudRate: return s.probe_baud_rate;
        case ProbeValue::Temperature: return s.temperature;
        case ProbeValue::SoundSpeed: return s.sound_speed;
        case ProbeValue::FrequencyKhz: return s.transducer_khz;
        case ProbeValue::SampleRate: return s.sample_rate;
        case ProbeValue::TemperatureCoefficient: return s.temperature_coefficient;
        case ProbeValue::BurstInterval: return s.burst_interval;
        case ProbeValue::BurstLength: return s.burst_length;
        case ProbeValue::TransducerVoltage: return s.transducer_volt;
        case ProbeValue::DeadZone: return s.dead_zone;
        case ProbeValue::TuningMode: return s.tuning_mode;
        case ProbeValue::ReceiveMode: return s.receive_mode;
        case ProbeValue::EchoBounce: return s.echo_b;
        case ProbeValue::BurstBounce: return s.burst_b;
        case ProbeValue::ReloadFrequency: return s.reload_frequency;
    }
    return 0.0;
}

}  // namespace

std::optional<ReplyDisplay> decodeReply(std::string_view line, ConsoleState& s, char sep) {
    s.reply_code = line.empty() ? ' ' : line.front();
    if (line.empty()) return std::nullopt;
    const std::string_view argument = line.substr(1);
    const double value = parseNumber(argument);
    auto text = [sep](float v) { return floatText(v, sep); };

    if (line.front() == protocol::kAlarmReply) {
        return infoLine("OOO Transducer contact with WATER or DURST; Check PROBE! OOO");
    }
    const protocol::Reported* row = protocol::byReply(line.front());
    if (row == nullptr) return std::nullopt;
    switch (row->value) {
        case ProbeValue::FillHeight: {
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
        case ProbeValue::ProbeBaudRate:
            s.probe_baud_rate = toWidth<std::int32_t>(value);
            return caption(Control::Com_micro_view_baudrate, intText(s.probe_baud_rate));
        case ProbeValue::Temperature:
            s.temperature = toSingle(value);
            s.temperature = roundToDecimals(toSingle(s.temperature / 10.0), 1);
            return caption(Control::Com_view_temperature, text(s.temperature));
        case ProbeValue::SoundSpeed:
            s.sound_speed = toSingle(value);
            s.sound_speed = roundToDecimals(toSingle(s.sound_speed / 10.0), 1);
            return caption(Control::Com_view_us_speed, text(s.sound_speed));
        case ProbeValue::FrequencyKhz:
            s.frequency_index = toWidth<std::uint8_t>(value);
            if (const auto khz = transducerKhz(s.frequency_index)) s.transducer_khz = *khz;
            return caption(Control::Com_view_us_fq, text(s.transducer_khz) + "kc");
        case ProbeValue::SampleRate:
            s.sample_rate = toWidth<std::uint8_t>(value);
            return caption(Control::Com_view_Probe_sample_rate, "Sd " + intText(s.sample_rate));
        case ProbeValue::TemperatureCoefficient:
            s.temperature_coefficient = toSingle(value);
            if (s.inch_units) {
                s.temperature_coefficient =
                    roundToDecimals(toSingle(s.temperature_coefficient / 2.54), 1);
                return caption(Control::Com_view_koef, text(s.temperature_coefficient) + "in/s");
            }
            s.temperature_coefficient =
                roundToDecimals(toSingle(s.temperature_coefficient / 100.0), 2);
            return caption(Control::Com_view_koef, text(s.temperature_coefficient) + "m/s");
        case ProbeValue::BurstInterval:
            s.burst_interval = toWidth<std::uint8_t>(value);
            return caption(Control::Com_view_burst_interval, "i " + intText(s.burst_interval));
        case ProbeValue::BurstLength:
            s.burst_length = toWidth<std::uint8_t>(value);
            return caption(Control::Com_view_burst_length, "P " + intText(s.burst_length));
        case ProbeValue::TransducerVoltage:
            s.transducer_volt = toSingle(value);
            s.transducer_volt = roundToDecimals(toSingle(s.transducer_volt / 10.0), 1);
            return caption(Control::Com_view_zender_volt, "U " + text(s.transducer_volt));
        case ProbeValue::DeadZone:
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
        case ProbeValue::TuningMode:
            s.tuning_mode = toWidth<std::uint8_t>(value);
            if (s.tuning_mode == 1) return caption(Control::Com_auto_manuel, "Manuel tuning");
            if (s.tuning_mode == 2) return caption(Control::Com_auto_manuel, "Auto Tuning");
            return std::nullopt;
        case ProbeValue::ReceiveMode:
            s.receive_mode = toWidth<std::uint8_t>(value);
            if (s.receive_mode == 1) return caption(Control::Com_probe_print_on, "Rx Non Stop");
            if (s.receive_mode == 2) return caption(Control::Com_probe_print_on, "Rx each Burst");
            if (s.receive_mode == 3) return caption(Control::Com_probe_print_on, "RX on request");
            return std::nullopt;
        case ProbeValue::EchoBounce: s.echo_b = toWidth<std::int32_t>(value); return std::nullopt;
        case ProbeValue::BurstBounce: s.burst_b = toWidth<std::int32_t>(value); return std::nullopt;
        case ProbeValue::ReloadFrequency:
            s.reload_frequency = toWidth<std::uint8_t>(value);
            return infoLine("The Reload Frequencie is actually;  " + intText(s.reload_frequency));
    }
    return std::nullopt;
}

std::optional<DecodedReply> decodedValue(char code, const ConsoleState& s) {
    const protocol::Reported* row = protocol::byReply(code);
    if (row == nullptr) return std::nullopt;
    return DecodedReply{row->value, storedNumber(row->value, s),
                        probeValueUnit(row->value, s.inch_units)};
}

}  // namespace purlo
