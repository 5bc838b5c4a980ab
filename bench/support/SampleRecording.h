// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>

namespace purlo::bench {

// Makes a recording (Purlo.Spl) of at least `bytes` bytes the way the console
// makes one: the console core runs live acquisition against the simulated
// probe in memory (at the pace of a 38400 bit/s line, but without waiting for
// it) and records with "#" until the file is that long. Its content is
// exactly what a live recording holds: reply lines, echo records of 160
// bytes behind their marker, the distance reply after each record.
// Returns the length of the file written to `file`.
std::int64_t makeSampleRecording(const std::filesystem::path& file, std::int64_t bytes);

}  // namespace purlo::bench
