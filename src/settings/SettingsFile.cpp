// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsFile.h"

#include <fstream>

#include "app/Console.h"
#include "app/HandlerFailure.h"
#include "files/ReplaceFile.h"
#include "text/Numbers.h"

namespace purlo {

namespace {

// A number as the file holds it: a blank (or "-") before it and a blank after.
std::string value(long long n) {
    return (n < 0 ? "" : " ") + intText(n) + " ";
}
std::string value(bool b) {
    return b ? "True" : "False";
}

// One line as a sequential text read sees it: ends at CR LF, CR or LF.
std::string nextLine(std::istream& in) {
    std::string line;
    char ch = 0;
    bool any = false;
    while (in.get(ch)) {
        any = true;
        if (ch == '\n') return line;
        if (ch == '\r') {
            if (in.peek() == '\n') in.get();
            return line;
        }
        line += ch;
    }
    if (!any) throw RuntimeError("purlo.Set ends too early");
    return line;
}

std::uint8_t savedSampleLength(const ConsoleState& s) {
    return s.sample_length < 100 ? 160 : s.sample_length;
}

// Without a readable file the echo records still need a length, and the
// caption asks for a save.
void settingsFileFailure(Console& c) {
    if (c.s.sample_length == 0) c.s.sample_length = 160;
    c.ui.setWindowCaption("Save working setting With [Save Probe + PC]");
}

}  // namespace

std::string settingsFileText(const ConsoleState& s) {
    std::string t;
    auto line = [&t](const std::string& v, const char* comment) { t += v + comment + "\r\n"; };
    line(value(static_cast<long long>(s.comm_port)), "    Serial CommPort.");
    line(value(static_cast<long long>(s.pc_baud_rate)), "baud rate.");
    line(value(s.inch_units), "  mm + C or inch + F.");
    line(value(static_cast<long long>(s.zoom_horizontal)), "   Zoom Horizontal.");
    line(value(static_cast<long long>(s.zoom_vertical)), "  Zoom Vertical.");
    line(value(static_cast<long long>(savedSampleLength(s))), "  Sampling Length.");
    line("54211", "  #.");
    line(value(s.check_transducer_flag), "  if 1 or true, check probe transducer!");
    line("2336543", "  Eep.");
    line(value(static_cast<long long>(s.reserve_rc1)), "  Reserve command Rc1.");
    line(value(static_cast<long long>(s.reserve_rc2)), "  Reserve command Rc2.");
    line(value(static_cast<long long>(s.zero_offset_mm)), "  Level offset +/-7000mm maxi.");
    line(value(static_cast<long long>(s.top_alarm)), "  Reserve command Rc4 Top Alarm.");
    line(value(static_cast<long long>(s.bottom_alarm)), "  Reserve command Rc3.Bottom Alarm.");
    line(" ", "");
    line("This is the Purlo Program Setup Purlo.set file. Do not edit.", "");
    line(" ", "");
    return t;
}

SettingsRead readSettings(std::istream& in) {
    SettingsRead r;
    int line = 0;
    auto next = [&in, &line] {
        ++line;
        return nextLine(in);
    };
    try {
        r.comm_port = toWidth<std::uint8_t>(parseNumber(next()));
        r.pc_baud_rate = toWidth<std::int32_t>(parseNumber(next()));
        const std::string units = next();
        if (units.starts_with("True")) {
            r.inch_units = true;
        } else if (units.starts_with("False")) {
            r.inch_units = false;
        }
        r.zoom_horizontal = toWidth<std::uint8_t>(parseNumber(next()));
        r.zoom_vertical = toWidth<std::uint8_t>(parseNumber(next()));
        r.sample_length = toWidth<std::uint8_t>(parseNumber(next()));
        for (int ignored = 7; ignored <= 11; ++ignored) next();
        r.zero_offset_mm = toWidth<std::int16_t>(parseNumber(next()));
    } catch (const std::exception& e) {
        r.failedLine = line;
        r.failure = e.what();
    }
    return r;
}

void applySettings(const SettingsRead& read, Console& c) {
    ConsoleState& s = c.s;
    if (read.comm_port) {
        s.comm_port = *read.comm_port;
        c.ui.setText(Control::Com_Comm_port, "Comm" + intText(s.comm_port));
    }
    if (read.pc_baud_rate) {
        s.pc_baud_rate = *read.pc_baud_rate;
        c.ui.setText(Control::Com_baudrate_pc, intText(s.pc_baud_rate));
    }
    if (read.inch_units) {
        s.inch_units = *read.inch_units;
        c.ui.setText(Control::Com_inch_mm_far_centi, s.inch_units ? "inch/F" : "mm/C");
    }
    if (read.zoom_horizontal) {
        s.zoom_horizontal = *read.zoom_horizontal;
        c.ui.setText(Control::Com_view_zoom_horizontal, intText(s.zoom_horizontal));
    }
    if (read.zoom_vertical) {
        s.zoom_vertical = *read.zoom_vertical;
        c.ui.setText(Control::Com_view_zoom_vertical, intText(s.zoom_vertical));
    }
    if (read.sample_length) s.sample_length = *read.sample_length;
    if (read.zero_offset_mm) s.zero_offset_mm = *read.zero_offset_mm;
}

void applySettings(std::istream& in, Console& c) {
    const SettingsRead read = readSettings(in);
    applySettings(read, c);
    if (!read.complete()) throw RuntimeError(read.failure);
}

void readSettingsFile(Console& c) {
    runHandler(c, settingsFileFailure, [&] {
        std::ifstream in(c.file(kSettingsFileName), std::ios::binary);
        if (!in) throw RuntimeError("no purlo.Set");
        applySettings(in, c);
        if (c.s.sample_length == 0) c.s.sample_length = 160;
        c.s.settings_loaded = true;
    });
}

void Com_Save_to_eeprom_Click(Console& c) {
    runHandler(c, Reaction::windowCaption("No set File or file corrupt! Save again."), [&] {
        replaceFile(c.file(kSettingsFileName), settingsFileText(c.s));
        c.s.sample_length = savedSampleLength(c.s);
        c.s.settings_loaded = false;
        if (c.s.port_open) {
            c.ui.setText(Control::Text_command_to_send, "W");
            c.port.output("W");
        }
    });
}

}  // namespace purlo
