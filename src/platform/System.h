// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

// The operating system's file, folder and clock calls the core makes, in one
// place with one source file per system (Posix.cpp, Windows.cpp; the build
// picks one). Paths are std::filesystem::path, whose native form is wide on
// Windows; text meant for people is UTF-8. Every failure is an error_code of
// the generic category (errno values), so the core compares it with std::errc
// and words it with message() on every system alike.
namespace purlo::platform {

// Which file, and which content of it: another device or file number is
// another file; another size or modification time, the same file written again.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    bool regular = false;  // a plain file (not a folder, device or pipe)
    // It still has a name: not deleted while open (on Windows: not about to
    // lose its name once the last handle closes).
    bool named = true;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

enum class OpenMode {
    Read,       // reading only; the file must exist
    CreateNew,  // writing a new, empty file; fails with file_exists when there is one
    Truncate,   // writing, created when missing and emptied when not
    Append,     // writing at the end, created when missing
};

// An open file: its descriptor or handle, closed when it goes. Others may read,
// write, rename and delete the file while it is open, on Windows too.
class File {
  public:
    File() = default;
    ~File() {
        std::error_code ignored;
        close(ignored);
    }
    File(File&& other) noexcept
        : handle_(std::exchange(other.handle_, kClosed)), append_(other.append_) {}
    File& operator=(File&& other) noexcept {
        if (this != &other) {
            std::error_code ignored;
            close(ignored);
            handle_ = std::exchange(other.handle_, kClosed);
            append_ = other.append_;
        }
        return *this;
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    static File open(const std::filesystem::path& path, OpenMode mode, std::error_code& ec);

    bool isOpen() const { return handle_ != kClosed; }
    // Writes all the bytes at the current position (the end in Append mode);
    // how many went in, fewer only when `ec` says why.
    std::size_t write(std::string_view bytes, std::error_code& ec);
    // Up to out.size() bytes from `offset` on: how many (fewer at the end).
    std::size_t readAt(std::int64_t offset, std::span<std::uint8_t> out, std::error_code& ec);
    // Moves the position the next write starts at.
    bool seek(std::int64_t offset, std::error_code& ec);
    // Cuts the file to `size` bytes.
    bool truncate(std::int64_t size, std::error_code& ec);
    // Makes the bytes written reach the disk.
    bool sync(std::error_code& ec);
    // The file as it is now: its identity, size and time.
    std::optional<FileIdentity> identity() const;
    // Gives the new file the permissions of the file at `model` (POSIX mode
    // bits; Windows inherits them from the folder and needs nothing).
    bool copyPermissionsOf(const std::filesystem::path& model, std::error_code& ec);
    bool close(std::error_code& ec);

  private:
    static constexpr std::intptr_t kClosed = -1;
    File(std::intptr_t handle, bool append) : handle_(handle), append_(append) {}
    std::intptr_t handle_ = kClosed;  // a descriptor, or a HANDLE
    bool append_ = false;             // Windows: every write goes to the end
};

// The file at a path as it is now; nothing when there is none.
std::optional<FileIdentity> identityOf(const std::filesystem::path& path);

// Something is there and this user may not write it.
bool writeProtected(const std::filesystem::path& path);
// A folder this user may create files in.
bool writableFolder(const std::filesystem::path& dir);

// Whether a file deleted while this program holds it open loses its name at
// once (POSIX), so the name can be taken by a new file; on Windows (and wine)
// it may keep it until the last handle closes, so whoever follows a file by
// its name must not hold it open between writes there.
bool deletedFilesLoseTheirNameAtOnce();

// Puts `from` in the place of `to` in one step: readers see the old file or
// the new one, never neither (rename(2); MoveFileExW with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH).
bool replaceByRename(const std::filesystem::path& from, const std::filesystem::path& to,
                     std::error_code& ec);
// Makes a rename in the folder durable where the system needs that asked for
// (an fsync of the folder on POSIX; Windows' write-through move did it already).
void syncFolder(const std::filesystem::path& dir);

// The folder the user keeps their own files in, where the console makes its
// working folder: the home directory on POSIX ($HOME when absolute, else the
// password database), "Documents" on Windows; nothing when it is not known.
std::optional<std::filesystem::path> userFilesFolder();

// The device names an unbound "Comm n" may be, in the order they are tried:
// the first that exists, else the last (POSIX: /dev/ttyUSB<n-1>,
// /dev/ttyACM<n-1>, /dev/ttyS<n-1>; Windows: COM<n>).
std::vector<std::string> automaticSerialPorts(int n);

// The local time zone's offset from UTC at a moment (summer time included).
std::optional<std::int32_t> utcOffsetAt(std::int64_t unixSeconds);

// A path as UTF-8 text, for messages and files; and UTF-8 text as a path.
inline std::string utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}
inline std::filesystem::path pathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

// This process: milliseconds since the system started it, and its peak
// resident memory in kB; negative when the system does not tell.
double msSinceProcessStart();
long peakResidentKb();

}  // namespace purlo::platform
