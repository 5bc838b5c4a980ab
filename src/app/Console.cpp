// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Console.h"

#include <exception>

#include "app/HandlerFailure.h"
#include "text/Numbers.h"

namespace purlo {

Console::Console(Ui& ui_, Surface& surface_, SerialPort& port_, std::filesystem::path workDir)
    : reporting_(port_, observer_),
      ui(ui_),
      surface(surface_),
      port(reporting_),
      workDir_(std::move(workDir)) {}

void Console::addInfo(std::string_view line) {
    ui.addListLine(line);
    while (ui.listCount() > kMaxInfoLines) ui.removeListLine(1);
    ui.setListIndex(ui.listCount() - 1);
}

template <class Write>
void Console::guardRecording(Write&& write) {
    try {
        write();
    } catch (const std::exception&) {
        endRecording();
        addInfo(
            "* Recording stopped: Purlo.Spl could not be written. What was recorded before is "
            "kept.");
        throw;
    }
}

void Console::record(std::string_view bytes) {
    guardRecording([&] {
        files.append(bytes);
        for (const char ch : bytes) {
            if (ch == '\r') files.markReplyEnded();
            if (ch == '\n') files.markWhole();
        }
    });
}

void Console::recordedSampleLine() {
    files.markWhole();
}

void Console::mendRecordingCutByLoss() {
    guardRecording([&] {
        if (files.replyEnded()) {
            files.append("\n");
            files.markWhole();
        } else {
            files.dropSinceWhole();
        }
    });
}

void Console::endRecording() {
    files.closeRecording();
    ui.setTextColour(Control::Text_command_to_send, Colour::palette(kCommandText));
    s.recording_on = false;
}

std::string Console::floatText(float value) const {
    return purlo::floatText(value, ui.decimalSeparator());
}

void Console::Form_Load() {
    runHandler(*this, Reaction::messageBox(" Error. Check comm port, maybe used else where."), [&] {
        s.cr_lf = "\r\n";
        s.zoom_horizontal = 10;
        s.zoom_vertical = 150;
        s.diagram_slot = 1;
        if (s.comm_port == 0) {
            s.comm_port = 1;
            ui.setText(Control::Com_Comm_port, "Comm" + intText(s.comm_port));
        }
        if (s.pc_baud_rate == 0) {
            s.pc_baud_rate = 300;
            ui.setText(Control::Com_baudrate_pc, intText(s.pc_baud_rate));
        }
        addInfo("Info's: DbClick here for Purlo commande list and start info's.");
    });
}

void Console::Com_exit_Click() {
    resume.cancel();
    // Exit always ends the program, whatever the port says.
    if (s.port_open) runHandler(*this, Reaction::silent(), [&] { port.setPortOpen(false); });
    files.closeAll();
    ending_ = true;
    ui.endProgram();
}

}  // namespace purlo
