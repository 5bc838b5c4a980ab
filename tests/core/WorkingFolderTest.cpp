// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "fakes/Harness.h"
#include "files/WorkingFolder.h"

namespace purlo::test {
namespace {

namespace fs = std::filesystem;

const std::string kShippedText = "PURLO CONSOLE - INFORMATION\r\nshipped text\r\n";

// A scratch home, and a shipped information file where an installation has it.
struct WorkingFolderTest : ::testing::Test {
    TempDir scratch;
    fs::path home = scratch.path() / "home";
    fs::path prefix = scratch.path() / "usr";
    fs::path shipped = shippedInfoFile(prefix / "bin" / "purlo");
    fs::path folder = home / "Purlo";

    void SetUp() override {
        fs::create_directories(home);
        fs::create_directories(shipped.parent_path());
        writeFile(shipped, kShippedText);
        // Installed files are read-only for the operator; the copy must not be.
        fs::permissions(shipped,
                        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    }
};

TEST(ShippedInfoFile, LiesInShareBesideTheProgramsBin) {
    EXPECT_EQ(shippedInfoFile("/usr/bin/purlo"), fs::path("/usr/share/purlo/Purlo.Txt"));
    EXPECT_EQ(shippedInfoFile("/opt/tools/bin/purlo"),
              fs::path("/opt/tools/share/purlo/Purlo.Txt"));
}

TEST_F(WorkingFolderTest, FirstStartMakesTheFolderWithAWritableCopyOfTheInfoFile) {
    const WorkingFolder w = prepareDesktopFolder(home, shipped);
    EXPECT_EQ(w.folder, folder);
    EXPECT_TRUE(w.problem.empty()) << w.problem;
    EXPECT_TRUE(w.copiedInfoFile);
    ASSERT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(readFile(folder / "Purlo.Txt"), kShippedText);
    const fs::perms perms = fs::status(folder / "Purlo.Txt").permissions();
    EXPECT_NE(perms & fs::perms::owner_write, fs::perms::none);
}

TEST_F(WorkingFolderTest, LaterStartsKeepTheOperatorsFiles) {
    prepareDesktopFolder(home, shipped);
    writeFile(folder / "Purlo.Txt", "my own notes\r\n");
    writeFile(folder / "purlo.Set", " 2     Serial CommPort.\r\n");

    const WorkingFolder w = prepareDesktopFolder(home, shipped);
    EXPECT_EQ(w.folder, folder);
    EXPECT_FALSE(w.copiedInfoFile);
    EXPECT_TRUE(w.problem.empty()) << w.problem;
    EXPECT_EQ(readFile(folder / "Purlo.Txt"), "my own notes\r\n");
    EXPECT_EQ(readFile(folder / "purlo.Set"), " 2     Serial CommPort.\r\n");
}

TEST_F(WorkingFolderTest, AnExistingFolderWithoutInfoFileGetsOne) {
    fs::create_directory(folder);
    writeFile(folder / "Purlo.Spl", "D1234\r\n");
    const WorkingFolder w = prepareDesktopFolder(home, shipped);
    EXPECT_TRUE(w.copiedInfoFile);
    EXPECT_EQ(readFile(folder / "Purlo.Txt"), kShippedText);
    EXPECT_EQ(readFile(folder / "Purlo.Spl"), "D1234\r\n");
}

TEST_F(WorkingFolderTest, NothingShippedStillGivesTheFolder) {
    fs::permissions(shipped, fs::perms::owner_write, fs::perm_options::add);
    fs::remove(shipped);
    const WorkingFolder w = prepareDesktopFolder(home, shipped);
    EXPECT_EQ(w.folder, folder);
    EXPECT_TRUE(w.problem.empty()) << w.problem;
    EXPECT_FALSE(w.copiedInfoFile);
    EXPECT_FALSE(fs::exists(folder / "Purlo.Txt"));
}

TEST_F(WorkingFolderTest, AFileInTheFoldersPlaceSendsTheFilesToTheHomeFolder) {
    writeFile(folder, "not a folder");
    const WorkingFolder w = prepareDesktopFolder(home, shipped);
    EXPECT_EQ(w.folder, home);
    EXPECT_NE(w.problem.find(folder.string() + " exists and is not a folder"), std::string::npos)
        << w.problem;
    EXPECT_NE(w.problem.find("kept in " + home.string()), std::string::npos) << w.problem;
    EXPECT_EQ(readFile(folder), "not a folder");
    EXPECT_FALSE(fs::exists(home / "Purlo.Txt"));
}

TEST_F(WorkingFolderTest, AFolderTheOperatorCannotWriteSendsTheFilesToTheHomeFolder) {
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    if (std::ofstream(folder / "probe")) {
        fs::remove(folder / "probe");
        GTEST_SKIP() << "permission bits do not stop this user (root, or Windows)";
    }
    const WorkingFolder w = prepareDesktopFolder(home, shipped);
    EXPECT_EQ(w.folder, home);
    EXPECT_NE(w.problem.find("is not writable"), std::string::npos) << w.problem;
    EXPECT_FALSE(w.copiedInfoFile);
}

TEST_F(WorkingFolderTest, WithoutAUsableHomeThereIsNoFolder) {
    struct Case {
        const char* what;
        std::optional<fs::path> home;
    };
    const Case cases[] = {
        {"unknown", std::nullopt},
        {"relative", fs::path("home/ann")},
        {"missing", scratch.path() / "nobody"},
        {"a file", shipped},
    };
    for (const Case& c : cases) {
        const WorkingFolder w = prepareDesktopFolder(c.home, shipped);
        EXPECT_TRUE(w.folder.empty()) << c.what;
        EXPECT_FALSE(w.problem.empty()) << c.what;
        EXPECT_FALSE(w.copiedInfoFile) << c.what;
    }
    // A missing home is not created on the way.
    EXPECT_FALSE(fs::exists(scratch.path() / "nobody"));
}

TEST(HomeFolder, IsAnAbsoluteFolderThatExists) {
    const std::optional<fs::path> home = homeFolder();
    ASSERT_TRUE(home.has_value());
    EXPECT_TRUE(home->is_absolute()) << *home;
    EXPECT_TRUE(fs::is_directory(*home)) << *home;
}

}  // namespace
}  // namespace purlo::test
