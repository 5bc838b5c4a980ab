// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <memory>

#include "acquisition/StartStop.h"
#include "fakes/Harness.h"
#include "fakes/ScriptedProbe.h"
#include "support/SettingsFixture.h"

namespace purlo::test {
namespace {

// Clicks Start; the n-th yield of the loop clicks Start again (the nested Stop).
void runUntilStopAt(Harness& h, int stopAt) {
    h.ui.atYield[stopAt] = [&h] { h.console.click(Control::Com_start_stop); };
    h.console.click(Control::Com_start_stop);
}

TEST(StartStop, StartOpensTheLinkAndAsksForTheDistance) {
    Harness h;
    h.ui.atYield[3] = [&h] {
        EXPECT_EQ(h.ui.text(Control::Com_start_stop), "Stop");
        EXPECT_EQ(h.ui.back(Control::Com_start_stop), Colour::of(170, 0, 0));
        EXPECT_EQ(h.ui.windowCaption(), "");
        EXPECT_TRUE(h.s.sampling_on);
        EXPECT_TRUE(h.s.port_open);
        EXPECT_EQ(h.port.sent, "?");
        EXPECT_EQ(h.port.settings, "300,N,8,1");
        h.console.click(Control::Com_start_stop);
    };
    h.console.click(Control::Com_start_stop);
    // The nested run stopped it, and the outer run returned.
    EXPECT_EQ(h.ui.text(Control::Com_start_stop), "Start");
    EXPECT_EQ(h.ui.back(Control::Com_start_stop), Colour::face());
    EXPECT_FALSE(h.s.sampling_on);
    EXPECT_FALSE(h.s.port_open);
    EXPECT_FALSE(h.port.open);
    EXPECT_EQ(h.s.request_cycle_step, 1);
    EXPECT_EQ(h.s.sample_length, 160);  // no settings file
    EXPECT_FALSE(h.s.settings_loaded);
    EXPECT_EQ(h.ui.list.size(), 1u);
}

TEST(StartStop, RequestCycleAsksForEveryValueInOrder) {
    Harness h;
    ScriptedProbe probe(h.port);
    h.ui.atYield[2] = [&h] { h.s.sampling_on = false; };
    runUntil(h, [&h] { return h.port.sent.size() >= 40; });
    // "?" at start, then j P s q Y m w k x c e g o a, nothing twice (15, and 16 without sampling).
    EXPECT_EQ(h.port.sent.substr(0, 40), "?jPsqYmwkxcegoajPsqYmwkxcegoajPsqYmwkxce");
    // Every value reached its caption.
    EXPECT_EQ(h.ui.text(Control::Com_view_burst_interval), "i 3");
    EXPECT_EQ(h.ui.text(Control::Com_view_us_fq), "25.1kc");
    EXPECT_EQ(h.ui.text(Control::Com_view_zender_volt), "U 12.5");
    EXPECT_EQ(h.ui.text(Control::Com_view_dead_time), "2cm");
    EXPECT_EQ(h.ui.text(Control::Com_view_koef), "0.6m/s");
    EXPECT_EQ(h.ui.text(Control::Com_view_temperature), "21.5");
    EXPECT_EQ(h.ui.text(Control::Com_auto_manuel), "Manuel tuning");
    EXPECT_EQ(h.ui.text(Control::Com_probe_print_on), "Rx each Burst");
    EXPECT_EQ(h.s.echo_b, 5);
    EXPECT_EQ(h.s.burst_b, 3);
}

TEST(StartStop, EveryLineAdvancesTheCycleAnEmptyOneToo) {
    Harness h;
    h.s.settings_loaded = true;
    h.ui.atYield[2] = [&h] { h.port.feed("\r\r\n\r"); };
    runUntil(h, [&h] { return h.port.inbox.empty() && h.port.sent.size() == 4; });
    EXPECT_EQ(h.port.sent, "?jPs");
    EXPECT_EQ(h.s.request_cycle_step, 4);
    EXPECT_EQ(h.ui.windowCaption(), "");  // nothing was decoded
}

TEST(StartStop, CarriageReturnEndsTheLineAndLineFeedIsDropped) {
    Harness h;
    h.s.settings_loaded = true;
    h.s.zero_offset_mm = 2000;
    h.ui.atYield[2] = [&h] { h.port.feed("D1500\r\nD1400\r\n"); };
    runUntilStopAt(h, 40);
    EXPECT_EQ(h.ui.windowCaption(), " 600 mm");
    EXPECT_EQ(h.port.sent, "?jP");
}

TEST(StartStop, AnEndlessLineKeepsOnlyItsFirstCharacters) {
    Harness h;
    h.s.settings_loaded = true;
    h.ui.atYield[2] = [&h] { h.port.feed("D" + std::string(kMaxLineLength - 1, '0') + "5\r"); };
    runUntilStopAt(h, static_cast<int>(kMaxLineLength) + 20);
    // With the tail kept the distance would read 5 and the caption -5 mm.
    EXPECT_EQ(h.ui.windowCaption(), " 0 mm");
}

TEST(StartStop, ControlCharactersAreDroppedButRecorded) {
    Harness h;
    h.console.files.openRecording(h.console.file("Purlo.Spl"));
    h.s.recording_on = true;
    h.ui.atYield[2] = [&h] {
        h.port.feed(
            std::string("c2\x01"
                        "15\r\n",
                        7));
    };
    runUntilStopAt(h, 30);
    EXPECT_EQ(h.ui.text(Control::Com_view_temperature), "21.5");
    h.console.files.closeRecording();
    EXPECT_EQ(readFile(h.console.file("Purlo.Spl")), std::string("c2\x01"
                                                                 "15\r\n",
                                                                 7));
}

TEST(StartStop, WaitsWithoutSpinningWhenTheProbeIsSilent) {
    Harness h;
    runUntilStopAt(h, 50);
    EXPECT_GE(h.ui.idleYields, 45);
}

TEST(StartStop, ExitInsideTheLoopEndsEverything) {
    Harness h;
    ScriptedProbe probe(h.port);
    h.ui.atYield[25] = [&h] { h.console.click(Control::Com_exit); };
    h.console.click(Control::Com_start_stop);
    EXPECT_TRUE(h.ui.ended);
    EXPECT_FALSE(h.port.open);
    EXPECT_EQ(h.ui.yields, 25);
}

TEST(StartStop, AValueThatOverflowsEndsAcquisitionWithTheMessage) {
    Harness h;
    h.ui.atYield[2] = [&h] { h.port.feed("q300\r\n"); };
    h.console.click(Control::Com_start_stop);
    EXPECT_EQ(h.ui.lastListLine(), "* Error while getting RS232 data via communication chanel!");
    EXPECT_EQ(h.ui.listIndex(), h.ui.listCount() - 1);
    EXPECT_EQ(h.ui.text(Control::Com_start_stop), "Start");
    EXPECT_EQ(h.ui.back(Control::Com_start_stop), Colour::face());
    EXPECT_FALSE(h.s.port_open);
    EXPECT_FALSE(h.port.open);
}

TEST(StartStop, AFailingReadEndsAcquisitionWithTheMessage) {
    Harness h;
    h.ui.atYield[5] = [&h] { h.port.failInput = true; };
    h.console.click(Control::Com_start_stop);
    EXPECT_EQ(h.ui.lastListLine(), "* Error while getting RS232 data via communication chanel!");
    EXPECT_FALSE(h.port.open);
}

TEST(StartStop, APortThatCannotOpenEndsAtTheFirstPass) {
    Harness h;
    h.port.failOpen = true;
    h.console.click(Control::Com_start_stop);
    EXPECT_EQ(h.ui.lastListLine(), "* Error while setting Comm. Port or baudrate!");
    EXPECT_EQ(h.ui.text(Control::Com_start_stop), "Start");
    EXPECT_EQ(h.port.sent, "");
    EXPECT_EQ(h.ui.yields, 2);
}

TEST(StartStop, TheCycleGoesOnFromWhereItStopped) {
    Harness h;
    ScriptedProbe probe(h.port);
    h.ui.atYield[2] = [&h] { h.s.sampling_on = false; };
    runUntil(h, [&h] { return h.port.sent.size() == 5; });
    EXPECT_EQ(h.port.sent, "?jPsq");
    h.port.sent.clear();
    h.ui.atYield.clear();
    runUntil(h, [&h] { return h.port.sent.size() == 3; });
    EXPECT_EQ(h.port.sent, "?Ym");
}

TEST(StartStop, SettingsAreReadOnceAtTheFirstStart) {
    Harness h;
    ConsoleState settings = testsupport::startUpSettings();
    settings.comm_port = 2;
    settings.pc_baud_rate = 9600;
    settings.inch_units = true;
    settings.zoom_horizontal = 12;
    settings.zoom_vertical = 130;
    settings.sample_length = 150;
    settings.zero_offset_mm = -500;
    testsupport::writeSettingsFile(h.dir.path(), settings);
    runUntilStopAt(h, 3);
    EXPECT_TRUE(h.s.settings_loaded);
    EXPECT_EQ(h.port.commPort, 2);
    EXPECT_EQ(h.port.settings, "9600,N,8,1");
    EXPECT_TRUE(h.s.inch_units);
    EXPECT_EQ(h.s.zero_offset_mm, -500);
    std::filesystem::remove(h.console.file("purlo.Set"));
    h.ui.yields = 0;
    runUntilStopAt(h, 3);
    EXPECT_TRUE(h.s.settings_loaded);  // not read again
    EXPECT_EQ(h.s.zero_offset_mm, -500);
}

}  // namespace
}  // namespace purlo::test

