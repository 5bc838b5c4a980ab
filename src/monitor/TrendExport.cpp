// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/TrendExport.h"

#include <charconv>
#include <vector>

#include "monitor/CsvLog.h"
#include "observe/Observer.h"

namespace purlo {

namespace {

void appendTime(std::string& out, double seconds) {
    char buffer[64];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, seconds, std::chars_format::fixed, 3);
    if (ec == std::errc{}) out.append(buffer, end);
}

}  // namespace

std::string trendCsv(const TrendSeries& fillHeight, std::string_view fillUnit,
                     const TrendSeries& temperature, std::string_view timeLabel, double from,
                     double to) {
    std::vector<TrendPoint> fill;
    std::vector<TrendPoint> temp;
    fillHeight.pointsIn(from, to, fill);
    temperature.pointsIn(from, to, temp);

    std::string text;
    text.reserve(32 * (fill.size() + temp.size() + 1));
    appendCsvField(text, timeLabel);
    text += ',';
    std::string fillHeader(probeValueName(ProbeValue::FillHeight));
    if (!fillUnit.empty()) fillHeader += " (" + std::string(fillUnit) + ")";
    appendCsvField(text, fillHeader);
    text += ',';
    appendCsvField(text, std::string(probeValueName(ProbeValue::Temperature)) + " (" +
                             std::string(probeValueUnit(ProbeValue::Temperature, false)) + ")");
    text += "\r\n";

    // Both series are in time order: merge them.
    std::size_t f = 0;
    std::size_t t = 0;
    while (f < fill.size() || t < temp.size()) {
        const bool takeFill = f < fill.size() && (t == temp.size() || fill[f].time <= temp[t].time);
        const bool takeTemp = t < temp.size() && (f == fill.size() || temp[t].time <= fill[f].time);
        appendTime(text, takeFill ? fill[f].time : temp[t].time);
        text += ',';
        if (takeFill) appendNumber(text, fill[f++].value);
        text += ',';
        if (takeTemp) appendNumber(text, temp[t++].value);
        text += "\r\n";
    }
    return text;
}

}  // namespace purlo
