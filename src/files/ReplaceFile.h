// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string_view>

namespace purlo {

// Replaces the file at `path` by `bytes` so that it holds either its old
// content or the new one, never a part of it: the bytes go into a new file in
// the same directory, reach the disk, and that file is then renamed over the
// old one. The old file's permission bits are kept; a symbolic link keeps
// pointing at the file it names, and a write-protected file is refused like a
// plain write would be. On any failure the old file is left as it
// was, the new one is removed and RuntimeError is thrown.
//
// A folder the user may not write takes no new file. A writable file there
// is then rewritten in place (written, flushed and synced), as a plain write
// would; only when that fails too is RuntimeError thrown.
void replaceFile(const std::filesystem::path& path, std::string_view bytes);

}  // namespace purlo
