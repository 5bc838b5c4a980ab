// SPDX-License-Identifier: GPL-3.0-or-later
// What the core's files do with what only POSIX systems have: permission
// bits, symbolic links, a user without privileges, $HOME and a file size
// limit (a full disk). The Windows build leaves this file out.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>

#include "fakes/Harness.h"
#include "files/ReplaceFile.h"
#include "files/WorkingFolder.h"
#include "support/FileSizeLimit.h"

namespace purlo::test {
namespace {

namespace fs = std::filesystem;

int entries(const fs::path& dir) {
    return static_cast<int>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
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

TEST(SettingsSave, AFailedSaveLeavesTheOldFileAndSendsNothing) {
    Harness h;
    writeFile(h.console.file("purlo.Set"), "old settings\r\n");
    h.port.open = true;
    h.s.port_open = true;
    h.s.settings_loaded = true;
    {
        // The new file cannot take a single byte, not even when written by root.
        testsupport::FileSizeLimit full(0);
        h.console.click(Control::Com_Save_to_eeprom);
    }
    EXPECT_EQ(readFile(h.console.file("purlo.Set")), "old settings\r\n");
    EXPECT_EQ(h.ui.windowCaption(), "No set File or file corrupt! Save again.");
    EXPECT_EQ(h.port.sent, "");
    EXPECT_TRUE(h.s.settings_loaded);
}

TEST(WorkingFolder, ALinkNamedLikeTheInfoFileIsLeftAlone) {
    TempDir scratch;
    const fs::path folder = scratch.path() / "Purlo";
    const fs::path shipped = scratch.path() / "share" / "Purlo.Txt";
    fs::create_directories(shipped.parent_path());
    writeFile(shipped, "shipped\r\n");
    fs::create_directory(folder);
    const fs::path elsewhere = scratch.path() / "notes" / "Purlo.Txt";  // does not exist
    fs::create_symlink(elsewhere, folder / "Purlo.Txt");
    const WorkingFolder w = prepareDesktopFolder(scratch.path(), shipped);
    EXPECT_EQ(w.folder, folder);
    EXPECT_FALSE(w.copiedInfoFile);
    EXPECT_TRUE(fs::is_symlink(folder / "Purlo.Txt"));
    EXPECT_FALSE(fs::exists(elsewhere));
}

// Sets an environment variable for one test and restores it.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value, 1);
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(HomeFolder, IsTheHomeVariableWhenItIsAnAbsolutePath) {
    {
        ScopedEnv env("HOME", "/srv/operator");
        EXPECT_EQ(homeFolder(), fs::path("/srv/operator"));
    }
    // Not a usable path: the password database decides, and gives an absolute one.
    for (const char* value : {"", "relative/home"}) {
        ScopedEnv env("HOME", value);
        const std::optional<fs::path> home = homeFolder();
        ASSERT_TRUE(home.has_value()) << "no password entry for this user";
        EXPECT_TRUE(home->is_absolute()) << *home;
    }
}

}  // namespace
}  // namespace purlo::test
