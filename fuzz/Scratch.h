#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "NullPorts.h"
#include "app/ConsoleState.h"

namespace purlo::fuzz {

// One working directory per fuzzing process, removed when it ends. Every
// input rewrites the files it needs, so nothing carries over between inputs.
// It lies in memory when the system offers that: the saves sync to disk,
// and on a disk that costs more than the rest of a run together.
inline const std::filesystem::path& scratchDir() {
    struct Dir {
        Dir() {
            std::error_code ec;
            const std::filesystem::path base =
                std::filesystem::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0
                    ? std::filesystem::path("/dev/shm")
                    : std::filesystem::temp_directory_path();
            std::string pattern = (base / "purlo-fuzz-XXXXXX").string();
            if (::mkdtemp(pattern.data()) == nullptr) fail("cannot create a scratch directory");
            path = pattern;
        }
        ~Dir() {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
        std::filesystem::path path;
    };
    static const Dir dir;
    return dir.path;
}

inline void writeFile(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) fail("cannot write a scratch file");
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

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
