// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A TCP relay on 127.0.0.1 between a client and a server on loopback that can
// vanish as a server switched off or cut off does: without a FIN or a RST.
// The client's connection then stays established on its side while nothing
// it sends is ever acknowledged (a socket filter drops every segment that
// reaches the relay's end of it), so only the client's own timeouts can
// notice. Needs no privileges. No test framework in here.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace purlo::testsupport {

class VanishingRelay {
  public:
    // Relays each connection accepted on a free port to 127.0.0.1:`target`,
    // one at a time (a new one replaces the last).
    explicit VanishingRelay(int target);
    ~VanishingRelay();
    VanishingRelay(const VanishingRelay&) = delete;
    VanishingRelay& operator=(const VanishingRelay&) = delete;

    int port() const { return port_; }
    // `scheme` "rfc2217://" or "tcp://".
    std::string address(const std::string& scheme) const {
        return scheme + "127.0.0.1:" + std::to_string(port_);
    }

    // The connection goes silent in both directions without a word to the
    // client (the server's side is closed, as a server that restarts sees
    // it), and no new one is accepted: connecting is refused.
    void vanish();
    // Accepts and relays again, on the same port.
    void comeBack();

  private:
    void run();
    void openListener();

    int target_;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> vanishWanted_{false};
    std::atomic<bool> comeBackWanted_{false};
    int listener_ = -1;
    int client_ = -1;
    int upstream_ = -1;
    std::vector<int> silenced_;  // kept open: closing would tell the client
    std::thread thread_;
};

// What the kernel knows of the connection from this host to 127.0.0.1:`port`
// (/proc/net/tcp): whether it is established, and segments the other end has
// not answered (retransmissions, keep-alive probes).
struct ConnectionTo {
    bool established = false;
    int unanswered = 0;
};
ConnectionTo connectionTo(int port);

}  // namespace purlo::testsupport
