// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "monitor/Clocks.h"
#include "observe/Observer.h"
#include "platform/System.h"

namespace purlo {

// The log of fill-height replies in the working folder.
inline constexpr const char* kCsvLogFileName = "Purlo.csv";

// The probe's values as last reported; empty until reported.
struct LastValues {
    std::array<std::optional<double>, kProbeValueCount> number{};
    std::array<std::string, kProbeValueCount> unit{};

    void set(const DecodedReply& r);
    const std::optional<double>& operator[](ProbeValue v) const {
        return number[static_cast<std::size_t>(v)];
    }
    std::string_view unitOf(ProbeValue v) const { return unit[static_cast<std::size_t>(v)]; }
};

// Appends `field` as one RFC 4180 field: quoted, with its quotes doubled,
// when it holds a comma, a quote, CR or LF; as it is otherwise.
void appendCsvField(std::string& row, std::string_view field);

// The shortest text that reads back as the same number, "." as decimal
// point: whole numbers without a point, float-stored values as the float
// shows them (21.3, not 21.299999237060547).
void appendNumber(std::string& out, double value);

// The header row and a log row, each ending in CR LF. Columns: time (ISO
// 8601 local with offset), fill height, its unit, then every other value
// (a unit column beside those that follow the mm/inch switch).
std::string csvLogHeader();
void appendCsvLogRow(std::string& row, const LocalTime& time, const LastValues& values);

// Appends rows to the file at one path, each row with a single write
// straight to the file, so a crash loses at most the row being written. The
// file is followed by its name: before each row the file at the path is
// compared with the one open (device and inode), and when it was moved,
// deleted or replaced the path is opened afresh (where a deleted file keeps
// its name while open, on Windows, the file is closed after every row). The header goes first into
// a new or emptied file; a file that does not end in CR LF (a row cut short before) gets one, so
// the next row starts on a line of its own.
//
// A row goes in whole or not at all: a part of it written onto a full disk is
// cut off again. The first failure stops the log with a message; every later
// append does nothing until reopen().
class CsvLog {
  public:
    explicit CsvLog(std::filesystem::path path);
    ~CsvLog();
    CsvLog(const CsvLog&) = delete;
    CsvLog& operator=(const CsvLog&) = delete;

    // Appends one whole line (its CR LF included). False when the log is stopped.
    bool append(std::string_view line);
    bool stopped() const { return failure_.has_value(); }
    // Why the log stopped, for the operator.
    const std::optional<std::string>& failure() const { return failure_; }
    const std::filesystem::path& path() const { return path_; }
    // Closes the file and forgets a failure: the next append opens the path
    // afresh, as a new session would.
    void reopen();

  private:
    bool open();
    void close();
    void stop(const char* what, std::error_code error);
    bool writeRow(std::string_view lead, std::string_view line);

    std::filesystem::path path_;
    platform::File file_;
    platform::FileIdentity opened_;
    // Where the next row starts: the file's size, and what must go first.
    std::int64_t end_ = 0;
    std::string_view lead_;
    std::string row_;  // the lead and the line, for one write
    std::string header_;
    std::optional<std::string> failure_;
};

}  // namespace purlo
