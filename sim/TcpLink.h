// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "sim/Link.h"

namespace purlo::sim {

// The probe behind a raw TCP device server: the bytes of the line as they
// are, no Telnet, on every address of this machine (IPv6 and IPv4). One PC
// at a time; another that connects meanwhile is turned away at once, and
// once the PC leaves the next may come.
class TcpLink final : public Link {
  public:
    // Listens on `port` (0: one the system chooses). Throws std::runtime_error.
    explicit TcpLink(int port);
    ~TcpLink() override;
    TcpLink(const TcpLink&) = delete;
    TcpLink& operator=(const TcpLink&) = delete;

    // The port it listens on.
    int port() const { return port_; }

    std::string name() const override;
    Descriptor dataFd() const override { return client_; }
    Descriptor acceptFd() const override { return listener_; }
    void acceptPending() override;
    bool failed(short) const override { return false; }
    std::size_t read(char* buffer, std::size_t size) override;
    std::size_t write(std::string_view bytes) override;
    int pcBaud(int probeBaud) const override { return probeBaud; }
    // The socket's buffers hold what the PC has not read; a write that does
    // not fit counts as lost, as on a full line.
    int unreadByPc() const override { return 0; }
    void discardUnread() const override {}

  private:
    void dropClient(const std::string& why);

    Descriptor listener_ = -1;
    Descriptor client_ = -1;
    int port_ = 0;
};

}  // namespace purlo::sim
