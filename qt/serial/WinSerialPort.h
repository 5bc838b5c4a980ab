// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <windows.h>

#include <QWinEventNotifier>
#include <array>
#include <string>

#include "serial/Transport.h"

namespace purlo {

// The transport over a COM port on the Win32 communications API, with
// overlapped I/O. While the port is open a read of one byte is pending; a
// QWinEventNotifier on its event takes the byte into the transport's buffer
// while the event loop runs, with whatever else the driver holds by then
// (ClearCommError's count, read at once), and the next one-byte read
// follows: no thread, no polling, and nothing here blocks but a write, which
// is waited for. (A read rather than WaitCommEvent: wine cannot wait for
// events on a pseudo-terminal, and reads whose timeouts ask for "the first
// bytes to come" it does not end early.) At the receive bound no read is made
// until receive() makes room. A failed read (the adapter pulled) closes the
// port and keeps the reason.
class WinSerialPort : public Transport {
  public:
    WinSerialPort();
    ~WinSerialPort() override;
    WinSerialPort(const WinSerialPort&) = delete;
    WinSerialPort& operator=(const WinSerialPort&) = delete;

    void open(const std::string& device, const LineSettings& line, int comm) override;
    void close() override;
    bool isOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }
    void setLine(const LineSettings& line) override;
    void receive(std::string& into, std::size_t most) override;
    void discardInput() override;
    void send(std::string_view data) override;
    std::string takeLostReason() override;

  private:
    // Starts the next read unless one is pending or the buffer is full.
    void readMore();
    // The pending read ended (the notifier's event): its bytes, then the next.
    void readDone();
    // Ends the pending read, its bytes kept or dropped.
    void cancelRead(bool keep);
    void lose(const std::string& what, DWORD error);

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    std::string name_;  // "COM5", for messages
    HANDLE readEvent_ = nullptr;
    HANDLE writeEvent_ = nullptr;
    OVERLAPPED read_{};
    bool reading_ = false;
    std::array<char, 4096> chunk_{};
    QWinEventNotifier notifier_;
    std::string buffer_;
    std::string lostReason_;
};

}  // namespace purlo
