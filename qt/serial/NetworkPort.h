// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTcpSocket>
#include <functional>
#include <string>

#include "link/LineSettings.h"
#include "link/NetworkAddress.h"
#include "link/SerialPort.h"
#include "link/Telnet.h"
#include "serial/ReceivedBytes.h"

namespace purlo {

// The link to a probe behind a serial device server, over TCP: RFC 2217
// (Telnet with the COM-PORT-OPTION, the line settings set from here) or raw
// TCP (the bytes as they are, the line settings the server's). To the console
// it is a serial port like any other; the address comes from the port map
// ("rfc2217://HOST:PORT", "tcp://HOST:PORT").
//
// Received bytes reach it while the event loop runs, woken by the socket's
// notifier; nothing polls. A connection that ends, fails, or goes half-open
// (TCP keep-alive with short intervals notices a server gone without a word
// within seconds) closes the port, so the next operation fails as a pulled
// cable does.
class NetworkPort : public SerialPort {
  public:
    NetworkPort();
    ~NetworkPort() override;
    NetworkPort(const NetworkPort&) = delete;
    NetworkPort& operator=(const NetworkPort&) = delete;

    bool portOpen() const override { return open_; }
    // Opening connects, waiting at most kConnectTimeoutMs.
    void setPortOpen(bool open) override;
    void setCommPort(std::int16_t number) override;
    // On an open RFC 2217 port the new settings go to the server at once.
    void setSettings(std::string_view settings) override;
    void setInputMode(InputMode mode) override { mode_ = mode; }
    void setInputLen(std::int16_t length) override;
    void setNullDiscard(bool discard) override { nullDiscard_ = discard; }

    int inBufferCount() override;
    void clearInBuffer() override;
    void output(std::string_view data) override;
    std::string input() override;

    // The address the next open uses (or the open connection uses).
    std::string deviceName() const override;

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
    // As the serial port's receive buffer; beyond it TCP holds the server back.
    static constexpr std::size_t kReceiveBufferBytes = std::size_t{64} * 1024;
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
    void requireOpen();
    void takeReceived();
    void send(const std::string& bytes);
    bool rfc2217() const { return address_.kind == NetworkKind::Rfc2217; }

    QTcpSocket socket_;
    telnet::Client telnet_;
    NetworkAddress address_;
    std::string device_;  // the address of the last open, as written
    std::int16_t commPort_ = 1;
    LineSettings settings_;
    InputMode mode_ = InputMode::Text;
    std::int16_t inputLen_ = 0;
    bool nullDiscard_ = false;
    bool open_ = false;
    bool heard_ = false;          // the probe has sent something through this connection
    std::uint32_t baudTold_ = 0;  // the rate asked whose other acknowledgement was told
    ReceivedBytes received_;
    std::string lostReason_;
    std::function<void(const std::string&)> notes_;
};

}  // namespace purlo
