// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>

#include "fakes/Harness.h"
#include "help/CommandList.h"

namespace purlo::test {
namespace {

// The overview exactly as the operator reads it, line ends included.
const std::string kHeading =
    "    ******    List of COMMANDS     ******\r\n"
    "\r\n"
    "To get specific info's on each commande, type the commande in the commande text box (right "
    "next to button [S.C]) and double click on the text box.\r\n"
    "\r\n";

const std::string kCommands =
    "[Z] Reset the probe microcontroller\r\n"
    "[S] Reset all parameters to default setting.\r\n"
    "[W] Write all parameters into the Probe flash EEPROM.\r\n"
    "[D] [d] increase/decrease the dead time distance with 1cm.\r\n"
    "[B] [b] In/decrease probe Baud rate.\r\n"
    "[c] Return the probe temperature.\r\n"
    "[?] Return distance form transducer to liquid level in mm.\r\n"
    "[g] Return the Burst bounce and [e] return the Echo bounce.\r\n"
    "[1] [2] [3] Probe send non stop, each new burst or only on request.\r\n"
    "[A] Disable the Manuel control, Set the Probe in Auto tune function.\r\n"
    "[M] Disable the Auto tune. Set the probe to manuel control.\r\n"
    "[R] [r] In/decrease the periode amount send with each ultrasonic burst.\r\n"
    "[I] [i] In/decrease the interval between each ultrasonic burst.\r\n"
    "[F] [f] In/decrease the ultrasonic transducer frequencie.\r\n"
    "[U] [u] In/decrease the burst voltage of the ultrasonic transducer.\r\n"
    "[T] [t] In/decrease the temperature propagation coeficient of Us sound.\r\n"
    "[V] [v] In/decrease the ultrasonic propagation speed value\r\n"
    "[5] [4] In/decrease the sample rate of the displayed graphic line.\r\n"
    "\r\n"
    "To send a command character to the probe.\r\n"
    "Type a command in the text box, command to be send (right next of the button S.C), and then "
    "click on [S.C]\r\n"
    "\r\n"
    "SEE ALSO THE COMMANDS;\r\n"
    "\r\n"
    " [m] [x] [h] [o] [a] [P] [j] [q] [n] [k] [w] [Y] [=] mostly returning a value setting without "
    "changing the value. These command (and of course the ones above) are usefull when you are "
    "writing your owne computer control application. Type the commande in the text box and Dbclick "
    "on the text box to get the corresponding info's.\r\n"
    "\r\n"
    "A command is transmitted from the PC to the Purlo Probe via the RS232 serial communicatiom "
    "Port, Comm 1, 2, 3 or 4, with the selected PC baud rate and comm port. Make sure that the "
    "Probe baud rate match the PC one and that the probe is connected to the selected comm Port. "
    "\r\n"
    "\r\n"
    "You can Copy and Print this list. To see an explanation on how to use this program, choose "
    "command [Program info].\r\n";

const std::string kOverview = kHeading + kCommands;

const Colour kDarkRed = Colour::of(170, 0, 0);

TEST(CommandList, TheHintLineShowsTheOverviewBelowAnEmptyLine) {
    Harness h;
    ASSERT_EQ(h.ui.listIndex(), 0);
    h.console.doubleClick(Control::List_Info);
    EXPECT_EQ(h.ui.text(Control::Text_Info), "\r\n" + kOverview);
    EXPECT_TRUE(h.ui.visible(Control::Text_Info));
    EXPECT_EQ(h.ui.text(Control::Com_view_program_info), "Close");
    EXPECT_EQ(h.ui.back(Control::Com_view_program_info), kDarkRed);
    EXPECT_FALSE(h.s.info_file_shown);
    EXPECT_EQ(h.ui.list.size(), 1u) << "nothing is added to the list";
}

TEST(CommandList, BlanksAndMissingFullStopsAreKept) {
    Harness h;
    h.console.doubleClick(Control::List_Info);
    const std::string text = h.ui.text(Control::Text_Info);
    EXPECT_TRUE(text.starts_with("\r\n    ******    List of COMMANDS     ******\r\n\r\nTo get"));
    EXPECT_NE(text.find("\r\n [m] [x] [h] [o] [a] [P] [j]"), std::string::npos);
    EXPECT_NE(text.find("to the selected comm Port. \r\n"), std::string::npos);
    EXPECT_NE(text.find("propagation speed value\r\n"), std::string::npos);
    EXPECT_NE(text.find("then click on [S.C]\r\n"), std::string::npos);
    EXPECT_TRUE(
        text.ends_with("\r\n\r\nYou can Copy and Print this list. To see an explanation on how to "
                       "use this program, choose command [Program info].\r\n"));
}

TEST(CommandList, NoSelectionCountsAsTheFirstLine) {
    Harness h;
    h.ui.setListIndex(-1);
    h.console.doubleClick(Control::List_Info);
    EXPECT_EQ(h.ui.text(Control::Text_Info), "\r\n" + kOverview);
}

TEST(CommandList, LaterLinesDoNothing) {
    Harness h;
    h.console.addInfo("* some message");
    ASSERT_EQ(h.ui.listIndex(), 1);
    h.console.doubleClick(Control::List_Info);
    EXPECT_EQ(h.ui.text(Control::Text_Info), "");
    EXPECT_FALSE(h.ui.visible(Control::Text_Info));
    EXPECT_EQ(h.ui.text(Control::Com_view_program_info), "Program info");
}

TEST(CommandList, TheSendLogStaysAboveTheOverview) {
    Harness h;
    h.ui.setText(Control::Text_Info, "Send command: x to Purlo.\r\n");
    h.console.doubleClick(Control::List_Info);
    EXPECT_EQ(h.ui.text(Control::Text_Info), "Send command: x to Purlo.\r\n\r\n" + kOverview);
}

TEST(CommandList, TextWithoutALineEndGetsOne) {
    Harness h;
    h.ui.setText(Control::Text_Info, "last line");
    h.console.doubleClick(Control::List_Info);
    EXPECT_EQ(h.ui.text(Control::Text_Info), "last line\r\n" + kOverview);
}

TEST(CommandList, EachDoubleClickAppendsAnotherCopy) {
    Harness h;
    h.console.doubleClick(Control::List_Info);
    h.console.doubleClick(Control::List_Info);
    EXPECT_EQ(h.ui.text(Control::Text_Info), "\r\n" + kOverview + "\r\n" + kOverview);
}

// A window whose Text_Info refuses the first text written to it.
class RefusingUi : public FakeUi {
  public:
    void setText(Control c, std::string_view t) override {
        if (c == Control::Text_Info && !t.empty() && refuse) {
            refuse = false;
            throw RuntimeError("text box refused");
        }
        FakeUi::setText(c, t);
    }
    bool refuse = true;
};

TEST(CommandList, AFailureEmptiesAndHidesTheBox) {
    TempDir dir;
    RefusingUi ui;
    RecordingSurface surface;
    FakeSerialPort port;
    Console console(ui, surface, port, dir.path());
    console.Form_Load();
    ui.FakeUi::setText(Control::Text_Info, "log\r\n");
    console.doubleClick(Control::List_Info);
    EXPECT_EQ(ui.text(Control::Text_Info), "");
    EXPECT_FALSE(ui.visible(Control::Text_Info));
    EXPECT_EQ(ui.text(Control::Com_view_program_info), "Close");
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.list.size(), 1u);
}

}  // namespace
}  // namespace purlo::test
