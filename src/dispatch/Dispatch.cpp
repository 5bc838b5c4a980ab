// SPDX-License-Identifier: GPL-3.0-or-later
// The one place that knows every handler: the window's events reach their
// handlers from here. Everything else in the core includes only what it calls,
// so the Console and the subsystems below this file never depend on each other
// in a circle (scripts/check-includes.sh keeps it so).
#include "acquisition/Playback.h"
#include "acquisition/StartStop.h"
#include "app/Console.h"
#include "app/HandlerFailure.h"
#include "commands/ManualCommand.h"
#include "commands/ParameterButtons.h"
#include "connection/PortSelection.h"
#include "diagram/EchoDrawing.h"
#include "diagram/Slots.h"
#include "diagram/ViewControls.h"
#include "help/CommandHelp.h"
#include "help/CommandList.h"
#include "help/InfoFile.h"
#include "settings/SettingsFile.h"

namespace purlo {

void Console::Form_Click() {
    const Handling handling(*this);
    // A click on the bare window never reports anything.
    runHandler(*this, Reaction::silent(), [&] {
        draw_3_diagrams_vertical_position(*this);
        if (s.port_open) {
            ui.setText(Control::Text_command_to_send, " ");
            port.output("?");
        } else {
            ui.setWindowCaption(" Begin transmission with Start button.");
            ui.setBackColour(Control::Com_start_stop, Colour::palette(kStartInvitation));
        }
    });
}

void Console::click(Control c) {
    const Handling handling(*this);
    switch (c) {
        case Control::Com_exit: Com_exit_Click(); break;
        // Link and acquisition
        case Control::Com_Comm_port: Com_Comm_port_Click(*this); break;
        case Control::Com_baudrate_pc: Com_baudrate_pc_Click(*this); break;
        case Control::Com_start_stop: Com_start_stop_Click(*this); break;
        case Control::Com_play_spl: Com_play_spl_Click(*this); break;
        case Control::Com_Save_to_eeprom: Com_Save_to_eeprom_Click(*this); break;
        // Probe commands
        case Control::Com_auto_manuel: Com_auto_manuel_Click(*this); break;
        case Control::Com_probe_print_on: Com_probe_print_on_Click(*this); break;
        case Control::Com_command_to_send: Com_command_to_send_Click(*this); break;
        // Help
        case Control::Com_view_program_info: Com_view_program_info_Click(*this); break;
        // Diagram
        case Control::Com_draw_top_mid_bot_line: Com_draw_top_mid_bot_line_Click(*this); break;
        case Control::Com_raster_on_off: Com_raster_on_off_Click(*this); break;
        case Control::Com_zoom_horizontal_min: Com_zoom_horizontal_min_Click(*this); break;
        case Control::Com_zoom_horizontal_plus: Com_zoom_horizontal_plus_Click(*this); break;
        case Control::Com_zoom_vertical_min: Com_zoom_vertical_min_Click(*this); break;
        case Control::Com_zoom_vertical_plus: Com_zoom_vertical_plus_Click(*this); break;
        case Control::Com_view_zoom_horizontal: Com_view_zoom_horizontal_Click(*this); break;
        case Control::Com_view_zoom_vertical: Com_view_zoom_vertical_Click(*this); break;
        case Control::Com_inch_mm_far_centi: Com_inch_mm_far_centi_Click(*this); break;
        case Control::Com_draw_on_off: Com_draw_on_off_Click(*this); break;
        case Control::Com_one_sample: Com_one_sample_Click(*this); break;
        case Control::Com_clear_screen: Com_clear_screen_Click(*this); break;
        case Control::Com_print_form: Com_print_form_Click(*this); break;
        default:
            // The "<", ">" and view buttons, Temp, Restart and Reset default.
            parameterButtonClick(*this, c);
            break;
    }
}

void Console::doubleClick(Control c) {
    const Handling handling(*this);
    switch (c) {
        case Control::List_Info: List_Info_DblClick(*this); break;
        case Control::Text_command_to_send: Text_command_to_send_DblClick(*this); break;
        default: break;
    }
}

void Console::keyDown(Control c) {
    const Handling handling(*this);
    switch (c) {
        case Control::Text_Info: Text_Info_KeyDown(*this); break;
        default: break;
    }
}

}  // namespace purlo
