// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace purlo {

// The bytes a port has received and the receive loop has not read yet, as
// CommPort keeps them whatever the transport. Reads hand over the bytes
// as they came, one character per byte.
class ReceivedBytes {
  public:
    std::size_t waiting() const { return bytes_.size() - readPos_; }

    // Appends `data`, less its NUL bytes when `dropNul` (the port's null discard).
    void append(std::string_view data, bool dropNul) {
        for (const char b : data) {
            if (b == '\0' && dropNul) continue;
            bytes_.push_back(b);
        }
    }

    // Takes up to `limit` waiting bytes (all of them for 0).
    std::string take(std::size_t limit) {
        const std::size_t n = limit == 0 ? waiting() : std::min(waiting(), limit);
        std::string out = bytes_.substr(readPos_, n);
        readPos_ += n;
        // Taken bytes are dropped in batches: reading a long burst one byte at
        // a time must not shift the rest of it every time.
        if (readPos_ == bytes_.size()) {
            clear();
        } else if (readPos_ >= kCompactAt) {
            bytes_.erase(0, readPos_);
            readPos_ = 0;
        }
        return out;
    }

    void clear() {
        bytes_.clear();
        readPos_ = 0;
    }

  private:
    static constexpr std::size_t kCompactAt = 4096;
    std::string bytes_;  // bytes from readPos_ on are waiting
    std::size_t readPos_ = 0;
};

}  // namespace purlo
