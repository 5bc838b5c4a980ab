// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace purlo {

// Seconds from an arbitrary start, never going back: what stamps live events.
class SteadyClock {
  public:
    virtual ~SteadyClock() = default;
    virtual double seconds() const = 0;
};

// A moment of the wall clock with the local time zone's offset from UTC at it.
struct LocalTime {
    std::int64_t unixSeconds = 0;
    std::int32_t utcOffsetSeconds = 0;
    friend bool operator==(const LocalTime&, const LocalTime&) = default;
};

// The wall clock and time zone that timestamp log rows.
class WallClock {
  public:
    virtual ~WallClock() = default;
    virtual LocalTime now() const = 0;
};

// std::chrono::steady_clock.
class SystemSteadyClock final : public SteadyClock {
  public:
    double seconds() const override;
};

// std::chrono::system_clock in the process's time zone (TZ, /etc/localtime;
// on Windows the system's time zone).
class SystemWallClock final : public WallClock {
  public:
    LocalTime now() const override;
};

// ISO 8601 local time with its offset, to the second: "2026-12-07T16:45:12+01:00".
std::string iso8601(const LocalTime& t);
// The same, appended to `out` (no allocation once `out` has room).
void appendIso8601(std::string& out, const LocalTime& t);

}  // namespace purlo
