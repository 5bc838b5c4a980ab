// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTcpSocket>
#include <cstdint>
#include <functional>
#include <string>

#include "link/NetworkAddress.h"
#include "link/Telnet.h"
#include "serial/Transport.h"

namespace purlo {

// The transport to a probe behind a serial device server, over TCP: RFC 2217
// (Telnet with the COM-PORT-OPTION, the line settings set from here) or raw
// TCP (the bytes as they are, the line settings the server's). The address
// is "rfc2217://HOST:PORT" or "tcp://HOST:PORT".
//
// Received bytes reach it while the event loop runs, woken by the socket's
// notifier; nothing polls. A connection that ends, fails, or goes half-open
// (TCP keep-alive with short intervals notices a server gone without a word
// within seconds) closes it, so the next operation fails as a pulled cable
// does. A server of the other kind fails the open, saying which address to
// try (NetworkPorts::failure, which the chooser shows).
class NetworkPort : public Transport {
  public:
    NetworkPort();
    ~NetworkPort() override;
    NetworkPort(const NetworkPort&) = delete;
    NetworkPort& operator=(const NetworkPort&) = delete;

    // Connects, waiting at most kConnectTimeoutMs, and for RFC 2217 at most
    // kNegotiationTimeoutMs more for the server to take the COM-PORT-OPTION.
    void open(const std::string& device, const LineSettings& line, int comm) override;
    void close() override;
    bool isOpen() const override { return open_; }
    // Over RFC 2217 the new settings go to the server at once.
    void setLine(const LineSettings& line) override;
    void receive(std::string& into, std::size_t most) override;
    void discardInput() override;
    void send(std::string_view data) override;
    std::string takeLostReason() override;

    // Where lines for the operator go (the first raw TCP open says that the
    // line settings are the server's); none until set.
    void setNotes(std::function<void(const std::string&)> notes) { notes_ = std::move(notes); }

    static constexpr int kConnectTimeoutMs = 4000;
    // An RFC 2217 server answers the COM-PORT-OPTION within this, or the
    // open fails: a raw port (the console's Telnet would reach the probe's
    // line as data), or a Telnet server without RFC 2217.
    static constexpr int kNegotiationTimeoutMs = 3000;
    // How long a raw open listens for a Telnet server's greeting (an
    // RFC 2217 port named "tcp://"): one sends it as it accepts.
    static constexpr int kGreetingWaitMs = 200;
    // Keep-alive: first probe after this many idle seconds, then one a second;
    // the connection counts as gone after kKeepAliveProbes unanswered ones.
    static constexpr int kKeepAliveIdleSeconds = 2;
    static constexpr int kKeepAliveProbes = 3;

  private:
    void connectTo(const NetworkAddress& address);
    // The open fails: the server is not the kind the address says (why),
    // noted for the chooser.
    [[noreturn]] void refuse(const std::string& why);
    // Says once that the server set another baud rate than the one asked.
    void tellBaud();
    void onLost();
    // Throws the reason when the connection has ended.
    void requireOpen();
    // Reads and decodes at most `most` bytes from the socket into `data`.
    void read(std::string& data, std::size_t most);
    void write(const std::string& bytes);
    bool rfc2217() const { return address_.kind == NetworkKind::Rfc2217; }

    QTcpSocket socket_;
    telnet::Client telnet_;
    NetworkAddress address_;
    std::string device_;  // the address as written
    int comm_ = 1;
    LineSettings line_;
    bool open_ = false;
    bool heard_ = false;          // the probe has sent something through this connection
    std::uint32_t baudTold_ = 0;  // the rate asked whose other acknowledgement was told
    std::string lostReason_;
    std::function<void(const std::string&)> notes_;
};

}  // namespace purlo
