// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "NullPorts.h"
#include "app/ConsoleState.h"
#include "support/FileBytes.h"
#include "support/ScratchDir.h"

namespace purlo::fuzz {

// One working directory per fuzzing process, removed when it ends. Every
// input rewrites the files it needs, so nothing carries over between inputs.
// It lies in memory when the system offers that: the saves sync to disk,
// and on a disk that costs more than the rest of a run together.
inline const std::filesystem::path& scratchDir() {
    static const testsupport::ScratchDir dir("purlo-fuzz",
                                             testsupport::ScratchDir::Place::MemoryIfAny);
    return dir.path();
}

using testsupport::readFile;
using testsupport::writeFile;

// The view settings a purlo.Set (or the view buttons) can leave behind, taken
// from the first four bytes of an input: flags, horizontal zoom, vertical
// zoom, sample length. Every value is one the settings file can hold.
struct ViewSettings {
    static constexpr std::size_t kSize = 4;

    // Applies them as a loaded settings file would; the rest of the input is returned.
    static std::string_view apply(std::string_view input, ConsoleState& s) {
        if (input.size() < kSize) return {};
        const auto flags = static_cast<std::uint8_t>(input[0]);
        s.inch_units = (flags & 1) != 0;
        s.raster_on = (flags & 2) != 0;
        s.diagram_slot = static_cast<std::uint8_t>(1 + (flags >> 2) % 3);
        s.zoom_horizontal = static_cast<std::uint8_t>(input[1]);
        s.zoom_vertical = static_cast<std::uint8_t>(input[2]);
        s.sample_length = static_cast<std::uint8_t>(input[3]);
        if (s.sample_length == 0) s.sample_length = 160;
        s.zero_offset_mm = static_cast<std::int16_t>(((flags >> 4) & 7) * 1000 - 2000);
        s.settings_loaded = true;
        return input.substr(kSize);
    }
    // Bit 7 of the flags: a recording runs (live target only).
    static bool recording(std::string_view input) {
        return !input.empty() && (static_cast<std::uint8_t>(input[0]) & 0x80) != 0;
    }
};

}  // namespace purlo::fuzz
