// SPDX-License-Identifier: GPL-3.0-or-later
#include "connection/PortSelection.h"

#include <array>
#include <exception>
#include <string_view>
#include <utility>

#include "app/Console.h"
#include "app/HandlerFailure.h"
#include "app/StartButton.h"
#include "text/Numbers.h"

namespace purlo {

namespace {

// The rates the port can be set to; any other rate leaves the line settings as they were.
constexpr std::array<std::pair<std::int32_t, std::string_view>, 8> kLineSettings{{
    {300, "300,N,8,1"},
    {600, "600,N,8,1"},
    {1200, "1200,N,8,1"},
    {2400, "2400,N,8,1"},
    {4800, "4800,N,8,1"},
    {9600, "9600,N,8,1"},
    {19200, "19200,N,8,1"},
    {38400, "38400,N,8,1"},
}};

// bauderate's reaction to a failure: a line for the operator, the Start
// button back to rest and the port closed, as far as each still works.
// Whatever of that fails too, the caller finds port_open false.
void portSetupFailure(Console& c) {
    try {
        c.addInfo("* Error while setting Comm. Port or baudrate!");
        startButtonToRest(c.ui);
        if (c.port.portOpen()) c.port.setPortOpen(false);
    } catch (const std::exception&) {
        // Nothing more can be done; the caller only looks at port_open.
    }
    c.s.port_open = false;
}

}  // namespace

void Com_Comm_port_Click(Console& c) {
    // Another port: a lost one is not waited for any more.
    c.resume.cancel();
    runHandler(c, Reaction::listLine("* Error while setting Comm port! *"), [&] {
        if (c.s.comm_port == 0) c.s.comm_port = 1;
        c.s.comm_port = checked<std::uint8_t>(c.s.comm_port + 1LL);
        if (c.s.comm_port > 4) c.s.comm_port = 1;
        c.ui.setText(Control::Com_Comm_port, "Comm" + intText(c.s.comm_port));
    });
}

void Com_baudrate_pc_Click(Console& c) {
    runHandler(c, Reaction::listLine("* Error while setting Baud Rate! * Check Comport!"), [&] {
        if (c.s.pc_baud_rate < 1200) c.s.pc_baud_rate = 1200;
        c.s.pc_baud_rate = checked<std::int32_t>(2LL * c.s.pc_baud_rate);
        if (c.s.pc_baud_rate > 38400) c.s.pc_baud_rate = 1200;
        c.ui.setText(Control::Com_baudrate_pc, intText(c.s.pc_baud_rate));
    });
}

void bauderate(Console& c) {
    runHandler(c, portSetupFailure, [&] {
        if (c.port.portOpen()) {
            c.port.setPortOpen(false);
            c.s.port_open = false;
        }
        if (c.s.comm_port == 0) {
            c.s.comm_port = 1;
            c.ui.setText(Control::Com_Comm_port, "Comm1");
        }
        if (c.s.pc_baud_rate < 300) {
            c.s.pc_baud_rate = 300;
            c.ui.setText(Control::Com_baudrate_pc, "300");
        }
        c.port.setCommPort(c.s.comm_port);
        // The caption, not the variable, says which rate to apply; both agree
        // because every writer of the rate sets the caption with it.
        c.s.pc_baud_rate = toWidth<std::int32_t>(parseNumber(c.ui.text(Control::Com_baudrate_pc)));
        for (const auto& [rate, settings] : kLineSettings) {
            if (rate == c.s.pc_baud_rate) c.port.setSettings(settings);
        }
        c.port.setInputMode(InputMode::Text);
        c.port.setInputLen(1);
        c.s.port_open = c.port.portOpen();
        if (!c.s.port_open) {
            c.port.setPortOpen(true);
            c.s.port_open = true;
        }
    });
}

}  // namespace purlo
