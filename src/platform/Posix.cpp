// SPDX-License-Identifier: GPL-3.0-or-later
// The platform calls on POSIX systems (Linux).
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/System.h"

namespace purlo::platform {

namespace fs = std::filesystem;

namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

int fdOf(std::intptr_t handle) {
    return static_cast<int>(handle);
}

FileIdentity identityFrom(const struct stat& st) {
    return {static_cast<std::uint64_t>(st.st_dev),
            static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::int64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec,
            S_ISREG(st.st_mode),
            st.st_nlink > 0};
}

}  // namespace

File File::open(const fs::path& path, OpenMode mode, std::error_code& ec) {
    int flags = O_CLOEXEC;
    switch (mode) {
        case OpenMode::Read: flags |= O_RDONLY; break;
        case OpenMode::CreateNew: flags |= O_WRONLY | O_CREAT | O_EXCL; break;
        case OpenMode::Truncate: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
        case OpenMode::Append: flags |= O_WRONLY | O_CREAT | O_APPEND; break;
    }
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) {
        ec = lastError();
        return {};
    }
    ec.clear();
    return File(fd, mode == OpenMode::Append);
}

std::size_t File::write(std::string_view bytes, std::error_code& ec) {
    ec.clear();
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fdOf(handle_), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ec = n < 0 ? lastError() : std::make_error_code(std::errc::io_error);
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::size_t File::readAt(std::int64_t offset, std::span<std::uint8_t> out, std::error_code& ec) {
    ec.clear();
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::pread(fdOf(handle_), out.data() + done, out.size() - done,
                                  static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ec = lastError();
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

bool File::seek(std::int64_t offset, std::error_code& ec) {
    if (::lseek(fdOf(handle_), static_cast<off_t>(offset), SEEK_SET) < 0) {
        ec = lastError();
        return false;
    }
    ec.clear();
    return true;
}

bool File::truncate(std::int64_t size, std::error_code& ec) {
    if (::ftruncate(fdOf(handle_), static_cast<off_t>(size)) != 0) {
        ec = lastError();
        return false;
    }
    ec.clear();
    return true;
}

bool File::sync(std::error_code& ec) {
    if (::fsync(fdOf(handle_)) != 0) {
        ec = lastError();
        return false;
    }
    ec.clear();
    return true;
}

std::optional<FileIdentity> File::identity() const {
    struct stat st {};
    if (!isOpen() || ::fstat(fdOf(handle_), &st) != 0) return std::nullopt;
    return identityFrom(st);
}

bool File::copyPermissionsOf(const fs::path& model, std::error_code& ec) {
    ec.clear();
    struct stat old {};
    if (::stat(model.c_str(), &old) != 0 || !S_ISREG(old.st_mode)) return true;
    if (::fchmod(fdOf(handle_), old.st_mode & 07777) != 0) {
        ec = lastError();
        return false;
    }
    return true;
}

bool File::close(std::error_code& ec) {
    ec.clear();
    if (!isOpen()) return true;
    const int fd = fdOf(handle_);
    handle_ = kClosed;
    if (::close(fd) != 0) {
        ec = lastError();
        return false;
    }
    return true;
}

std::optional<FileIdentity> identityOf(const fs::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return identityFrom(st);
}

bool writeProtected(const fs::path& path) {
    return ::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), W_OK) != 0;
}

bool writableFolder(const fs::path& dir) {
    std::error_code ec;
    return fs::is_directory(dir, ec) && ::access(dir.c_str(), W_OK | X_OK) == 0;
}

bool deletedFilesLoseTheirNameAtOnce() {
    return true;
}

bool replaceByRename(const fs::path& from, const fs::path& to, std::error_code& ec) {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        ec = lastError();
        return false;
    }
    ec.clear();
    return true;
}

void syncFolder(const fs::path& dir) {
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

std::optional<fs::path> userFilesFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        return fs::path(home);
    }
    const long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(static_cast<std::size_t>(size > 0 ? size : 16384));
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return fs::path(found->pw_dir);
    }
    return std::nullopt;
}

std::vector<std::string> automaticSerialPorts(int n) {
    const std::string index = std::to_string(n - 1);
    return {"/dev/ttyUSB" + index, "/dev/ttyACM" + index, "/dev/ttyS" + index};
}

std::optional<std::int32_t> utcOffsetAt(std::int64_t unixSeconds) {
    const auto t = static_cast<std::time_t>(unixSeconds);
    std::tm local{};
    // tm_gmtoff carries the offset in force at that moment, summer time included.
    if (::localtime_r(&t, &local) == nullptr) return std::nullopt;
    return static_cast<std::int32_t>(local.tm_gmtoff);
}

// Milliseconds since the kernel started this process; negative when unknown.
double msSinceProcessStart() {
    std::ifstream in("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), {});
    // The command name in parentheses may hold blanks: count fields after it.
    const auto close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    // Field 22 (starttime) is the 20th after the name.
    for (int i = 3; i <= 22 && fields >> field; ++i) {
    }
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double started = std::stod(field) / static_cast<double>(sysconf(_SC_CLK_TCK));
    return (static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9 - started) * 1000.0;
}

long peakResidentKb() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

}  // namespace purlo::platform
