// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fakes/Harness.h"
#include "help/InfoFile.h"

namespace purlo::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

const std::string kNotFound =
    "File Purlo.Txt not found ! File should be in Purlo program Directory.\r\n"
    "Email to; purlo-console@example.org for the last actual info file.";
const Colour kDarkRed = Colour::of(170, 0, 0);

struct Info : Harness {
    fs::path txt() const { return dir.path() / "Purlo.Txt"; }
    void press() { console.click(Control::Com_view_program_info); }
    void key() { console.keyDown(Control::Text_Info); }
    std::string box() const { return ui.text(Control::Text_Info); }
    std::string caption() const { return ui.text(Control::Com_view_program_info); }
    bool shown() const { return ui.visible(Control::Text_Info); }
    // Files left in the working directory besides Purlo.Txt.
    int strayFiles() const {
        int n = 0;
        for (const auto& e : fs::directory_iterator(dir.path()))
            n += e.path().filename() != "Purlo.Txt";
        return n;
    }
};

TEST(InfoFile, AMissingFileIsReportedAndNotCreated) {
    Info h;
    h.press();
    ASSERT_EQ(h.ui.messages.size(), 1u);
    EXPECT_EQ(h.ui.messages[0].text, kNotFound);
    EXPECT_EQ(h.ui.messages[0].title, "");
    EXPECT_EQ(h.ui.messages[0].buttons, Buttons::Ok);
    EXPECT_EQ(h.caption(), "Program info");
    EXPECT_FALSE(h.shown());
    EXPECT_FALSE(h.s.info_file_shown);
    EXPECT_FALSE(fs::exists(h.txt()));
}

TEST(InfoFile, AFileOfTheLimitIsShown) {
    Info h;
    const std::string bytes(kInfoFileMaxBytes, 'x');
    writeFile(h.txt(), bytes);
    h.press();
    EXPECT_EQ(h.box(), bytes);
    EXPECT_TRUE(h.shown());
    EXPECT_EQ(h.caption(), "Close");
    EXPECT_EQ(h.ui.back(Control::Com_view_program_info), kDarkRed);
    EXPECT_TRUE(h.s.info_file_shown);
    EXPECT_FALSE(h.s.info_text_modified);
    EXPECT_TRUE(h.ui.messages.empty());
}

TEST(InfoFile, AFileOneByteOverTheLimitIsLeftToAnEditor) {
    Info h;
    writeFile(h.txt(), std::string(kInfoFileMaxBytes + 1, 'x'));
    h.ui.setText(Control::Text_Info, "Send command: x to Purlo.\r\n");
    h.press();
    ASSERT_EQ(h.ui.messages.size(), 1u);
    EXPECT_EQ(h.ui.messages[0].text, "View the Info file with an external editor");
    EXPECT_EQ(h.ui.messages[0].buttons, Buttons::Ok);
    EXPECT_EQ(h.box(), "Send command: x to Purlo.\r\n");
    EXPECT_FALSE(h.shown());
    EXPECT_EQ(h.caption(), "Program info");
    EXPECT_FALSE(h.s.info_file_shown);
}

TEST(InfoFile, AnEmptyFileShowsAnEmptyBox) {
    Info h;
    writeFile(h.txt(), "");
    h.ui.setText(Control::Text_Info, "old log");
    h.press();
    EXPECT_EQ(h.box(), "");
    EXPECT_TRUE(h.shown());
    EXPECT_EQ(h.caption(), "Close");
    EXPECT_TRUE(h.s.info_file_shown);
}

TEST(InfoFile, EditAndOkSavesTheTextWithOneLineEnd) {
    Info h;
    writeFile(h.txt(), "old text\r\n");
    h.press();
    h.key();
    h.ui.setText(Control::Text_Info, "new text\r\n");
    h.ui.answers = {Answer::Ok};
    h.press();
    ASSERT_EQ(h.ui.messages.size(), 1u);
    EXPECT_EQ(h.ui.messages[0].text, "Do you want to save the text modification ?");
    EXPECT_EQ(h.ui.messages[0].title, " Save this to Purlo.Txt");
    EXPECT_EQ(h.ui.messages[0].buttons, Buttons::OkCancel);
    EXPECT_EQ(readFile(h.txt()), "new text\r\n\r\n");
    EXPECT_EQ(h.strayFiles(), 0);
    EXPECT_FALSE(h.shown());
    EXPECT_EQ(h.box(), "");
    EXPECT_EQ(h.caption(), "View Info");
    EXPECT_EQ(h.ui.back(Control::Com_view_program_info), Colour::face());
    EXPECT_FALSE(h.s.info_file_shown);
    EXPECT_FALSE(h.s.info_text_modified);
}

