// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "link/SerialPort.h"
#include "text/RuntimeError.h"

namespace purlo::fuzz {

// A serial line carrying a given byte stream. In text mode every read takes
// the next byte of the stream, as a probe sending without pause would
// deliver it. After the console asks for an echo record ("="), the stream's
// next bytes arrive one per look at the receive buffer until the console has
// the record's length, so the stream answers the request itself; the console
// reads them as one block. Everything else follows the SerialPort contract:
// operations that need the port open throw when it is closed.
class StreamPort : public SerialPort {
  public:
    explicit StreamPort(std::string_view stream) : stream_(stream) {}

    bool portOpen() const override { return open_; }
    void setPortOpen(bool open) override {
        if (open && !open_) ++opens;
        open_ = open;
    }
    void setCommPort(std::int16_t) override {}
    void setSettings(std::string_view) override {}
    void setInputMode(InputMode mode) override { mode_ = mode; }
    void setInputLen(std::int16_t length) override { inputLen_ = length; }
    void setNullDiscard(bool) override {}

    int inBufferCount() override {
        requireOpen();
        if (recordWanted_ > 0 && !exhausted()) {
            buffer_ += stream_[pos_++];
            delivered += buffer_.back();
            --recordWanted_;
        }
        return static_cast<int>(buffer_.size());
    }
    void clearInBuffer() override {
        requireOpen();
        buffer_.clear();
    }
    void output(std::string_view data) override {
        requireOpen();
        sent += data;
        // The console waits for more than sampleLength bytes.
        if (data == "=") recordWanted_ = sampleLength + 1;
    }
    std::string input() override {
        requireOpen();
        if (mode_ == InputMode::Text && buffer_.empty() && !exhausted()) {
            buffer_ += stream_[pos_++];
            delivered += buffer_.back();
        }
        const std::size_t n =
            inputLen_ == 0 ? buffer_.size() : std::min<std::size_t>(buffer_.size(), inputLen_);
        std::string out = buffer_.substr(0, n);
        buffer_.erase(0, n);
        return out;
    }

    // Every byte of the stream has been taken off the line.
    bool exhausted() const { return pos_ >= stream_.size(); }
    bool drained() const { return exhausted() && buffer_.empty(); }

    int sampleLength = 160;  // what the console will wait for after "="
    int opens = 0;
    std::string sent;
    std::string delivered;  // every byte the line carried, in order

  private:
    void requireOpen() const {
        if (!open_) throw RuntimeError("port not open");
    }

    std::string_view stream_;
    std::size_t pos_ = 0;
    std::string buffer_;
    bool open_ = false;
    InputMode mode_ = InputMode::Text;
    std::int16_t inputLen_ = 1;
    int recordWanted_ = 0;
};

}  // namespace purlo::fuzz
