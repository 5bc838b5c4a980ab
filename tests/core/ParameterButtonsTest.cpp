// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/ParameterButtons.h"
#include "fakes/Harness.h"

namespace purlo::test {
namespace {

// A console whose link is open, as during live acquisition.
struct Linked : Harness {
    Linked() {
        port.open = true;
        s.port_open = true;
        ui.setText(Control::Text_command_to_send, "before");
    }
    std::string box() const { return ui.text(Control::Text_command_to_send); }
};

struct PlainButton {
    Control control;
    char command;
};

// Every plain button with the character it must send, clicked through the
// window's dispatch.
const std::vector<PlainButton> kPlainButtons{
    {Control::Com_burst_interval_min, 'i'},
    {Control::Com_burst_interval_plus, 'I'},
    {Control::Com_view_burst_interval, 'j'},
    {Control::Com_burst_length_min, 'r'},
    {Control::Com_burst_length_plus, 'R'},
    {Control::Com_view_burst_length, 'P'},
    {Control::Com_zender_volt_min, 'u'},
    {Control::Com_zender_volt_plus, 'U'},
    {Control::Com_view_zender_volt, 's'},
    {Control::Com_us_fq_min, 'f'},
    {Control::Com_us_fq_plus, 'F'},
    {Control::Com_view_us_fq, 'q'},
    {Control::Com_Probe_sample_rate_min, '4'},
    {Control::Com_Probe_sample_rate_plus, '5'},
    {Control::Com_view_Probe_sample_rate, 'Y'},
    {Control::Com_dead_time_min, 'd'},
    {Control::Com_dead_time_plus, 'D'},
    {Control::Com_view_dead_time, 'm'},
    {Control::Com_us_speed_min, 'v'},
    {Control::Com_us_speed_plus, 'V'},
    {Control::Com_view_us_speed, 'w'},
    {Control::Com_koef_min, 't'},
    {Control::Com_koef_plus, 'T'},
    {Control::Com_view_koef, 'k'},
    {Control::Com_micro_min_baudrate, 'b'},
    {Control::Com_micro_plus_baudrate, 'B'},
    {Control::Com_micro_view_baudrate, 'x'},
    {Control::Com_view_temperature, 'c'},
    {Control::Com_reset_probe, 'Z'},
    {Control::Com_reset_to_default, 'S'},
};

// Reported values at which every conditional button is free to send.
void allowEverything(ConsoleState& s) {
    s.burst_length = 4;
    s.frequency_index = 30;
    s.sample_rate = 50;
}

TEST(ParameterButtons, EachButtonWritesTheBoxThenSendsItsCharacter) {
    ASSERT_EQ(parameterButtons().size(), kPlainButtons.size());
    for (const auto& b : kPlainButtons) {
        const std::string expected(1, b.command);
        Linked h;
        allowEverything(h.s);
        std::string boxWhenSent;
        h.port.onOutput = [&](std::string_view) { boxWhenSent = h.box(); };
        h.console.click(b.control);
        SCOPED_TRACE(controlInfo(b.control).name);
        EXPECT_EQ(h.port.sent, expected);
        EXPECT_EQ(h.box(), expected);
        EXPECT_EQ(boxWhenSent, expected) << "the box is written before the send";
        EXPECT_EQ(h.ui.list.size(), 1u);
    }
}

TEST(ParameterButtons, UnconditionalButtonsSendBeforeAnyReport) {
    for (const auto& b : kPlainButtons) {
        Linked h;  // every reported value still 0
        h.console.click(b.control);
        const bool heldBack = b.command == 'r' || b.command == 'f' || b.command == '4';
        EXPECT_EQ(h.port.sent, heldBack ? "" : std::string(1, b.command))
            << controlInfo(b.control).name;
    }
}

struct Boundary {
    Control control;
    std::uint8_t ConsoleState::*value;
    std::uint8_t reported;
    bool sends;
};

class ParameterButtonBoundary : public ::testing::TestWithParam<Boundary> {};

TEST_P(ParameterButtonBoundary, SendsOnlyInsideTheRange) {
    const Boundary& b = GetParam();
    Linked h;
    allowEverything(h.s);
    h.s.*b.value = b.reported;
    h.console.click(b.control);
    if (b.sends) {
        EXPECT_EQ(h.port.sent.size(), 1u);
        EXPECT_EQ(h.box(), h.port.sent);
    } else {
        EXPECT_EQ(h.port.sent, "");
        EXPECT_EQ(h.box(), "before") << "a held-back click leaves the box alone";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Limits, ParameterButtonBoundary,
    ::testing::Values(
        Boundary{Control::Com_burst_length_min, &ConsoleState::burst_length, 0, false},
        Boundary{Control::Com_burst_length_min, &ConsoleState::burst_length, 1, false},
        Boundary{Control::Com_burst_length_min, &ConsoleState::burst_length, 2, true},
        Boundary{Control::Com_burst_length_min, &ConsoleState::burst_length, 255, true},
        Boundary{Control::Com_burst_length_plus, &ConsoleState::burst_length, 255, true},
        Boundary{Control::Com_us_fq_min, &ConsoleState::frequency_index, 0, false},
        Boundary{Control::Com_us_fq_min, &ConsoleState::frequency_index, 4, false},
        Boundary{Control::Com_us_fq_min, &ConsoleState::frequency_index, 5, true},
        Boundary{Control::Com_us_fq_plus, &ConsoleState::frequency_index, 0, true},
        Boundary{Control::Com_us_fq_plus, &ConsoleState::frequency_index, 53, true},
        Boundary{Control::Com_us_fq_plus, &ConsoleState::frequency_index, 54, false},
        Boundary{Control::Com_us_fq_plus, &ConsoleState::frequency_index, 255, false},
        Boundary{Control::Com_Probe_sample_rate_min, &ConsoleState::sample_rate, 0, false},
        Boundary{Control::Com_Probe_sample_rate_min, &ConsoleState::sample_rate, 1, false},
        Boundary{Control::Com_Probe_sample_rate_min, &ConsoleState::sample_rate, 2, true},
        Boundary{Control::Com_Probe_sample_rate_plus, &ConsoleState::sample_rate, 0, true},
        Boundary{Control::Com_Probe_sample_rate_plus, &ConsoleState::sample_rate, 99, true},
        Boundary{Control::Com_Probe_sample_rate_plus, &ConsoleState::sample_rate, 100, false},
        Boundary{Control::Com_Probe_sample_rate_plus, &ConsoleState::sample_rate, 255, false}));

TEST(ParameterButtons, WithThePortClosedTheBoxShowsTheCharacterAndNothingIsReported) {
    Harness h;  // right after start-up
    h.console.click(Control::Com_burst_interval_plus);
    EXPECT_EQ(h.ui.text(Control::Text_command_to_send), "I");
    EXPECT_EQ(h.port.sent, "");
    EXPECT_EQ(h.ui.list.size(), 1u);
    EXPECT_TRUE(h.ui.messages.empty());
    EXPECT_FALSE(h.port.open) << "a button never opens the link";
}

TEST(ParameterButtons, AFailingWriteEndsSilently) {
    Linked h;
    h.port.failOutput = true;
    h.console.click(Control::Com_reset_probe);
    EXPECT_EQ(h.ui.text(Control::Text_command_to_send), "Z");
    EXPECT_EQ(h.ui.list.size(), 1u);
    EXPECT_TRUE(h.ui.messages.empty());
}

TEST(ParameterButtons, RestartAndDefaultsChangeNoStateOfTheConsole) {
    Linked h;
    h.s.burst_length = 7;
    h.s.tuning_mode = 2;
    const std::string caption = h.ui.text(Control::Com_start_stop);
    h.console.click(Control::Com_reset_to_default);
    h.console.click(Control::Com_reset_probe);
    EXPECT_EQ(h.port.sent, "SZ");
    EXPECT_EQ(h.s.burst_length, 7);
    EXPECT_EQ(h.s.tuning_mode, 2);
    EXPECT_TRUE(h.s.port_open);
    EXPECT_EQ(h.ui.text(Control::Com_start_stop), caption);
}

TEST(AutoManuel, SendsByTuningMode) {
    const std::vector<std::pair<std::uint8_t, std::string>> cases{
        {0, "a"}, {1, "A"}, {2, "M"}, {3, ""}, {255, ""}};
    for (const auto& [mode, expected] : cases) {
        Linked h;
        h.s.tuning_mode = mode;
        h.console.click(Control::Com_auto_manuel);
        EXPECT_EQ(h.port.sent, expected) << "tuning_mode " << int{mode};
        EXPECT_EQ(h.box(), expected.empty() ? "before" : expected);
        EXPECT_EQ(h.s.tuning_mode, mode);
        EXPECT_EQ(h.ui.text(Control::Com_auto_manuel), "Auto / Manuel");
    }
}

TEST(AutoManuel, SendsFirstAndWritesTheBoxSecond) {
    Linked h;
    h.s.tuning_mode = 1;
    std::string boxWhenSent;
    h.port.onOutput = [&](std::string_view) { boxWhenSent = h.box(); };
    h.console.click(Control::Com_auto_manuel);
    EXPECT_EQ(boxWhenSent, "before");
    EXPECT_EQ(h.box(), "A");
}

TEST(AutoManuel, AFailedSendLeavesTheBoxAsItWas) {
    Harness h;  // port closed
    h.ui.setText(Control::Text_command_to_send, "q");
    h.console.click(Control::Com_auto_manuel);
    EXPECT_EQ(h.ui.text(Control::Text_command_to_send), "q");
    EXPECT_EQ(h.ui.list.size(), 1u);
    EXPECT_TRUE(h.ui.messages.empty());
}

TEST(AutoManuel, ClicksBeforeTheReplySendTheSameCharacterAgain) {
    Linked h;
    h.console.click(Control::Com_auto_manuel);
    h.console.click(Control::Com_auto_manuel);
    EXPECT_EQ(h.port.sent, "aa");
}

TEST(ReceiveMode, EveryBranch) {
    const std::vector<std::pair<std::uint8_t, std::string>> cases{{0, "o"}, {1, "2"}, {2, "3"},
                                                                  {3, "1"}, {4, ""},  {255, ""}};
    for (const auto& [mode, expected] : cases) {
        Linked h;
        h.s.receive_mode = mode;
        std::string boxWhenSent;
        h.port.onOutput = [&](std::string_view) { boxWhenSent = h.box(); };
        h.console.click(Control::Com_probe_print_on);
        EXPECT_EQ(h.port.sent, expected) << "receive_mode " << int{mode};
        EXPECT_EQ(h.box(), expected.empty() ? "before" : expected);
        if (!expected.empty()) {
            EXPECT_EQ(boxWhenSent, expected);
        }
        EXPECT_EQ(h.s.receive_mode, mode);
        EXPECT_EQ(h.ui.text(Control::Com_probe_print_on), "Receive 1 2 3");
    }
}

TEST(ReceiveMode, WithThePortClosedTheBoxIsWrittenAndNothingIsReported) {
    Harness h;
    h.s.receive_mode = 3;
    h.console.click(Control::Com_probe_print_on);
    EXPECT_EQ(h.ui.text(Control::Text_command_to_send), "1");
    EXPECT_EQ(h.port.sent, "");
    EXPECT_EQ(h.ui.list.size(), 1u);
}

TEST(ParameterButtons, OtherControlsAreNotParameterButtons) {
    for (const Control c :
         {Control::Com_start_stop, Control::Com_auto_manuel, Control::Com_probe_print_on,
          Control::Com_command_to_send, Control::Com_Save_to_eeprom, Control::Com_one_sample}) {
        EXPECT_EQ(parameterButton(c), nullptr) << controlInfo(c).name;
    }
}

}  // namespace
}  // namespace purlo::test
