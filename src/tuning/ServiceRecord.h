// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>

#include "monitor/Clocks.h"

namespace purlo::tuning {

class Assistant;
struct Setting;

// The kHz of a setting's frequency index (0 outside the list).
double transducerKhzOf(const Setting& s);

// "Purlo-tuning-20261209-021500.csv": the run's start in local time.
std::string serviceRecordName(const LocalTime& started);

// Where a run that started then writes its record: that name in `folder`,
// or with "-2", "-3" … before ".csv" when a record has the name already
// (two runs in one second), so no record is ever written over.
std::filesystem::path freeRecordPath(const std::filesystem::path& folder, const LocalTime& started);

// The service record of a run: when it began and ended (ISO 8601), the
// snapshot, every step with its figures, the choice, and what was applied or
// restored; one CSV row each, the first field saying what the row is.
std::string serviceRecordCsv(const Assistant& a, const LocalTime& finished);

// Writes it whole or not at all; the problem in words, empty when written.
std::string writeServiceRecord(const std::filesystem::path& file, const Assistant& a,
                               const LocalTime& finished);

}  // namespace purlo::tuning
