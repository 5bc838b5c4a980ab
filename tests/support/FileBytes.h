// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace purlo::testsupport {

// A whole file's bytes; empty when it cannot be read (a missing file too).
std::string readFile(const std::filesystem::path& file);

// Replaces the file with exactly `bytes`; throws std::runtime_error when it
// cannot, so a fixture never goes on with a file it did not make.
void writeFile(const std::filesystem::path& file, std::string_view bytes);

}  // namespace purlo::testsupport
