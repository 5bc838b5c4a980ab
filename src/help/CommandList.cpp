// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/CommandList.h"

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "app/Console.h"
#include "app/HandlerFailure.h"
#include "help/InfoFile.h"

namespace purlo {

namespace {

// The short manual of the probe protocol, word for word as the operators
// know it (its spelling and its trailing blanks included).
constexpr std::array<std::string_view, 4> kHeading{
    "    ******    List of COMMANDS     ******",
    "",
    "To get specific info's on each commande, type the commande in the commande text box (right "
    "next to button [S.C]) and double click on the text box.",
    "",
};

constexpr std::array<std::string_view, 29> kBody{
    "[Z] Reset the probe microcontroller",
    "[S] Reset all parameters to default setting.",
    "[W] Write all parameters into the Probe flash EEPROM.",
    "[D] [d] increase/decrease the dead time distance with 1cm.",
    "[B] [b] In/decrease probe Baud rate.",
    "[c] Return the probe temperature.",
    "[?] Return distance form transducer to liquid level in mm.",
    "[g] Return the Burst bounce and [e] return the Echo bounce.",
    "[1] [2] [3] Probe send non stop, each new burst or only on request.",
    "[A] Disable the Manuel control, Set the Probe in Auto tune function.",
    "[M] Disable the Auto tune. Set the probe to manuel control.",
    "[R] [r] In/decrease the periode amount send with each ultrasonic burst.",
    "[I] [i] In/decrease the interval between each ultrasonic burst.",
    "[F] [f] In/decrease the ultrasonic transducer frequencie.",
    "[U] [u] In/decrease the burst voltage of the ultrasonic transducer.",
    "[T] [t] In/decrease the temperature propagation coeficient of Us sound.",
    "[V] [v] In/decrease the ultrasonic propagation speed value",
    "[5] [4] In/decrease the sample rate of the displayed graphic line.",
    "",
    "To send a command character to the probe.",
    "Type a command in the text box, command to be send (right next of the button S.C), and then "
    "click on [S.C]",
    "",
    "SEE ALSO THE COMMANDS;",
    "",
    " [m] [x] [h] [o] [a] [P] [j] [q] [n] [k] [w] [Y] [=] mostly returning a value setting without "
    "changing the value. These command (and of course the ones above) are usefull when you are "
    "writing your owne computer control application. Type the commande in the text box and Dbclick "
    "on the text box to get the corresponding info's.",
    "",
    "A command is transmitted from the PC to the Purlo Probe via the RS232 serial communicatiom "
    "Port, Comm 1, 2, 3 or 4, with the selected PC baud rate and comm port. Make sure that the "
    "Probe baud rate match the PC one and that the probe is connected to the selected comm Port. ",
    "",
    "You can Copy and Print this list. To see an explanation on how to use this program, choose "
    "command [Program info].",
};

void appendLines(std::string& text, std::span<const std::string_view> lines,
                 const std::string& lineEnd) {
    for (const std::string_view line : lines) {
        text += line;
        text += lineEnd;
    }
}

// Half an overview is no use: the box goes away empty.
void dropOverview(Console& c) {
    c.ui.setText(Control::Text_Info, "");
    c.ui.setVisible(Control::Text_Info, false);
}

}  // namespace

void List_Info_DblClick(Console& c) {
    runHandler(c, dropOverview, [&] {
        // Only the hint line (or no selection) invites the overview.
        if (c.ui.listIndex() > 0) return;
        showInfoBox(c);
        // Appended, never replacing: the box may hold the send log or the
        // information file.
        std::string text = c.ui.text(Control::Text_Info) + c.s.cr_lf;
        appendLines(text, kHeading, c.s.cr_lf);
        c.ui.setText(Control::Text_Info, text);
        text = c.ui.text(Control::Text_Info);
        appendLines(text, kBody, c.s.cr_lf);
        c.ui.setText(Control::Text_Info, text);
    });
}

}  // namespace purlo
