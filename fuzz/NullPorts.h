// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "link/SerialPort.h"
#include "support/NullUi.h"
#include "text/RuntimeError.h"

namespace purlo::fuzz {

// Ports that accept everything and remember just enough for the fuzz targets.
using NullUi = testsupport::NullUi;
using NullSurface = testsupport::CountingSurface;

// A port that is never there: opening it fails, and so does everything that
// needs it open.
class NoPort : public SerialPort {
  public:
    bool portOpen() const override { return false; }
    void setPortOpen(bool open) override {
        if (open) {
            ++openAttempts;
            throw RuntimeError("no port");
        }
    }
    void setCommPort(std::int16_t) override {}
    void setSettings(std::string_view) override {}
    void setInputMode(InputMode) override {}
    void setInputLen(std::int16_t) override {}
    void setNullDiscard(bool) override {}
    int inBufferCount() override { throw RuntimeError("closed"); }
    void clearInBuffer() override { throw RuntimeError("closed"); }
    void output(std::string_view) override { throw RuntimeError("closed"); }
    std::string input() override { throw RuntimeError("closed"); }

    int openAttempts = 0;
};

// A finding: libFuzzer reports it with the input that caused it.
[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

}  // namespace purlo::fuzz
