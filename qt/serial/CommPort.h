// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

#include "serial/NetworkPort.h"
#include "serial/QtSerialPort.h"

namespace purlo {

// The port of "Comm n": the serial port, or a network port when Comm n maps
// to "rfc2217://…" or "tcp://…" (qt/serial/PortMap), chosen at each open.
// Settings given while closed go to both, so whichever opens has them.
class CommPort : public SerialPort {
  public:
    bool portOpen() const override { return active().portOpen(); }
    void setPortOpen(bool open) override;
    void setCommPort(std::int16_t number) override;
    void setSettings(std::string_view settings) override;
    void setInputMode(InputMode mode) override;
    void setInputLen(std::int16_t length) override;
    void setNullDiscard(bool discard) override;

    int inBufferCount() override { return active().inBufferCount(); }
    void clearInBuffer() override { active().clearInBuffer(); }
    void output(std::string_view data) override { active().output(data); }
    std::string input() override { return active().input(); }
    std::string deviceName() const override;

    // Where the network port's lines for the operator go.
    void setNotes(std::function<void(const std::string&)> notes) {
        network_.setNotes(std::move(notes));
    }

  private:
    SerialPort& active() { return networkActive_ ? static_cast<SerialPort&>(network_) : serial_; }
    const SerialPort& active() const {
        return networkActive_ ? static_cast<const SerialPort&>(network_) : serial_;
    }
    SerialPort& other() { return networkActive_ ? static_cast<SerialPort&>(serial_) : network_; }

    QtSerialPort serial_;
    NetworkPort network_;
    std::int16_t commPort_ = 1;
    bool networkActive_ = false;
};

}  // namespace purlo
