// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "connection/PortSelection.h"
#include "fakes/Harness.h"

namespace purlo::test {
namespace {

TEST(PortButton, CyclesOneToFour) {
    Harness h;
    std::vector<std::string> captions;
    for (int i = 0; i < 4; ++i) {
        h.console.click(Control::Com_Comm_port);
        captions.push_back(h.ui.text(Control::Com_Comm_port));
    }
    EXPECT_EQ(captions, (std::vector<std::string>{"Comm2", "Comm3", "Comm4", "Comm1"}));
    EXPECT_TRUE(h.port.log.empty());
}

TEST(PortButton, ANumberThatCannotGrowIsReported) {
    Harness h;
    h.s.comm_port = 255;  // only a settings file brings such a value
    h.console.click(Control::Com_Comm_port);
    EXPECT_EQ(h.s.comm_port, 255);
    EXPECT_EQ(h.ui.lastListLine(), "* Error while setting Comm port! *");
    EXPECT_EQ(h.ui.listIndex(), 1);
    h.s.comm_port = 254;  // 255 is above 4: back to 1
    h.console.click(Control::Com_Comm_port);
    EXPECT_EQ(h.ui.text(Control::Com_Comm_port), "Comm1");
}

TEST(BaudButton, CyclesThroughTheRates) {
    Harness h;
    std::vector<std::string> captions;
    for (int i = 0; i < 7; ++i) {
        h.console.click(Control::Com_baudrate_pc);
        captions.push_back(h.ui.text(Control::Com_baudrate_pc));
    }
    EXPECT_EQ(captions,
              (std::vector<std::string>{"2400", "4800", "9600", "19200", "38400", "1200", "2400"}));
}

TEST(BaudButton, RatesOffTheCycleDoubleUntilTheyPassTheTop) {
    Harness h;
    h.s.pc_baud_rate = 1500;
    std::vector<std::string> captions;
    for (int i = 0; i < 5; ++i) {
        h.console.click(Control::Com_baudrate_pc);
        captions.push_back(h.ui.text(Control::Com_baudrate_pc));
    }
    EXPECT_EQ(captions, (std::vector<std::string>{"3000", "6000", "12000", "24000", "1200"}));
    h.s.pc_baud_rate = 57600;
    h.console.click(Control::Com_baudrate_pc);
    EXPECT_EQ(h.ui.text(Control::Com_baudrate_pc), "1200");
}

TEST(BaudButton, DoublingBeyondThirtyTwoBitsIsReported) {
    Harness h;
    h.s.pc_baud_rate = 1 << 30;
    h.console.click(Control::Com_baudrate_pc);
    EXPECT_EQ(h.s.pc_baud_rate, 1 << 30);
    EXPECT_EQ(h.ui.lastListLine(), "* Error while setting Baud Rate! * Check Comport!");
    EXPECT_EQ(h.ui.listIndex(), 1);
}

TEST(Bauderate, ConfiguresAndOpensInOrder) {
    Harness h;
    bauderate(h.console);
    EXPECT_TRUE(h.s.port_open);
    EXPECT_TRUE(h.port.open);
    EXPECT_EQ(h.port.log, (std::vector<std::string>{"port 1", "settings 300,N,8,1", "mode text",
                                                    "len 1", "open"}));
    EXPECT_EQ(h.port.sent, "");
}

TEST(Bauderate, ReopensAnOpenPortWithTheNewChoice) {
    Harness h;
    bauderate(h.console);
    h.console.click(Control::Com_Comm_port);
    h.console.click(Control::Com_baudrate_pc);
    h.port.log.clear();
    bauderate(h.console);
    EXPECT_EQ(h.port.log, (std::vector<std::string>{"close", "port 2", "settings 2400,N,8,1",
                                                    "mode text", "len 1", "open"}));
    EXPECT_TRUE(h.s.port_open);
}

TEST(Bauderate, ARateOutsideTheTableKeepsTheLineSettings) {
    Harness h;
    h.s.pc_baud_rate = 57600;
    h.ui.setText(Control::Com_baudrate_pc, "57600");
    bauderate(h.console);
    EXPECT_TRUE(h.s.port_open);
    for (const std::string& op : h.port.log) EXPECT_NE(op.rfind("settings", 0), 0u) << op;
}

TEST(Bauderate, ZeroPortAndLowRateAreRepaired) {
    Harness h;
    h.s.comm_port = 0;
    h.s.pc_baud_rate = 100;
    h.ui.setText(Control::Com_Comm_port, "Comm0");
    bauderate(h.console);
    EXPECT_EQ(h.s.comm_port, 1);
    EXPECT_EQ(h.ui.text(Control::Com_Comm_port), "Comm1");
    EXPECT_EQ(h.s.pc_baud_rate, 300);
    EXPECT_EQ(h.ui.text(Control::Com_baudrate_pc), "300");
    EXPECT_EQ(h.port.commPort, 1);
}

TEST(Bauderate, AMissingPortIsReportedAndStartRestored) {
    Harness h;
    h.port.portExists = [](int n) { return n == 1; };
    h.console.click(Control::Com_Comm_port);
    h.ui.setText(Control::Com_start_stop, "Stop");
    h.ui.setBackColour(Control::Com_start_stop, Colour::of(170, 0, 0));
    bauderate(h.console);
    EXPECT_FALSE(h.s.port_open);
    EXPECT_FALSE(h.port.open);
    EXPECT_EQ(h.ui.lastListLine(), "* Error while setting Comm. Port or baudrate!");
    EXPECT_EQ(h.ui.listIndex(), h.ui.listCount() - 1);
    EXPECT_EQ(h.ui.text(Control::Com_start_stop), "Start");
    EXPECT_EQ(h.ui.back(Control::Com_start_stop), Colour::face());
    EXPECT_TRUE(h.ui.messages.empty());
}

}  // namespace
}  // namespace purlo::test
