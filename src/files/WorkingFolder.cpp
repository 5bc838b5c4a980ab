// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/WorkingFolder.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <system_error>
#include <vector>

namespace purlo {

namespace {

namespace fs = std::filesystem;

constexpr const char* kInfoFileName = "Purlo.Txt";

bool writableFolder(const fs::path& dir) {
    std::error_code ec;
    return fs::is_directory(dir, ec) && ::access(dir.c_str(), W_OK | X_OK) == 0;
}

bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Copies the shipped file to `target` unless something of that name is there
// already. The target is created exclusively, so a file another console made
// a moment ago is not overwritten, and a failed copy leaves nothing behind.
// Returns whether it copied; `problem` gets the reason of a failure.
bool copyInfoFile(const fs::path& shipped, const fs::path& target, std::string& problem) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(target, ec))) return false;
    if (!fs::is_regular_file(shipped, ec)) return false;  // nothing shipped to copy

    const std::uintmax_t size = fs::file_size(shipped, ec);
    std::ifstream in(shipped, std::ios::binary);
    std::string bytes(ec ? 0 : static_cast<std::size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (ec || !in || in.peek() != std::ifstream::traits_type::eof()) {
        problem = "The information file " + shipped.string() + " could not be read.";
        return false;
    }
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == EEXIST) return false;
        problem = "The information file could not be copied to " + target.string() + " (" +
                  std::strerror(errno) + ").";
        return false;
    }
    const bool written = writeAll(fd, bytes);
    const int writeError = errno;
    if (::close(fd) != 0 || !written) {
        ::unlink(target.c_str());
        problem = "The information file could not be copied to " + target.string() + " (" +
                  std::strerror(written ? errno : writeError) + ").";
        return false;
    }
    return true;
}

}  // namespace

std::optional<fs::path> homeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        return fs::path(home);
    }
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(static_cast<std::size_t>(size > 0 ? size : 16384));
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return fs::path(found->pw_dir);
    }
    return std::nullopt;
}

fs::path shippedInfoFile(const fs::path& executable) {
    return executable.parent_path().parent_path() / "share" / "purlo" / kInfoFileName;
}

WorkingFolder prepareDesktopFolder(const std::optional<fs::path>& home,
                                   const fs::path& shippedInfo) {
    WorkingFolder result;
    if (!home || !home->is_absolute()) {
        result.problem =
            "No home folder is known, so purlo.Set, Purlo.Spl and Purlo.Txt cannot be kept.";
        return result;
    }
    std::error_code ec;
    if (!fs::is_directory(*home, ec)) {
        // A missing home is not made up here: that is the system's business.
        result.problem = "The home folder " + home->string() +
                         " does not exist, so purlo.Set, Purlo.Spl and Purlo.Txt cannot be kept.";
        return result;
    }
    const fs::path folder = *home / kDesktopFolderName;
    fs::create_directory(folder, ec);
    std::string reason;
    if (ec == std::errc::file_exists) {
        reason = "exists and is not a folder";
    } else if (ec) {
        reason = "could not be created (" + ec.message() + ")";
    } else if (!fs::is_directory(folder, ec)) {
        reason = "is not a folder";
    } else if (!writableFolder(folder)) {
        reason = "is not writable";
    }
    if (reason.empty()) {
        result.folder = folder;
        result.copiedInfoFile = copyInfoFile(shippedInfo, folder / kInfoFileName, result.problem);
        return result;
    }

    result.problem = "The folder " + folder.string() + " " + reason + ".";
    if (writableFolder(*home)) {
        result.folder = *home;
        result.problem +=
            " purlo.Set, Purlo.Spl and Purlo.Txt are kept in " + home->string() + " instead.";
    } else {
        result.problem += " purlo.Set, Purlo.Spl and Purlo.Txt cannot be kept.";
    }
    return result;
}

}  // namespace purlo
