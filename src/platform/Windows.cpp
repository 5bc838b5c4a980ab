// SPDX-License-Identifier: GPL-3.0-or-later
// The platform calls on Windows: wide-character paths, handles opened so that
// others may still read, rename and delete the file, errors as errno values.
#include <windows.h>
// After windows.h:
#include <io.h>
#include <knownfolders.h>
#include <psapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

#include "platform/System.h"

namespace purlo::platform {

namespace fs = std::filesystem;

namespace {

// The Windows error as the errno value the core compares with std::errc.
std::error_code errorOf(DWORD code) {
    int e = EIO;
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE: e = ENOENT; break;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: e = EEXIST; break;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT: e = EACCES; break;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: e = ENOSPC; break;
        case ERROR_FILE_TOO_LARGE: e = EFBIG; break;
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_DIRECTORY: e = EINVAL; break;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY: e = ENOMEM; break;
        default: break;
    }
    return {e, std::generic_category()};
}

std::error_code lastError() {
    return errorOf(::GetLastError());
}

HANDLE handleOf(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// 100-nanosecond ticks from 1601 to 1970.
constexpr std::int64_t kUnixEpochTicks = 116'444'736'000'000'000;

std::optional<FileIdentity> identityOfHandle(HANDLE h) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(h, &info)) return std::nullopt;
    const auto ticks = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
        info.ftLastWriteTime.dwLowDateTime);
    FileIdentity id;
    id.device = info.dwVolumeSerialNumber;
    id.inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    id.size = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) |
                                        info.nFileSizeLow);
    id.modifiedNs = (ticks - kUnixEpochTicks) * 100;
    id.regular = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
                 ::GetFileType(h) == FILE_TYPE_DISK;
    FILE_STANDARD_INFO standard{};
    if (::GetFileInformationByHandleEx(h, FileStandardInfo, &standard, sizeof standard)) {
        id.named = !standard.DeletePending;
    }
    return id;
}

bool moveTo(HANDLE h, std::int64_t offset, DWORD from) {
    LARGE_INTEGER at{};
    at.QuadPart = offset;
    return ::SetFilePointerEx(h, at, nullptr, from) != 0;
}

}  // namespace

File File::open(const fs::path& path, OpenMode mode, std::error_code& ec) {
    DWORD access = GENERIC_WRITE;
    DWORD disposition = OPEN_ALWAYS;
    switch (mode) {
        case OpenMode::Read:
            access = GENERIC_READ;
            disposition = OPEN_EXISTING;
            break;
        case OpenMode::CreateNew: disposition = CREATE_NEW; break;
        case OpenMode::Truncate: disposition = CREATE_ALWAYS; break;
        case OpenMode::Append: disposition = OPEN_ALWAYS; break;
    }
    HANDLE h = ::CreateFileW(path.c_str(), access, kShareAll, nullptr, disposition,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        ec = lastError();
        return {};
    }
    ec.clear();
    return File(reinterpret_cast<std::intptr_t>(h), mode == OpenMode::Append);
}

std::size_t File::write(std::string_view bytes, std::error_code& ec) {
    ec.clear();
    HANDLE h = handleOf(handle_);
    if (append_ && !moveTo(h, 0, FILE_END)) {
        ec = lastError();
        return 0;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD n = 0;
        if (!::WriteFile(h, bytes.data() + done, chunk, &n, nullptr)) {
            ec = lastError();
            break;
        }
        if (n == 0) {
            ec = std::make_error_code(std::errc::io_error);
            break;
        }
        done += n;
    }
    return done;
}

std::size_t File::readAt(std::int64_t offset, std::span<std::uint8_t> out, std::error_code& ec) {
    ec.clear();
    std::size_t done = 0;
    while (done < out.size()) {
        const std::int64_t at = offset + static_cast<std::int64_t>(done);
        OVERLAPPED where{};
        where.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(at) & 0xFFFFFFFFu);
        where.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(at) >> 32);
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(out.size() - done, 1u << 30));
        DWORD n = 0;
        if (!::ReadFile(handleOf(handle_), out.data() + done, chunk, &n, &where)) {
            if (::GetLastError() != ERROR_HANDLE_EOF) ec = lastError();
            break;
        }
        if (n == 0) break;
        done += n;
    }
    return done;
}