TEST(InfoFile, EditAndCancelKeepsTheFileAndStillCloses) {
    Info h;
    writeFile(h.txt(), "old text\r\n");
    h.press();
    h.key();
    h.ui.setText(Control::Text_Info, "new text");
    h.ui.answers = {Answer::Cancel};
    h.press();
    EXPECT_EQ(h.ui.messages.size(), 1u);
    EXPECT_EQ(readFile(h.txt()), "old text\r\n");
    EXPECT_FALSE(h.shown());
    EXPECT_EQ(h.caption(), "View Info");
    EXPECT_FALSE(h.s.info_file_shown);
    EXPECT_FALSE(h.s.info_text_modified);
}

TEST(InfoFile, AnyKeyCountsAsAModification) {
    Info h;
    EXPECT_FALSE(h.s.info_text_modified);
    h.key();
    EXPECT_TRUE(h.s.info_text_modified);
    h.key();
    EXPECT_TRUE(h.s.info_text_modified);
}

TEST(InfoFile, BytesRoundTripUnchangedWhenNothingWasTyped) {
    Info h;
    std::string bytes;
    for (int b = 1; b < 256; ++b) bytes += static_cast<char>(b);
    bytes += "\0lone\nline feed, lone\rcarriage return, no final line end"s;
    writeFile(h.txt(), bytes);
    h.press();
    EXPECT_EQ(h.box(), bytes) << "shown byte for byte";
    h.press();
    EXPECT_TRUE(h.ui.messages.empty()) << "no question without a key press";
    EXPECT_EQ(readFile(h.txt()), bytes);
    EXPECT_EQ(h.caption(), "View Info");
    h.press();
    EXPECT_EQ(h.box(), bytes) << "and shown the same again";
}

TEST(InfoFile, WhatTheOperatorDidNotWriteNeverReachesTheFile) {
    Info h;
    writeFile(h.txt(), "operator notes\r\n");
    h.press();
    // The send log and the command list land in the shown box, Cls empties it.
    h.ui.setText(Control::Text_Info, h.box() + "Send command: x to Purlo.\r\n");
    h.console.doubleClick(Control::List_Info);
    h.press();
    EXPECT_EQ(readFile(h.txt()), "operator notes\r\n");
    h.press();
    h.ui.setText(Control::Text_Info, "");
    h.press();
    EXPECT_EQ(readFile(h.txt()), "operator notes\r\n");
    EXPECT_TRUE(h.ui.messages.empty());
}

TEST(InfoFile, TheCommandOverviewClosesWithoutTouchingAnyFile) {
    Info h;
    h.console.doubleClick(Control::List_Info);
    ASSERT_EQ(h.caption(), "Close");
    h.key();
    h.press();
    EXPECT_FALSE(h.shown());
    EXPECT_EQ(h.box(), "");
    EXPECT_EQ(h.caption(), "View Info");
    EXPECT_EQ(h.ui.back(Control::Com_view_program_info), Colour::face());
    EXPECT_FALSE(h.s.info_file_shown);
    EXPECT_TRUE(h.s.info_text_modified) << "kept for the next shown file";
    EXPECT_FALSE(fs::exists(h.txt()));
    EXPECT_TRUE(h.ui.messages.empty());

    // That earlier key makes the next close of the file ask.
    writeFile(h.txt(), "notes");
    h.press();
    ASSERT_TRUE(h.s.info_file_shown);
    h.ui.answers = {Answer::Cancel};
    h.press();
    EXPECT_EQ(h.ui.messages.size(), 1u);
    EXPECT_EQ(readFile(h.txt()), "notes");
}

TEST(InfoFile, TheCaptionNeverReturnsToProgramInfo) {
    Info h;
    writeFile(h.txt(), "a");
    for (int i = 0; i < 4; ++i) h.press();
    EXPECT_EQ(h.caption(), "View Info");
    h.press();
    EXPECT_EQ(h.caption(), "Close");
    EXPECT_EQ(h.box(), "a");
}

