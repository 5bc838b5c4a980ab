// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ScratchDir.h"

#include <random>
#include <stdexcept>
#include <system_error>

namespace purlo::testsupport {

namespace fs = std::filesystem;

namespace {

// A new folder under `base` whose name nobody else holds (creating it is
// the test: parallel runs never share one). Empty when `base` takes none.
fs::path makeUnder(const fs::path& base, const std::string& prefix, std::error_code& ec) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = prefix + "-";
        for (int i = 0; i < 8; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
        const fs::path candidate = base / name;
        if (fs::create_directory(candidate, ec)) return candidate;
        if (ec) return {};
    }
    ec = std::make_error_code(std::errc::file_exists);
    return {};
}

}  // namespace

ScratchDir::ScratchDir(const std::string& prefix, Place place) {
    std::error_code ec;
    if (place == Place::MemoryIfAny && fs::is_directory("/dev/shm", ec)) {
        path_ = makeUnder("/dev/shm", prefix, ec);
    }
    if (path_.empty()) path_ = makeUnder(fs::temp_directory_path(), prefix, ec);
    if (path_.empty()) {
        throw std::system_error(ec, "cannot create a scratch folder for " + prefix);
    }
}

ScratchDir::~ScratchDir() {
    if (keep_) return;
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

}  // namespace purlo::testsupport
