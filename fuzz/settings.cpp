// SPDX-License-Identifier: GPL-3.0-or-later
// Any purlo.Set another installation, an editor or a crash left behind must
// be read or refused cleanly, never crash or hang. The read is pure, so it is
// fuzzed alone; applying what was read is plain assignment.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "app/ConsoleState.h"
#include "settings/SettingsFile.h"

namespace {

purlo::SettingsRead read(const std::string& text) {
    std::istringstream in(text);
    return purlo::readSettings(in);
}

// A read that stopped at a line holds the value of every line before it and
// of none from it on; line 3 gives the units only when it says True or False.
bool stopsWhereItSays(const purlo::SettingsRead& r) {
    const int stop = r.complete() ? 13 : r.failedLine;  // 13: past the last line read
    auto heldBefore = [stop](bool held, int line) { return held == (line < stop); };
    return stop >= 1 && stop <= 13 && heldBefore(r.comm_port.has_value(), 1) &&
           heldBefore(r.pc_baud_rate.has_value(), 2) && (stop > 3 || !r.inch_units.has_value()) &&
           heldBefore(r.zoom_horizontal.has_value(), 4) &&
           heldBefore(r.zoom_vertical.has_value(), 5) &&
           heldBefore(r.sample_length.has_value(), 6) &&
           heldBefore(r.zero_offset_mm.has_value(), 12);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace purlo;
    const SettingsRead first = read(std::string(reinterpret_cast<const char*>(data), size));
    if (!stopsWhereItSays(first)) __builtin_trap();
    if (!first.complete()) return 0;  // refused: what was read stays applied, as at a Start

    // A file that was read whole must save back to one that reads the same.
    ConsoleState s;
    s.comm_port = *first.comm_port;
    s.pc_baud_rate = *first.pc_baud_rate;
    if (first.inch_units) s.inch_units = *first.inch_units;
    s.zoom_horizontal = *first.zoom_horizontal;
    s.zoom_vertical = *first.zoom_vertical;
    s.sample_length = *first.sample_length;
    s.zero_offset_mm = *first.zero_offset_mm;
    const SettingsRead again = read(settingsFileText(s));
    const std::uint8_t savedLength = s.sample_length < 100 ? 160 : s.sample_length;
    if (!again.complete() || again.comm_port != s.comm_port ||
        again.pc_baud_rate != s.pc_baud_rate || again.inch_units != s.inch_units ||
        again.zoom_horizontal != s.zoom_horizontal || again.zoom_vertical != s.zoom_vertical ||
        again.sample_length != savedLength || again.zero_offset_mm != s.zero_offset_mm) {
        __builtin_trap();
    }
    return 0;
}
