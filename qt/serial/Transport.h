// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "link/LineSettings.h"

namespace purlo {

// How the bytes of a port travel: over a serial device (QtSerialPort, on
// Windows WinSerialPort) or over TCP to a serial device server
// (NetworkPort). The port the console holds, CommPort, keeps what every
// transport shares (line settings, input length, null discard, the bytes
// received and not read yet) and chooses one transport at each open from
// the kind of address Comm n maps to.
//
// A transport that loses its link (the device pulled, the connection ended)
// closes itself and keeps the reason for the port's next operation.
class Transport {
  public:
    virtual ~Transport() = default;

    // Opens `device` with `line`, for "Comm `comm`"; throws RuntimeError
    // saying why it cannot. Whatever arrived before is dropped.
    virtual void open(const std::string& device, const LineSettings& line, int comm) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // New line settings on the open link; throws when they cannot be set
    // (the link keeps the old ones).
    virtual void setLine(const LineSettings& line) = 0;
    // Appends to `into` at most `most` of the bytes that have arrived.
    virtual void receive(std::string& into, std::size_t most) = 0;
    // Drops the bytes that have arrived and are not taken yet.
    virtual void discardInput() = 0;
    // Sends at once; throws when the link fails under it.
    virtual void send(std::string_view data) = 0;
    // Why the link closed itself, once; empty when it did not.
    virtual std::string takeLostReason() = 0;
};

// Most bytes a port keeps waiting to be read, as a serial driver's receive
// buffer: a probe that sends while nobody reads (the port left open by a
// manual send, a dialog open for hours) cannot fill the memory. Beyond it the
// transport stops taking bytes (the system's small buffer fills and drops, as
// a UART does; TCP holds the server back).
inline constexpr std::size_t kReceiveBufferBytes = std::size_t{64} * 1024;

}  // namespace purlo