namespace purlo::test {
namespace {

TEST(StartStop, StopWhileAnEchoRecordIsAwaitedIsNoError) {
    Harness h;
    h.s.settings_loaded = true;
    h.s.sample_length = 160;
    ScriptedProbe probe(h.port);
    probe.unsolicited.clear();
    probe.replies['='] = "";  // the record never comes
    // Feed the unsolicited line step 15 waits for, once.
    h.ui.atYield[40] = [&h] { h.port.feed("D1000\r\n"); };
    auto stopped = std::make_shared<bool>(false);
    h.ui.everyYield = [&h, stopped](int) {
        if (!*stopped && h.port.sent.find('=') != std::string::npos) {
            *stopped = true;
            h.console.click(Control::Com_start_stop);
        }
    };
    h.console.click(Control::Com_start_stop);
    ASSERT_TRUE(*stopped);
    EXPECT_EQ(h.ui.listCount(), 1) << h.ui.lastListLine();
    EXPECT_EQ(h.ui.text(Control::Com_start_stop), "Start");
    EXPECT_FALSE(h.port.open);
    EXPECT_EQ(h.port.mode, InputMode::Text);
    EXPECT_EQ(h.port.inputLen, 1);
    EXPECT_EQ(h.port.sent.back(), '=');  // no "?" after the stop
}

}  // namespace
}  // namespace purlo::test
