// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "link/SerialPort.h"
#include "text/RuntimeError.h"

namespace purlo::test {

// A serial port in memory. Bytes the test (or a fake probe) feeds wait in
// `inbox`; everything written goes to `sent` and to onOutput. Each operation
// is logged so tests can check the order of the port set-up.
class FakeSerialPort : public SerialPort {
  public:
    bool portOpen() const override { return open; }
    void setPortOpen(bool o) override {
        log.push_back(o ? "open" : "close");
        if (o && !open) {
            if (failOpen || (portExists && !portExists(commPort)))
                throw RuntimeError("no such port");
            ++opens;
        }
        open = o;
    }
    void setCommPort(std::int16_t n) override {
        log.push_back("port " + std::to_string(n));
        commPort = n;
    }
    void setSettings(std::string_view s) override {
        log.push_back("settings " + std::string(s));
        settings = std::string(s);
    }
    void setInputMode(InputMode m) override {
        log.push_back(m == InputMode::Text ? "mode text" : "mode binary");
        mode = m;
    }
    void setInputLen(std::int16_t n) override {
        log.push_back("len " + std::to_string(n));
        inputLen = n;
    }
    void setNullDiscard(bool d) override {
        log.push_back(d ? "nulldiscard on" : "nulldiscard off");
        nullDiscard = d;
    }
    int inBufferCount() override {
        requireOpen();
        if (onPoll) onPoll();
        return static_cast<int>(inbox.size());
    }
    void clearInBuffer() override {
        requireOpen();
        log.push_back("clear");
        inbox.clear();
    }
    void output(std::string_view data) override {
        requireOpen();
        if (failOutput) throw RuntimeError("write failed");
        sent += data;
        if (onOutput) onOutput(data);
    }
    std::string input() override {
        requireOpen();
        if (failInput) throw RuntimeError("read failed");
        if (onPoll) onPoll();
        const std::size_t n =
            inputLen == 0 ? inbox.size() : std::min<std::size_t>(inbox.size(), inputLen);
        std::string out = inbox.substr(0, n);
        inbox.erase(0, n);
        return out;
    }

    std::string deviceName() const override { return device; }

    void feed(std::string_view bytes) { inbox += bytes; }
    // The device goes, as a USB adapter pulled out: the port closes itself
    // (every operation fails from then on) and cannot be opened again until
    // it is back.
    void vanish() {
        open = false;
        failOpen = true;
    }
    void comeBack() { failOpen = false; }

    bool open = false;
    std::string device;  // the path behind the port, when the test names one
    std::int16_t commPort = 0;
    std::string settings;
    InputMode mode = InputMode::Text;
    std::int16_t inputLen = 0;
    bool nullDiscard = false;
    std::string inbox;
    std::string sent;
    std::vector<std::string> log;
    int opens = 0;
    bool failOpen = false;
    bool failOutput = false;
    bool failInput = false;
    std::function<bool(int)> portExists;
    std::function<void(std::string_view)> onOutput;
    std::function<void()> onPoll;

  private:
    void requireOpen() const {
        if (!open) throw RuntimeError("port not open");
    }
};

}  // namespace purlo::test
