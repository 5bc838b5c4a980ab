// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace purlo {

// The reference echo file in the working folder.
inline constexpr const char* kReferenceEchoFileName = "Purlo-reference.echo";

// How one sample of a record compares with the reference.
enum class SampleMatch : std::uint8_t { Both, OnlyNew, OnlyReference, Neither };

struct MatchCounts {
    std::size_t both = 0;
    std::size_t onlyNew = 0;
    std::size_t onlyReference = 0;
    std::size_t neither = 0;
};

// Compares `record` with `reference` sample by sample over the longer of the
// two (samples past a record's end are low), into `out` (resized; its memory
// is reused from call to call). Returns the counts of each outcome.
MatchCounts compareEcho(std::span<const std::uint8_t> reference,
                        std::span<const std::uint8_t> record, std::vector<SampleMatch>& out);

// The file holds whole sample bytes: 8 to 2048 samples.
inline constexpr std::size_t kReferenceMaxBytes = 256;

// The file's text:
//   Purlo reference echo 1          (what the file is, and its format version)
//   samples 1280                    (eight per byte, most significant bit first)
//   bytes 00ff80...                 (the sample bytes in hex, two digits each)
// with CRLF line ends. A reader also takes LF alone and either case of hex.
std::string referenceEchoText(std::span<const std::uint8_t> bytes);

// The outcome of reading a reference echo: the bytes, or why the text is refused.
struct ReferenceRead {
    std::vector<std::uint8_t> bytes;
    std::string error;  // empty when the text was read
    bool ok() const { return error.empty(); }
};

// Reads the text of a reference echo file. Never throws for any input.
ReferenceRead parseReferenceEcho(std::string_view text);

// Saves the bytes to the file in `folder`, replacing it whole or not at all.
// Returns the message for the operator when that failed.
std::optional<std::string> saveReferenceEcho(const std::filesystem::path& folder,
                                             std::span<const std::uint8_t> bytes);
// Reads the file in `folder`; a missing, unreadable, damaged or foreign file
// gives an error naming the file.
ReferenceRead loadReferenceEcho(const std::filesystem::path& folder);

}  // namespace purlo
