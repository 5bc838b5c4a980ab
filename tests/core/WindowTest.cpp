// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "fakes/Harness.h"

namespace purlo::test {
namespace {

TEST(FormLoad, SetsTheStartValuesAndTheHintLine) {
    Harness h;
    EXPECT_EQ(h.s.cr_lf, "\r\n");
    EXPECT_EQ(h.s.zoom_horizontal, 10);
    EXPECT_EQ(h.s.zoom_vertical, 150);
    EXPECT_EQ(h.s.diagram_slot, 1);
    EXPECT_EQ(h.s.comm_port, 1);
    EXPECT_EQ(h.s.pc_baud_rate, 300);
    EXPECT_EQ(h.ui.text(Control::Com_Comm_port), "Comm1");
    EXPECT_EQ(h.ui.text(Control::Com_baudrate_pc), "300");
    EXPECT_EQ(h.ui.windowCaption(), " Purlo");
    ASSERT_EQ(h.ui.list.size(), 1u);
    EXPECT_EQ(h.ui.list[0], "Info's: DbClick here for Purlo commande list and start info's.");
    EXPECT_EQ(h.ui.listIndex(), 0);
    EXPECT_FALSE(h.s.port_open);
    EXPECT_FALSE(h.port.open);
    EXPECT_TRUE(h.port.log.empty());
    EXPECT_TRUE(h.ui.messages.empty());
}

TEST(FormLoad, StateStartsAtZeroBeforeLoad) {
    ConsoleState fresh;
    EXPECT_EQ(fresh.cr_lf, std::string(2, '\0'));
    EXPECT_EQ(fresh.comm_port, 0);
    EXPECT_EQ(fresh.pc_baud_rate, 0);
    EXPECT_EQ(fresh.tuning_mode, 0);
    EXPECT_EQ(fresh.sample_length, 0);
    EXPECT_FALSE(fresh.port_open);
}

TEST(FormClick, WithThePortClosedPointsToTheStartButton) {
    Harness h;
    h.console.Form_Click();
    EXPECT_EQ(h.ui.windowCaption(), " Begin transmission with Start button.");
    EXPECT_EQ(h.ui.back(Control::Com_start_stop), Colour::of(128, 128, 0));
    EXPECT_EQ(h.port.sent, "");
    // The slots are laid out on every click.
    EXPECT_EQ(h.s.slot_y_top, 708);
}

TEST(FormClick, WithThePortOpenAsksForTheDistanceOnce) {
    Harness h;
    h.port.open = true;
    h.s.port_open = true;
    h.console.Form_Click();
    EXPECT_EQ(h.port.sent, "?");
    EXPECT_EQ(h.ui.text(Control::Text_command_to_send), " ");
    EXPECT_EQ(h.ui.windowCaption(), " Purlo");
    EXPECT_EQ(h.ui.back(Control::Com_start_stop), Colour::of(192, 255, 192));
}

TEST(FormClick, AFailingWriteEndsSilently) {
    Harness h;
    h.s.port_open = true;  // the port itself is closed: output fails
    h.console.Form_Click();
    EXPECT_EQ(h.ui.text(Control::Text_command_to_send), " ");
    EXPECT_EQ(h.ui.list.size(), 1u);
    EXPECT_TRUE(h.ui.messages.empty());
}

TEST(Exit, WithThePortClosedLeavesThePortAlone) {
    Harness h;
    h.console.Com_exit_Click();
    EXPECT_TRUE(h.ui.ended);
    EXPECT_TRUE(h.console.ending());
    EXPECT_TRUE(h.port.log.empty());
}

TEST(Exit, ClosesAnOpenPortAndTheFiles) {
    Harness h;
    h.port.open = true;
    h.s.port_open = true;
    h.console.files.openRecording(h.console.file("Purlo.Spl"));
    h.console.click(Control::Com_exit);
    EXPECT_FALSE(h.port.open);
    EXPECT_FALSE(h.console.files.recording());
    EXPECT_TRUE(h.ui.ended);
}

TEST(InfoList, KeepsTheFirstLineAndTheNewestLines) {
    Harness h;
    for (int i = 0; i < Console::kMaxInfoLines + 10; ++i)
        h.console.addInfo("line " + std::to_string(i));
    EXPECT_EQ(h.ui.listCount(), Console::kMaxInfoLines);
    EXPECT_EQ(h.ui.list.front(), "Info's: DbClick here for Purlo commande list and start info's.");
    EXPECT_EQ(h.ui.list.back(), "line " + std::to_string(Console::kMaxInfoLines + 9));
    EXPECT_EQ(h.ui.listIndex(), Console::kMaxInfoLines - 1);
}

}  // namespace
}  // namespace purlo::test
