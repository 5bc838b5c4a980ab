// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "link/SerialPort.h"

namespace purlo::bench {

// An open port with a probe that answers "=" at once with the same echo
// record: Draw_one_sample runs without a line and without waiting.
class EchoingPort : public SerialPort {
  public:
    explicit EchoingPort(std::string record) : record_(std::move(record)) {}
    bool portOpen() const override { return true; }
    void setPortOpen(bool) override {}
    void setCommPort(std::int16_t) override {}
    void setSettings(std::string_view) override {}
    void setInputMode(InputMode) override {}
    void setInputLen(std::int16_t) override {}
    void setNullDiscard(bool) override {}
    int inBufferCount() override { return static_cast<int>(waiting_.size()); }
    void clearInBuffer() override { waiting_.clear(); }
    void output(std::string_view data) override {
        if (data == "=") waiting_ = record_;
    }
    std::string input() override { return std::exchange(waiting_, {}); }

  private:
    std::string record_;
    std::string waiting_;
};

}  // namespace purlo::bench
