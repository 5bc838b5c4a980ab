// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSerialPort>
#include <string>

#include "link/LineSettings.h"
#include "link/SerialPort.h"
#include "serial/PortMap.h"
#include "serial/ReceivedBytes.h"

namespace purlo {

// The serial link over QSerialPort. Received bytes reach it while the event
// loop runs (the console's yields); input() and inBufferCount() never block.
//
// A peer that vanishes (a USB adapter pulled, the other end of a
// pseudo-terminal closed) makes QSerialPort report read errors endlessly
// while the port stays open; the first such error closes the port here, so
// the next operation fails instead of the program spinning on it.
class QtSerialPort : public SerialPort {
  public:
    QtSerialPort();
    ~QtSerialPort() override;
    QtSerialPort(const QtSerialPort&) = delete;
    QtSerialPort& operator=(const QtSerialPort&) = delete;

    bool portOpen() const override;
    void setPortOpen(bool open) override;
    void setCommPort(std::int16_t number) override;
    void setSettings(std::string_view settings) override;
    void setInputMode(InputMode mode) override;
    void setInputLen(std::int16_t length) override;
    void setNullDiscard(bool discard) override;

    int inBufferCount() override;
    void clearInBuffer() override;
    void output(std::string_view data) override;
    std::string input() override;

    // The device the next open uses (or the open port uses).
    std::string deviceName() const override;

    // Most bytes waiting to be read, as with a serial driver's receive
    // buffer: a probe that sends while nobody reads (the port left open by a
    // manual send, a dialog open for hours) cannot fill the memory. Beyond
    // it the system's own small buffer fills and then drops, as a UART does.
    static constexpr std::size_t kReceiveBufferBytes = std::size_t{64} * 1024;

  private:
    void onError(QSerialPort::SerialPortError error);
    void applyLineSettings();
    // Throws unless the port is open; reports a lost peer once.
    void requireOpen();
    // Moves what Qt has received into received_.
    void takeReceived();

    QSerialPort port_;
    std::string device_;  // the device of the last open
    std::int16_t commPort_ = 1;
    LineSettings settings_;
    InputMode mode_ = InputMode::Text;
    std::int16_t inputLen_ = 0;
    bool nullDiscard_ = false;
    ReceivedBytes received_;
    std::string lostReason_;  // why the port closed itself; empty when it did not
};

}  // namespace purlo
