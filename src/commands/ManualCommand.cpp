// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands/ManualCommand.h"

#include <string>
#include <string_view>

#include "app/Console.h"
#include "app/HandlerFailure.h"
#include "connection/PortSelection.h"
#include "files/SampleFiles.h"

namespace purlo {

namespace {

constexpr std::string_view kSendError = "* Error while sending command to Purlo Probe!";

void appendToTextInfo(Console& c, std::string_view line) {
    c.ui.setText(Control::Text_Info, c.ui.text(Control::Text_Info) + std::string(line) + c.s.cr_lf);
}

void startRecording(Console& c) {
    // The file first: when it cannot be created nothing claims to record.
    c.files.openRecording(c.file(kSampleFileName));
    c.s.recording_on = true;
    c.ui.setTextColour(Control::Text_command_to_send, Colour::palette(kRecordingText));
}

// The failed send is told in List_Info and in the information box alike.
void reportSendError(Console& c) {
    c.addInfo(kSendError);
    appendToTextInfo(c, kSendError);
}

}  // namespace

void Com_command_to_send_Click(Console& c) {
    runHandler(c, reportSendError, [&] {
        // A failing bauderate reports itself; the send below then fails too.
        if (!c.s.port_open) bauderate(c);
        const std::string box = c.ui.text(Control::Text_command_to_send);
        const char command = box.empty() ? ' ' : box.front();
        const bool wasRecording = c.s.recording_on;
        if (wasRecording) c.endRecording();
        if (command == '#') {
            // "#" toggles, as the help page tells the operator: a second "#"
            // only ends the recording. Starting a fresh one there would empty
            // Purlo.Spl and lose what was just recorded.
            if (!wasRecording) startRecording(c);
        } else {
            c.port.output(std::string(1, command));
        }
        const std::string line = "Send command: " + box + " to Purlo.";
        appendToTextInfo(c, line);
        c.addInfo(line);
    });
}

}  // namespace purlo
