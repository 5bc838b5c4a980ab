// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace purlo {

// The console keeps purlo.Set, Purlo.Spl and Purlo.Txt by bare name in its
// current directory. Started from a shell that is the shell's directory;
// started from the desktop menu it is a folder of the operator's own, never
// the launcher's directory, which may be / or another folder the operator
// cannot write.

// The folder name under the home directory (Documents on Windows).
inline constexpr const char* kDesktopFolderName = "Purlo";

// The result of preparing the desktop working folder.
struct WorkingFolder {
    // The directory to work in; empty when no usable one was found (the
    // program then stays where it was started).
    std::filesystem::path folder;
    // True when the shipped information file was copied in just now.
    bool copiedInfoFile = false;
    // Empty when all went as planned; otherwise what went wrong and where the
    // files go instead, in words for the operator.
    std::string problem;
};

// The folder the user keeps their own files in: the home directory ($HOME
// when it is set to an absolute path, otherwise the password database's
// entry), on Windows the user's Documents; nothing when neither is known.
std::optional<std::filesystem::path> homeFolder();

// The information file shipped with the program, found relative to the
// installed program: <prefix>/bin/purlo -> <prefix>/share/purlo/Purlo.Txt.
std::filesystem::path shippedInfoFile(const std::filesystem::path& executable);

// Makes <home>/Purlo ready to work in: creates it when missing and, when it
// holds no Purlo.Txt, copies `shippedInfo` there (writable by the operator;
// an existing file, even an edited or a broken link, is never replaced; a
// missing `shippedInfo` just leaves the folder without one). When the folder
// cannot be made or written, the home directory is used when it is
// writable, and `problem` says so. Never throws.
WorkingFolder prepareDesktopFolder(const std::optional<std::filesystem::path>& home,
                                   const std::filesystem::path& shippedInfo);

}  // namespace purlo
