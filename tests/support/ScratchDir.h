// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>

namespace purlo::testsupport {

// A folder of its own for one test, benchmark or fuzzing process (a fresh
// name under the system's temporary folder), removed with everything in it
// when it goes, even after a test took away its write permission.
class ScratchDir {
  public:
    enum class Place {
        Disk,
        // /dev/shm when the system offers it: for runs that save thousands of
        // times, where the sync of every save to a disk would cost the most.
        MemoryIfAny,
    };

    explicit ScratchDir(const std::string& prefix = "purlo-test", Place place = Place::Disk);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const {
        return path_ / name;
    }
    // Leaves the folder behind, to look at what a run made.
    void keep() { keep_ = true; }

  private:
    std::filesystem::path path_;
    bool keep_ = false;
};

}  // namespace purlo::testsupport
