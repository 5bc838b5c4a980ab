// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fakes/Harness.h"
#include "files/ReplaceFile.h"

namespace purlo::test {
namespace {

namespace fs = std::filesystem;

int entries(const fs::path& dir) {
    return static_cast<int>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

TEST(ReplaceFile, CreatesAMissingFileAndReplacesAWholeContent) {
    TempDir dir;
    replaceFile(dir.path() / "a.txt", "a much longer old content");
    replaceFile(dir.path() / "a.txt", "new\r\n");
    EXPECT_EQ(readFile(dir.path() / "a.txt"), "new\r\n");
    EXPECT_EQ(entries(dir.path()), 1);
}

TEST(ReplaceFile, AFailureThrowsAndLeavesNothingBehind) {
    TempDir dir;
    fs::create_directory(dir.path() / "taken");
    EXPECT_THROW(replaceFile(dir.path() / "taken", "x"), RuntimeError);
    EXPECT_TRUE(fs::is_directory(dir.path() / "taken"));
    EXPECT_EQ(entries(dir.path()), 1);
    EXPECT_THROW(replaceFile(dir.path() / "missing" / "a.txt", "x"), RuntimeError);
}

}  // namespace
}  // namespace purlo::test
