// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

#include "monitor/TrendSeries.h"

namespace purlo {

// The trend between `from` and `to` (TrendSeries::kAll for everything) as
// CSV text: a header row, then one row per distinct time, oldest first, with
// the fill height and the temperature reported at that time (a field stays
// empty when only the other was). Times in seconds with three decimals;
// `timeLabel` names the time column ("time (s)", "recording time (s)").
// RFC 4180: commas, CR LF, fields quoted where needed.
std::string trendCsv(const TrendSeries& fillHeight, std::string_view fillUnit,
                     const TrendSeries& temperature, std::string_view timeLabel,
                     double from = -TrendSeries::kAll, double to = TrendSeries::kAll);

}  // namespace purlo
