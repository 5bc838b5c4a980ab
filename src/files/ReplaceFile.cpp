// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ReplaceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>
#include <system_error>

#include "text/RuntimeError.h"

namespace purlo {

namespace {

namespace fs = std::filesystem;

// The file a link points at, so the link survives the rename.
fs::path resolved(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_symlink(path, ec)) return path;
    fs::path target = fs::canonical(path, ec);
    return ec ? path : target;
}

// A new, empty file next to `path` that nobody else has opened.
int createSibling(const fs::path& path, std::string& name) {
    std::random_device random;
    for (int attempt = 0; attempt < 32; ++attempt) {
        name = (path.parent_path() /
                ("." + path.filename().string() + ".new-" + std::to_string(random())))
                   .string();
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void syncDirectory(const fs::path& dir) {
    // Makes the rename itself durable; a file system that cannot do this
    // still has the complete new file, so a failure here is not reported.
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// The folder takes no new file (it is write-protected for this user), yet the
// file itself may be writable: then it is rewritten in place, as a plain write
// would, and its bytes are made to reach the disk before this returns.
void rewriteInPlace(const fs::path& path, std::string_view bytes, const std::string& what) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) throw RuntimeError("cannot create a new " + what);
    bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok) throw RuntimeError("cannot write " + what);
}

}  // namespace

void replaceFile(const fs::path& requested, std::string_view bytes) {
    const fs::path path = resolved(requested);
    const std::string what = path.filename().string();
    // A write-protected file stays protected, as it would with a plain write.
    if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), W_OK) != 0) {
        throw RuntimeError(what + " is write-protected");
    }
    std::string temp;
    const int fd = createSibling(path, temp);
    if (fd < 0) {
        // Only a folder that refuses new files falls back; a full disk or a
        // read-only file system would fail the rewrite too, after emptying
        // the old file.
        if (errno == EACCES || errno == EPERM) return rewriteInPlace(path, bytes, what);
        throw RuntimeError("cannot create a new " + what);
    }

    bool ok = writeAll(fd, bytes);
    struct stat old {};
    if (ok && ::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        throw RuntimeError("cannot write " + what);
    }
    syncDirectory(path.parent_path());
}

}  // namespace purlo
