// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/System.h"

namespace purlo::sim {

// A readable record of the line: one entry per command chunk, reply line or
// echo record, with the seconds since the simulator started. Control bytes are
// escaped ("\r", "\n", "\xNN"); an echo record is shown as its length and its
// sample bytes in hex. Every entry is flushed, so `tail -f` follows the line.
class TrafficLog {
  public:
    TrafficLog() = default;  // logs nothing
    // Throws std::runtime_error when the file cannot be created.
    explicit TrafficLog(const std::filesystem::path& file);
    TrafficLog(const TrafficLog&) = delete;
    TrafficLog& operator=(const TrafficLog&) = delete;

    bool enabled() const { return file_.isOpen(); }
    void fromPc(double seconds, std::string_view bytes);
    void toPc(double seconds, std::string_view message);
    void note(double seconds, std::string_view text);

  private:
    void write(double seconds, std::string_view direction, std::string_view text);
    platform::File file_;
};

// "q30\r\n" for the bytes q, 3, 0, CR, LF; quotes and backslashes escaped too.
std::string escaped(std::string_view bytes);

}  // namespace purlo::sim
