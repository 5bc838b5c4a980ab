// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
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

TEST(ReplaceFile, CreatesAMissingFile) {
    TempDir dir;
    replaceFile(dir.path() / "a.txt", "new\r\n");
    EXPECT_EQ(readFile(dir.path() / "a.txt"), "new\r\n");
    EXPECT_EQ(entries(dir.path()), 1);
}

TEST(ReplaceFile, ReplacesTheWholeContentAndKeepsThePermissionBits) {
    TempDir dir;
    const fs::path file = dir.path() / "a.txt";
    { std::ofstream(file) << "a much longer old content"; }
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    replaceFile(file, "short");
    EXPECT_EQ(readFile(file), "short");
    EXPECT_EQ(fs::status(file).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(entries(dir.path()), 1);
}

TEST(ReplaceFile, ALinkKeepsPointingAtTheFile) {
    TempDir dir;
    const fs::path target = dir.path() / "real.txt";
    const fs::path link = dir.path() / "link.txt";
    { std::ofstream(target) << "old"; }
    fs::create_symlink(target, link);
    replaceFile(link, "new");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readFile(target), "new");
    EXPECT_EQ(entries(dir.path()), 2);
}

TEST(ReplaceFile, AFailureThrowsAndLeavesNothingBehind) {
    TempDir dir;
    fs::create_directory(dir.path() / "taken");
    EXPECT_THROW(replaceFile(dir.path() / "taken", "x"), RuntimeError);
    EXPECT_TRUE(fs::is_directory(dir.path() / "taken"));
    EXPECT_EQ(entries(dir.path()), 1);
    EXPECT_THROW(replaceFile(dir.path() / "missing" / "a.txt", "x"), RuntimeError);
}

// Runs `save` in a child process as a user without privileges (root ignores
// permissions, and the tests may run as root) and returns its exit code:
// 0 when it returned, 1 when it threw RuntimeError.
int saveAsPlainUser(const std::function<void()>& save) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
        try {
            save();
        } catch (const RuntimeError&) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

constexpr fs::perms kEveryone = fs::perms::owner_all | fs::perms::group_all | fs::perms::others_all;
constexpr fs::perms kReadOnlyFolder = fs::perms::owner_read | fs::perms::owner_exec |
                                      fs::perms::group_read | fs::perms::group_exec |
                                      fs::perms::others_read | fs::perms::others_exec;

TEST(ReplaceFile, AWritableFileInAReadOnlyFolderIsRewrittenInPlace) {
    TempDir dir;
    const fs::path file = dir.path() / "purlo.Set";
    { std::ofstream(file) << "an older and much longer content"; }
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::group_write | fs::perms::others_read |
                              fs::perms::others_write);
    fs::permissions(dir.path(), kReadOnlyFolder);
    EXPECT_EQ(saveAsPlainUser([&] { replaceFile(file, "new\r\n"); }), 0);
    fs::permissions(dir.path(), kEveryone);
    EXPECT_EQ(readFile(file), "new\r\n");
    EXPECT_EQ(entries(dir.path()), 1);
}

TEST(ReplaceFile, AMissingFileInAReadOnlyFolderIsAFailure) {
    TempDir dir;
    const fs::path file = dir.path() / "purlo.Set";
    fs::permissions(dir.path(), kReadOnlyFolder);
    EXPECT_EQ(saveAsPlainUser([&] { replaceFile(file, "new"); }), 1);
    fs::permissions(dir.path(), kEveryone);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(entries(dir.path()), 0);
}

}  // namespace
}  // namespace purlo::test
