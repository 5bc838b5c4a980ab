// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace purlo {

enum class InputMode { Text = 0, Binary = 1 };

// The serial link to the probe, with the operations the console performs on
// it. Every operation that can fail (port missing or held by another program,
// invalid setting, the peer gone, any call that needs an open port while it
// is closed) throws; the port then keeps whatever state it had.
class SerialPort {
  public:
    virtual ~SerialPort() = default;

    virtual bool portOpen() const = 0;
    // Opens with the current settings, or closes. Closing a closed port is fine.
    virtual void setPortOpen(bool open) = 0;
    // 1 = first port. Takes effect at the next open.
    virtual void setCommPort(std::int16_t number) = 0;
    // "9600,N,8,1" and the like.
    virtual void setSettings(std::string_view settings) = 0;
    virtual void setInputMode(InputMode mode) = 0;
    // Most bytes one input() takes; 0 = everything waiting.
    virtual void setInputLen(std::int16_t length) = 0;
    // false: zero bytes are delivered like any other byte.
    virtual void setNullDiscard(bool discard) = 0;

    // Bytes waiting in the receive buffer.
    virtual int inBufferCount() = 0;
    // Discards everything waiting (InBufferCount := 0).
    virtual void clearInBuffer() = 0;
    // Transmits at once.
    virtual void output(std::string_view data) = 0;
    // Takes up to the input length of waiting bytes; empty when nothing waits.
    // Never blocks.
    virtual std::string input() = 0;

    // The device behind the port ("/dev/ttyUSB0"), for the operator's
    // information; empty where there is none to name.
    virtual std::string deviceName() const { return {}; }
};

}  // namespace purlo