bool File::seek(std::int64_t offset, std::error_code& ec) {
    if (!moveTo(handleOf(handle_), offset, FILE_BEGIN)) {
        ec = lastError();
        return false;
    }
    ec.clear();
    return true;
}

bool File::truncate(std::int64_t size, std::error_code& ec) {
    HANDLE h = handleOf(handle_);
    LARGE_INTEGER was{};
    const LARGE_INTEGER none{};
    const bool ok = ::SetFilePointerEx(h, none, &was, FILE_CURRENT) &&
                    moveTo(h, size, FILE_BEGIN) && ::SetEndOfFile(h);
    if (!ok) {
        ec = lastError();
        return false;
    }
    moveTo(h, was.QuadPart, FILE_BEGIN);
    ec.clear();
    return true;
}

bool File::sync(std::error_code& ec) {
    if (!::FlushFileBuffers(handleOf(handle_))) {
        ec = lastError();
        return false;
    }
    ec.clear();
    return true;
}

std::optional<FileIdentity> File::identity() const {
    if (!isOpen()) return std::nullopt;
    return identityOfHandle(handleOf(handle_));
}

bool File::copyPermissionsOf(const fs::path&, std::error_code& ec) {
    // A new file takes its access rights from its folder, as the old one did.
    ec.clear();
    return true;
}

bool File::close(std::error_code& ec) {
    ec.clear();
    if (!isOpen()) return true;
    HANDLE h = handleOf(handle_);
    handle_ = kClosed;
    if (!::CloseHandle(h)) {
        ec = lastError();
        return false;
    }
    return true;
}

std::optional<FileIdentity> identityOf(const fs::path& path) {
    // No access asked for: the attributes are readable even of a file
    // someone holds open without sharing.
    HANDLE h = ::CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    std::optional<FileIdentity> id = identityOfHandle(h);
    ::CloseHandle(h);
    return id;
}

bool writeProtected(const fs::path& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
           (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool writableFolder(const fs::path& dir) {
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) return false;
    // Folder rights are access lists here: the one sure answer is a file made
    // there, gone again when it is closed.
    const fs::path probe = dir / (L".purlo-write-test-" + std::to_wstring(::GetCurrentProcessId()));
    HANDLE h = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_EXISTS;
    ::CloseHandle(h);
    return true;
}

bool deletedFilesLoseTheirNameAtOnce() {
    return false;
}

bool replaceByRename(const fs::path& from, const fs::path& to, std::error_code& ec) {
    if (!::MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ec = lastError();
        return false;
    }
    ec.clear();
    return true;
}

void syncFolder(const fs::path&) {
    // MOVEFILE_WRITE_THROUGH returned only once the move was on the disk.
}

std::optional<fs::path> userFilesFolder() {
    PWSTR folder = nullptr;
    std::optional<fs::path> result;
    if (::SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &folder) == S_OK &&
        folder != nullptr) {
        result = fs::path(folder);
    }
    ::CoTaskMemFree(folder);
    return result;
}

std::vector<std::string> automaticSerialPorts(int n) {
    return {"COM" + std::to_string(n)};
}

std::optional<std::int32_t> utcOffsetAt(std::int64_t unixSeconds) {
    const auto t = static_cast<std::time_t>(unixSeconds);
    std::tm local{};
    if (::localtime_s(&local, &t) != 0) return std::nullopt;
    // The local fields read as if they were UTC, less the moment itself.
    const std::time_t asUtc = ::_mkgmtime(&local);
    if (asUtc == static_cast<std::time_t>(-1)) return std::nullopt;
    return static_cast<std::int32_t>(asUtc - t);
}

// Milliseconds since the system started this process; negative when unknown.
double msSinceProcessStart() {
    FILETIME created{};
    FILETIME unused{};
    FILETIME now{};
    if (!GetProcessTimes(GetCurrentProcess(), &created, &unused, &unused, &unused)) return -1;
    GetSystemTimeAsFileTime(&now);
    const auto ticks = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32U) |
                                   t.dwLowDateTime);
    };
    return (ticks(now) - ticks(created)) / 10000.0;  // 100 ns ticks
}

long peakResidentKb() {
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return -1;
    return static_cast<long>(counters.PeakWorkingSetSize / 1024);
}

}  // namespace purlo::platform