// A confirmed save that cannot be written.
void expectFailedSaveKeepsEverything(Info& h, const std::string& oldBytes) {
    ASSERT_EQ(h.ui.messages.size(), 2u);
    EXPECT_EQ(h.ui.messages[1].text, kNotFound);
    EXPECT_EQ(h.ui.messages[1].title, "");
    EXPECT_EQ(h.ui.messages[1].buttons, Buttons::Ok);
    EXPECT_TRUE(h.shown());
    EXPECT_EQ(h.box(), "edited");
    EXPECT_EQ(h.caption(), "Close");
    EXPECT_TRUE(h.s.info_file_shown);
    EXPECT_TRUE(h.s.info_text_modified);
    if (!oldBytes.empty()) {
        EXPECT_EQ(readFile(h.txt()), oldBytes);
    }
    // The next press asks again.
    h.ui.answers = {Answer::Cancel};
    h.press();
    EXPECT_EQ(h.ui.messages.size(), 3u);
    EXPECT_EQ(h.ui.messages[2].text, "Do you want to save the text modification ?");
    EXPECT_FALSE(h.shown());
}

void showAndEdit(Info& h, std::string_view bytes) {
    writeFile(h.txt(), bytes);
    h.press();
    ASSERT_TRUE(h.s.info_file_shown);
    h.key();
    h.ui.setText(Control::Text_Info, "edited");
    h.ui.answers = {Answer::Ok};
}

bool canCreateFileIn(const fs::path& dir) {
    const fs::path probe = dir / "write-probe";
    {
        std::ofstream out(probe);
        if (!out) return false;
    }
    fs::remove(probe);
    return true;
}

TEST(InfoFile, ASaveIntoAReadOnlyDirectoryRewritesTheWritableFileInPlace) {
    Info h;
    showAndEdit(h, "old\r\n");
    fs::permissions(h.dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    if (canCreateFileIn(h.dir.path())) {
        fs::permissions(h.dir.path(), fs::perms::owner_all);
        GTEST_SKIP() << "permission bits do not stop this user (root, or Windows, where a "
                        "folder's read-only mark does not); ReplaceFile's tests cover this";
    }
    h.press();
    fs::permissions(h.dir.path(), fs::perms::owner_all);
    EXPECT_EQ(h.ui.messages.size(), 1u) << "no failure message";
    EXPECT_FALSE(h.shown());
    EXPECT_EQ(readFile(h.txt()), "edited\r\n");
    EXPECT_EQ(h.strayFiles(), 0);
}

TEST(InfoFile, AWriteProtectedFileIsNotReplaced) {
    Info h;
    showAndEdit(h, "protected\r\n");
    fs::permissions(h.txt(), fs::perms::owner_read);
    if (std::ofstream(h.txt(), std::ios::app)) {
        GTEST_SKIP() << "permission bits do not stop this user (root)";
    }
    h.press();
    expectFailedSaveKeepsEverything(h, "protected\r\n");
    EXPECT_EQ(h.strayFiles(), 0);
}

TEST(InfoFile, ASaveOverADirectoryFailsAndLeavesNoTemporaryFile) {
    Info h;
    showAndEdit(h, "old\r\n");
    // Something else now occupies the name; nothing may be put in its place.
    fs::remove(h.txt());
    fs::create_directory(h.txt());
    writeFile(h.txt() / "inside", "kept");
    h.press();
    expectFailedSaveKeepsEverything(h, "");
    EXPECT_TRUE(fs::is_directory(h.txt()));
    EXPECT_EQ(readFile(h.txt() / "inside"), "kept");
    EXPECT_EQ(h.strayFiles(), 0);
}

TEST(InfoFile, ASaveIntoAVanishedDirectoryFailsAndKeepsTheOldFile) {
    Info h;
    showAndEdit(h, "old\r\n");
    // The working directory is moved away while the file is shown: the save
    // cannot even create its new file, whoever runs the test.
    const fs::path moved = h.dir.path().string() + "-moved";
    fs::rename(h.dir.path(), moved);
    h.press();
    fs::rename(moved, h.dir.path());
    expectFailedSaveKeepsEverything(h, "old\r\n");
    EXPECT_EQ(h.strayFiles(), 0);
}

TEST(InfoFile, ADirectoryInPlaceOfTheFileIsNotShown) {
    Info h;
    fs::create_directory(h.txt());
    h.press();
    ASSERT_EQ(h.ui.messages.size(), 1u);
    EXPECT_EQ(h.ui.messages[0].text, kNotFound);
    EXPECT_FALSE(h.shown());
    EXPECT_EQ(h.caption(), "Program info");
}

}  // namespace
}  // namespace purlo::test
