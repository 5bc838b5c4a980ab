// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSerialPort>
#include <string>

#include "serial/Transport.h"

namespace purlo {

// The transport over a serial device, on QSerialPort. Received bytes reach
// it while the event loop runs (the console's yields); nothing here blocks.
//
// A peer that vanishes (a USB adapter pulled, the other end of a
// pseudo-terminal closed) makes QSerialPort report read errors endlessly
// while the port stays open; the first such error closes the port here, so
// the next operation fails instead of the program spinning on it.
class QtSerialPort : public Transport {
  public:
    QtSerialPort();
    ~QtSerialPort() override;
    QtSerialPort(const QtSerialPort&) = delete;
    QtSerialPort& operator=(const QtSerialPort&) = delete;

    void open(const std::string& device, const LineSettings& line, int comm) override;
    void close() override;
    bool isOpen() const override { return port_.isOpen(); }
    void setLine(const LineSettings& line) override;
    void receive(std::string& into, std::size_t most) override;
    void discardInput() override;
    void send(std::string_view data) override;
    std::string takeLostReason() override;

  private:
    void onError(QSerialPort::SerialPortError error);
    // Sets `line` on the port: before an open only recorded, on an open
    // port the line is reconfigured and can fail.
    void apply(const LineSettings& line);

    QSerialPort port_;
    LineSettings line_;
    std::string lostReason_;  // why the port closed itself; empty when it did not
};

}  // namespace purlo
