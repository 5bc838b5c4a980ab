// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "commands/ManualCommand.h"
#include "fakes/Harness.h"

namespace purlo::test {
namespace {

constexpr const char* kHint = "Info's: DbClick here for Purlo commande list and start info's.";
const Colour kBlack = Colour::palette(0);
const Colour kRed = Colour::palette(4);

struct Manual : Harness {
    void send(std::string_view box) {
        ui.setText(Control::Text_command_to_send, box);
        console.click(Control::Com_command_to_send);
    }
    std::string textInfo() const { return ui.text(Control::Text_Info); }
    std::filesystem::path spl() const { return dir.path() / "Purlo.Spl"; }
};

TEST(ManualCommand, OpensTheLinkThenSendsAndLogs) {
    Manual h;
    h.send("x");
    EXPECT_TRUE(h.s.port_open);
    EXPECT_EQ(h.port.log, (std::vector<std::string>{"port 1", "settings 300,N,8,1", "mode text",
                                                    "len 1", "open"}));
    EXPECT_EQ(h.port.sent, "x");
    EXPECT_EQ(h.ui.list, (std::vector<std::string>{kHint, "Send command: x to Purlo."}));
    EXPECT_EQ(h.ui.listIndex(), 1);
    EXPECT_EQ(h.textInfo(), "Send command: x to Purlo.\r\n");
    EXPECT_FALSE(h.ui.visible(Control::Text_Info)) << "the log does not show the box";
}

TEST(ManualCommand, AnOpenLinkIsUsedAsItIs) {
    Manual h;
    h.port.open = true;
    h.s.port_open = true;
    h.send("?");
    EXPECT_TRUE(h.port.log.empty());
    EXPECT_EQ(h.port.sent, "?");
}

TEST(ManualCommand, AnEmptyBoxSendsOneBlank) {
    Manual h;
    h.send("");
    EXPECT_EQ(h.port.sent, " ");
    EXPECT_EQ(h.ui.lastListLine(), "Send command:  to Purlo.");
    EXPECT_EQ(h.textInfo(), "Send command:  to Purlo.\r\n");
}

TEST(ManualCommand, OnlyTheFirstCharacterGoesOutButTheLogShowsTheWholeBox) {
    Manual h;
    h.send("abc");
    EXPECT_EQ(h.port.sent, "a");
    EXPECT_EQ(h.ui.lastListLine(), "Send command: abc to Purlo.");
    EXPECT_EQ(h.ui.text(Control::Text_command_to_send), "abc");
}

TEST(ManualCommand, EveryPressSendsAgainAndAppendsToTheLog) {
    Manual h;
    h.ui.setText(Control::Text_Info, "earlier\r\n");
    h.send("Y");
    h.console.click(Control::Com_command_to_send);
    EXPECT_EQ(h.port.sent, "YY");
    EXPECT_EQ(h.textInfo(),
              "earlier\r\nSend command: Y to Purlo.\r\nSend command: Y to Purlo.\r\n");
    EXPECT_EQ(h.ui.list.size(), 3u);
    EXPECT_EQ(h.ui.listIndex(), 2);
    EXPECT_EQ(h.port.opens, 1) << "the link stays open after the first press";
}

TEST(ManualCommand, HashStartsARecordingAndSendsNothing) {
    Manual h;
    {
        std::ofstream old(h.spl(), std::ios::binary);
        old << "an older, longer recording";
    }
    h.send("#");
    EXPECT_EQ(h.port.sent, "");
    EXPECT_TRUE(h.s.recording_on);
    EXPECT_TRUE(h.console.files.recording());
    EXPECT_EQ(h.ui.fore(Control::Text_command_to_send), kRed);
    EXPECT_EQ(std::filesystem::file_size(h.spl()), 0u) << "a new recording starts empty";
    EXPECT_EQ(h.ui.lastListLine(), "Send command: # to Purlo.");
    EXPECT_EQ(h.textInfo(), "Send command: # to Purlo.\r\n");
}

TEST(ManualCommand, ABoxStartingWithHashCountsAsHash) {
    Manual h;
    h.send("#x");
    EXPECT_EQ(h.port.sent, "");
    EXPECT_TRUE(h.s.recording_on);
    EXPECT_EQ(h.ui.lastListLine(), "Send command: #x to Purlo.");
}

TEST(ManualCommand, AnyOtherCommandEndsTheRecordingAndIsSent) {
    Manual h;
    h.send("#");
    h.console.files.append("D2145\r\n");
    h.send("?");
    EXPECT_FALSE(h.s.recording_on);
    EXPECT_FALSE(h.console.files.recording());
    EXPECT_EQ(h.ui.fore(Control::Text_command_to_send), kBlack);
    EXPECT_EQ(h.port.sent, "?");
    EXPECT_EQ(std::filesystem::file_size(h.spl()), 7u) << "the recording is kept";
}

TEST(ManualCommand, HashAgainEndsTheRecordingWithoutEmptyingIt) {
    // The help page tells the operator to stop the recorder with "#" and
    // "S.C" again; doing so must keep what was recorded.
    Manual h;
    h.send("#");
    h.console.files.append("D2145\r\n");
    h.console.click(Control::Com_command_to_send);
    EXPECT_FALSE(h.s.recording_on);
    EXPECT_FALSE(h.console.files.recording());
    EXPECT_EQ(h.ui.fore(Control::Text_command_to_send), kBlack);
    EXPECT_EQ(std::filesystem::file_size(h.spl()), 7u);
    EXPECT_EQ(h.port.sent, "");
    EXPECT_EQ(h.ui.lastListLine(), "Send command: # to Purlo.");
    // A third press starts a fresh recording.
    h.console.click(Control::Com_command_to_send);
    EXPECT_TRUE(h.s.recording_on);
    EXPECT_EQ(h.ui.fore(Control::Text_command_to_send), kRed);
    EXPECT_EQ(std::filesystem::file_size(h.spl()), 0u);
}

TEST(ManualCommand, APortThatCannotOpenIsReportedThenTheSendFails) {
    Manual h;
    h.port.failOpen = true;
    h.ui.setText(Control::Text_Info, "log\r\n");
    h.send("x");
    EXPECT_EQ(h.ui.list,
              (std::vector<std::string>{kHint, "* Error while setting Comm. Port or baudrate!",
                                        "* Error while sending command to Purlo Probe!"}));
    EXPECT_EQ(h.ui.listIndex(), 2);
    EXPECT_EQ(h.textInfo(), "log\r\n* Error while sending command to Purlo Probe!\r\n");
    EXPECT_FALSE(h.s.port_open);
    EXPECT_TRUE(h.ui.messages.empty());
}

TEST(ManualCommand, AFailedSendStillEndsTheRecording) {
    Manual h;
    h.send("#");
    h.port.failOutput = true;
    h.send("v");
    EXPECT_FALSE(h.s.recording_on);
    EXPECT_EQ(h.ui.fore(Control::Text_command_to_send), kBlack);
    EXPECT_EQ(h.ui.lastListLine(), "* Error while sending command to Purlo Probe!");
}

TEST(ManualCommand, HashWorksWithoutALink) {
    Manual h;
    h.port.failOpen = true;
    h.send("#");
    EXPECT_TRUE(h.s.recording_on);
    EXPECT_EQ(h.ui.lastListLine(), "Send command: # to Purlo.");
}

TEST(ManualCommand, ARecordingFileThatCannotBeCreatedIsReported) {
    Manual h;
    std::filesystem::create_directory(h.spl());
    h.send("#");
    EXPECT_FALSE(h.s.recording_on);
    EXPECT_NE(h.ui.fore(Control::Text_command_to_send), kRed);
    EXPECT_EQ(h.ui.lastListLine(), "* Error while sending command to Purlo Probe!");
    EXPECT_EQ(h.textInfo(), "* Error while sending command to Purlo Probe!\r\n");
}

}  // namespace
}  // namespace purlo::test
