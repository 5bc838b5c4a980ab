// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/WorkingFolder.h"

#include <fstream>
#include <system_error>

#include "platform/System.h"

namespace purlo {

namespace {

namespace fs = std::filesystem;

constexpr const char* kInfoFileName = "Purlo.Txt";

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
        problem = "The information file " + platform::utf8(shipped) + " could not be read.";
        return false;
    }
    platform::File file = platform::File::open(target, platform::OpenMode::CreateNew, ec);
    if (!file.isOpen()) {
        if (ec == std::errc::file_exists) return false;
        problem = "The information file could not be copied to " + platform::utf8(target) + " (" +
                  ec.message() + ").";
        return false;
    }
    std::error_code closing;
    file.write(bytes, ec);
    if (!file.close(closing) || ec) {
        if (!ec) ec = closing;
        std::error_code ignored;
        fs::remove(target, ignored);
        problem = "The information file could not be copied to " + platform::utf8(target) + " (" +
                  ec.message() + ").";
        return false;
    }
    return true;
}

}  // namespace

std::optional<fs::path> homeFolder() {
    return platform::userFilesFolder();
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
        result.problem = "The home folder " + platform::utf8(*home) +
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
    } else if (!platform::writableFolder(folder)) {
        reason = "is not writable";
    }
    if (reason.empty()) {
        result.folder = folder;
        result.copiedInfoFile = copyInfoFile(shippedInfo, folder / kInfoFileName, result.problem);
        return result;
    }

    result.problem = "The folder " + platform::utf8(folder) + " " + reason + ".";
    if (platform::writableFolder(*home)) {
        result.folder = *home;
        result.problem += " purlo.Set, Purlo.Spl and Purlo.Txt are kept in " +
                          platform::utf8(*home) + " instead.";
    } else {
        result.problem += " purlo.Set, Purlo.Spl and Purlo.Txt cannot be kept.";
    }
    return result;
}

}  // namespace purlo
