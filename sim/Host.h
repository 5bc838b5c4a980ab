// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

#include "sim/Link.h"
#include "sim/SimOptions.h"

namespace purlo::sim {

// What ended a wait of the simulator's loop; several at once are possible.
struct Wakeup {
    bool stop = false;      // asked to end (a signal; Ctrl+C on Windows)
    std::string stopCause;  // "Interrupt", "Ctrl+C", ...; empty when unknown
    bool data = false;      // the PC sent bytes, or left
    bool linkFailed = false;
    bool arrival = false;  // a PC is waiting at the link's acceptFd()
};

// The simulator's ties to the system it runs on: how it learns it is asked to
// end, how it waits for the next event, what links the system offers. One
// source file per system: a poll() with a signalfd on Linux, select() over
// Winsock with a console control handler on Windows, where there is no
// pseudo-terminal and the probe is served over TCP only.
class Host {
  public:
    // Takes over the signals (Ctrl+C) that end the program; on Windows also
    // starts Winsock, so create the Host before any TcpLink. Throws
    // std::runtime_error.
    Host();
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Whether the system has pseudo-terminals, i.e. whether openPty() works.
    static bool hasPty();

    // This machine's network name ("localhost" when it has none).
    std::string name() const;

    // The probe on a pseudo-terminal, linked at `settings.link` when given;
    // `address` becomes what the console is pointed at. Throws
    // std::runtime_error (always where there is no pty).
    std::unique_ptr<Link> openPty(const SimSettings& settings, std::string& address) const;

    // Sleeps until the link has something, a PC arrives, the program is asked
    // to end, or `timeoutMs` passed. Throws std::runtime_error when the
    // wait itself fails.
    Wakeup wait(const Link& link, int timeoutMs);

  private:
    // The signalfd; on Windows the socket a Ctrl+C wakes the wait through.
    Link::Descriptor wake_ = -1;
};

}  // namespace purlo::sim
