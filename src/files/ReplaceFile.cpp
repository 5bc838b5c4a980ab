// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ReplaceFile.h"

#include <random>
#include <string>
#include <system_error>

#include "platform/System.h"
#include "text/RuntimeError.h"

namespace purlo {

namespace {

namespace fs = std::filesystem;
using platform::File;
using platform::OpenMode;

// The file a link points at, so the link survives the rename.
fs::path resolved(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_symlink(path, ec)) return path;
    fs::path target = fs::canonical(path, ec);
    return ec ? path : target;
}

// A new, empty file next to `path` that nobody else has opened.
File createSibling(const fs::path& path, fs::path& name, std::error_code& ec) {
    std::random_device random;
    for (int attempt = 0; attempt < 32; ++attempt) {
        fs::path leaf = ".";
        leaf += path.filename();
        leaf += ".new-" + std::to_string(random());
        name = path.parent_path() / leaf;
        File file = File::open(name, OpenMode::CreateNew, ec);
        if (file.isOpen() || ec != std::errc::file_exists) return file;
    }
    return {};
}

// The folder takes no new file (it is write-protected for this user), yet the
// file itself may be writable: then it is rewritten in place, as a plain write
// would, and its bytes are made to reach the disk before this returns.
void rewriteInPlace(const fs::path& path, std::string_view bytes, const std::string& what) {
    std::error_code ec;
    File file = File::open(path, OpenMode::Truncate, ec);
    if (!file.isOpen()) throw RuntimeError("cannot create a new " + what);
    file.write(bytes, ec);
    bool ok = !ec && file.sync(ec);
    ok = file.close(ec) && ok;
    if (!ok) throw RuntimeError("cannot write " + what);
}

}  // namespace

void replaceFile(const fs::path& requested, std::string_view bytes) {
    const fs::path path = resolved(requested);
    const std::string what = platform::utf8(path.filename());
    // A write-protected file stays protected, as it would with a plain write.
    if (platform::writeProtected(path)) throw RuntimeError(what + " is write-protected");
    fs::path temp;
    std::error_code ec;
    File file = createSibling(path, temp, ec);
    if (!file.isOpen()) {
        // Only a folder that refuses new files falls back; a full disk or a
        // read-only file system would fail the rewrite too, after emptying
        // the old file.
        if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted) {
            return rewriteInPlace(path, bytes, what);
        }
        throw RuntimeError("cannot create a new " + what);
    }

    file.write(bytes, ec);
    bool ok = !ec && file.copyPermissionsOf(path, ec) && file.sync(ec);
    ok = file.close(ec) && ok;
    ok = ok && platform::replaceByRename(temp, path, ec);
    if (!ok) {
        fs::remove(temp, ec);
        throw RuntimeError("cannot write " + what);
    }
    // Makes the rename itself durable; a file system that cannot do this
    // still has the complete new file, so a failure here is not reported.
    platform::syncFolder(path.parent_path());
}

}  // namespace purlo
