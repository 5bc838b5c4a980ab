// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>

#include "link/LineSettings.h"
#include "link/SerialPort.h"
#include "serial/NetworkPort.h"
#include "serial/ReceivedBytes.h"
#include "serial/SerialTransport.h"

namespace purlo {

// The port of "Comm n", as the console holds it. It keeps what does not
// depend on how the bytes travel (the line settings, the input length, null
// discard, the bytes received and not read yet), and at each open chooses
// the transport from the kind of address Comm n maps to (qt/serial/PortMap):
// a serial device, or a serial device server ("rfc2217://…", "tcp://…").
// Received bytes reach it while the event loop runs; input() and
// inBufferCount() never block.
class CommPort : public SerialPort {
  public:
    bool portOpen() const override { return transport_ != nullptr && transport_->isOpen(); }
    void setPortOpen(bool open) override;
    void setCommPort(std::int16_t number) override;
    // On an open port the line changes at once; settings the line cannot
    // take leave the old ones.
    void setSettings(std::string_view settings) override;
    // Text and binary reads both hand over the bytes as they came, one
    // character per byte: nothing to change.
    void setInputMode(InputMode /*mode*/) override {}
    void setInputLen(std::int16_t length) override;
    void setNullDiscard(bool discard) override { nullDiscard_ = discard; }

    int inBufferCount() override;
    void clearInBuffer() override;
    void output(std::string_view data) override;
    std::string input() override;
    // The device or address the open port uses, or the next open would.
    std::string deviceName() const override;

    // Where a network port's lines for the operator go.
    void setNotes(std::function<void(const std::string&)> notes) {
        network_.setNotes(std::move(notes));
    }

    static constexpr std::size_t kReceiveBufferBytes = purlo::kReceiveBufferBytes;

  private:
    // The one choice of transport: a new kind of port is a new transport
    // and a line here.
    Transport& transportFor(const std::string& device);
    // Throws unless the port is open, with why it closed itself if it did.
    void requireOpen();
    // Moves what the transport has received into received_.
    void takeReceived();

    SerialTransport serial_;
    NetworkPort network_;
    Transport* transport_ = nullptr;  // the one of the last open
    std::string device_;              // the device or address of the last open
    std::int16_t commPort_ = 1;
    LineSettings settings_;
    std::int16_t inputLen_ = 0;
    bool nullDiscard_ = false;
    ReceivedBytes received_;
};

}  // namespace purlo
