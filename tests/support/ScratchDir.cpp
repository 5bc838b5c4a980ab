// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ScratchDir.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace purlo::testsupport {

namespace fs = std::filesystem;

ScratchDir::ScratchDir(const std::string& prefix, Place place) {
    std::error_code ec;
    const fs::path base = place == Place::MemoryIfAny && fs::is_directory("/dev/shm", ec) &&
                                  ::access("/dev/shm", W_OK) == 0
                              ? fs::path("/dev/shm")
                              : fs::temp_directory_path();
    // mkdtemp picks a name nobody else holds, so parallel runs never share a folder.
    std::string pattern = (base / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::system_error(errno, std::generic_category(), "cannot create " + pattern);
    }
    path_ = pattern;
}

ScratchDir::~ScratchDir() {
    if (keep_) return;
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

}  // namespace purlo::testsupport
