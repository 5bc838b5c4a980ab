// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "link/SerialPort.h"
#include "observe/Observer.h"

namespace purlo {

// The serial port as the console's handlers use it: every operation goes to
// the real port unchanged, and what the observer wants to know (a command
// sent, the link opened, closed or lost under the console) is reported after
// the operation that did it. Handlers stay as they are.
class ReportingPort final : public SerialPort {
  public:
    ReportingPort(SerialPort& port, Observer* const& observer) : port_(port), observer_(observer) {}

    bool portOpen() const override { return port_.portOpen(); }
    void setPortOpen(bool open) override {
        const bool wasOpen = port_.portOpen();
        try {
            guarded([&] { port_.setPortOpen(open); });
        } catch (...) {
            open_ = port_.portOpen();
            throw;
        }
        open_ = port_.portOpen();
        if (open && !wasOpen) {
            lost_ = false;
            openedName_ = "Comm" + std::to_string(comm_);
            openedDevice_ = port_.deviceName();
            observer_->linkOpened(openedName_, openedDevice_);
        }
        // Closing what was lost only tidies up: the loss has been reported.
        if (!open && wasOpen && !lost_) observer_->linkClosed();
    }
    void setCommPort(std::int16_t number) override {
        port_.setCommPort(number);
        comm_ = number;
    }
    void setSettings(std::string_view settings) override { port_.setSettings(settings); }
    void setInputMode(InputMode mode) override {
        guarded([&] { port_.setInputMode(mode); });
    }
    void setInputLen(std::int16_t length) override { port_.setInputLen(length); }
    void setNullDiscard(bool discard) override { port_.setNullDiscard(discard); }
    int inBufferCount() override {
        int count = 0;
        guarded([&] { count = port_.inBufferCount(); });
        return count;
    }
    void clearInBuffer() override {
        guarded([&] { port_.clearInBuffer(); });
    }
    void output(std::string_view data) override {
        guarded([&] { port_.output(data); });
        for (const char command : data) observer_->commandSent(command);
    }
    std::string input() override {
        std::string got;
        guarded([&] { got = port_.input(); });
        return got;
    }
    std::string deviceName() const override { return port_.deviceName(); }

    // Whether the port opened last has been lost since, and its names then
    // ("Comm1", "/dev/ttyUSB0"), also after the loss.
    bool lost() const { return lost_; }
    const std::string& openedName() const { return openedName_; }
    const std::string& openedDevice() const { return openedDevice_; }

  private:
    // A port that fails while it is open has been lost under the console
    // (the cable pulled, the adapter gone); the failure goes on as it was.
    // A port may close itself when its device goes (between two operations),
    // so open is what the last open or close left, not what it says now.
    template <class Operation>
    void guarded(Operation&& operation) {
        const bool wasOpen = open_;
        try {
            operation();
        } catch (...) {
            if (wasOpen && !lost_) {
                lost_ = true;
                observer_->linkLost();
            }
            throw;
        }
    }

    SerialPort& port_;
    Observer* const& observer_;
    std::int16_t comm_ = 1;
    bool open_ = false;
    bool lost_ = false;
    std::string openedName_;
    std::string openedDevice_;
};

}  // namespace purlo
