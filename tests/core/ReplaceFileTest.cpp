#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "files/ReplaceFile.h"
#include "fakes/Harness.h"

namespace purlo::test {
namespace {

namespace fs = std::filesystem;

std::string readBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

int entries(const fs::path& dir) {
    return static_cast<int>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

TEST(ReplaceFile, CreatesAMissingFile) {
    TempDir dir;
    replaceFile(dir.path() / "a.txt", "new\r\n");
    EXPECT_EQ(readBytes(dir.path() / "a.txt"), "new\r\n");
    EXPECT_EQ(entries(dir.path()), 1);
}

TEST(ReplaceFile, ReplacesTheWholeContentAndKeepsThePermissionBits) {
    TempDir dir;
    const fs::path file = dir.path() / "a.txt";
    { std::ofstream(file) << "a much longer old content"; }
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    replaceFile(file, "short");
    EXPECT_EQ(readBytes(file), "short");
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
    EXPECT_EQ(readBytes(target), "new");
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

}  // namespace
}  // namespace purlo::test
