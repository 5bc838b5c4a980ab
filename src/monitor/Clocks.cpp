// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/Clocks.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/System.h"

namespace purlo {

double SystemSteadyClock::seconds() const {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

LocalTime SystemWallClock::now() const {
    using namespace std::chrono;
    const std::int64_t t = floor<seconds>(system_clock::now()).time_since_epoch().count();
    return {t, platform::utcOffsetAt(t).value_or(0)};
}

void appendIso8601(std::string& out, const LocalTime& t) {
    using namespace std::chrono;
    const sys_seconds local{seconds{t.unixSeconds + t.utcOffsetSeconds}};
    const sys_days day = floor<days>(local);
    const year_month_day date{day};
    const hh_mm_ss clock{local - day};
    const std::int32_t offset = std::abs(t.utcOffsetSeconds);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d%c%02d:%02d",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()), t.utcOffsetSeconds < 0 ? '-' : '+',
                  static_cast<int>(offset / 3600), static_cast<int>(offset % 3600 / 60));
    out += text;
}

std::string iso8601(const LocalTime& t) {
    std::string text;
    appendIso8601(text, t);
    return text;
}

}  // namespace purlo
