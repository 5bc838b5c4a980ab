#pragma once

#include <filesystem>
#include <string_view>

namespace purlo {

// Replaces `path` with `bytes` so that a failure never leaves a half-written
// file: the bytes go to a temporary file in the same directory, which is then
// renamed over the old one. On any failure the temporary file is removed, the
// old file is left as it was, and RuntimeError is thrown.
void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace purlo
