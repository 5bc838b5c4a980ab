// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>

#include "fakes/Harness.h"

namespace purlo::test {

// Delivers a byte stream on the fake port as a serial line would: a chunk at
// a time whenever the receive buffer runs low, so the buffer never holds the
// whole stream. An echo request ("=") is answered at once with a record of
// the console's sample length, as a probe does between the stream's bytes.
// Once the whole stream has been read, the operator clicks Stop.
class LineFeeder {
  public:
    LineFeeder(Harness& h, std::string stream, std::size_t chunk = 256)
        : h_(h), stream_(std::move(stream)), chunk_(chunk) {
        h_.port.onPoll = [this] {
            if (h_.port.inbox.size() < chunk_ && pos_ < stream_.size()) {
                const std::size_t n = std::min(chunk_, stream_.size() - pos_);
                h_.port.feed(std::string_view(stream_).substr(pos_, n));
                pos_ += n;
            }
        };
        h_.port.onOutput = [this](std::string_view sent) {
            if (sent == "=") h_.port.feed("=" + std::string(h_.s.sample_length, '\x0f'));
        };
        h_.ui.everyYield = [this](int) {
            if (h_.port.open && consumed() && !stopping_) {
                stopping_ = true;  // the Stop click yields too
                h_.console.click(Control::Com_start_stop);
                stopping_ = false;
            }
        };
    }
    ~LineFeeder() {
        h_.port.onPoll = nullptr;
        h_.port.onOutput = nullptr;
        h_.ui.everyYield = nullptr;
    }
    LineFeeder(const LineFeeder&) = delete;
    LineFeeder& operator=(const LineFeeder&) = delete;

    bool consumed() const { return pos_ == stream_.size() && h_.port.inbox.empty(); }

  private:
    Harness& h_;
    std::string stream_;
    std::size_t chunk_;
    std::size_t pos_ = 0;
    bool stopping_ = false;
};

}  // namespace purlo::test
