// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/CsvLog.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace purlo {

namespace {

// The values after the fill height, in column order.
constexpr std::array<ProbeValue, kProbeValueCount - 1> kOtherColumns{
    ProbeValue::Temperature,   ProbeValue::ProbeBaudRate, ProbeValue::SoundSpeed,
    ProbeValue::FrequencyKhz,  ProbeValue::SampleRate,    ProbeValue::TemperatureCoefficient,
    ProbeValue::BurstInterval, ProbeValue::BurstLength,   ProbeValue::TransducerVoltage,
    ProbeValue::DeadZone,      ProbeValue::TuningMode,    ProbeValue::ReceiveMode,
    ProbeValue::EchoBounce,    ProbeValue::BurstBounce,   ProbeValue::ReloadFrequency,
};

template <class T>
void appendChars(std::string& out, T value) {
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (ec == std::errc{}) out.append(buffer, end);
}

}  // namespace

void LastValues::set(const DecodedReply& r) {
    const auto i = static_cast<std::size_t>(r.value);
    if (i >= kProbeValueCount) return;
    number[i] = r.number;
    unit[i].assign(r.unit);  // keeps its memory: no allocation once units have been seen
}

void appendCsvField(std::string& row, std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        row += field;
        return;
    }
    row += '"';
    for (const char c : field) {
        if (c == '"') row += '"';
        row += c;
    }
    row += '"';
}

void appendNumber(std::string& out, double value) {
    if (!std::isfinite(value)) {
        appendChars(out, value);
        return;
    }
    if (value == std::trunc(value) && std::fabs(value) < 9.0e15) {
        appendChars(out, static_cast<long long>(value));
        return;
    }
    const auto single = static_cast<float>(value);
    if (static_cast<double>(single) == value) {
        appendChars(out, single);
    } else {
        appendChars(out, value);
    }
}

std::string csvLogHeader() {
    std::string row;
    appendCsvField(row, "time");
    row += ',';
    appendCsvField(row, probeValueName(ProbeValue::FillHeight));
    row += ",unit";
    for (const ProbeValue v : kOtherColumns) {
        row += ',';
        std::string name(probeValueName(v));
        const std::string_view unit = probeValueUnit(v, false);
        if (!unit.empty() && !unitFollowsInchSwitch(v)) name += " (" + std::string(unit) + ")";
        appendCsvField(row, name);
        if (unitFollowsInchSwitch(v)) {
            row += ',';
            appendCsvField(row, std::string(probeValueName(v)) + " unit");
        }
    }
    row += "\r\n";
    return row;
}

void appendCsvLogRow(std::string& row, const LocalTime& time, const LastValues& values) {
    appendIso8601(row, time);
    auto value = [&](ProbeValue v) {
        row += ',';
        if (const auto& n = values[v]) appendNumber(row, *n);
    };
    auto unit = [&](ProbeValue v) {
        row += ',';
        if (values[v]) appendCsvField(row, values.unitOf(v));
    };
    value(ProbeValue::FillHeight);
    unit(ProbeValue::FillHeight);
    for (const ProbeValue v : kOtherColumns) {
        value(v);
        if (unitFollowsInchSwitch(v)) unit(v);
    }
    row += "\r\n";
}

CsvLog::CsvLog(std::filesystem::path path) : path_(std::move(path)), header_(csvLogHeader()) {}

CsvLog::~CsvLog() {
    close();
}

void CsvLog::close() {
    std::error_code ignored;
    file_.close(ignored);
}

void CsvLog::reopen() {
    close();
    failure_.reset();
}

void CsvLog::stop(const char* what, std::error_code error) {
    failure_ = platform::utf8(path_.filename()) + ": " + what + " (" + error.message() +
               "); the log has stopped";
    close();
}

namespace {

// Whether a file ends a line, so that a row appended starts a line of its
// own. One that cannot be read counts as ending one: nothing is added.
bool endsInCrLf(const std::filesystem::path& path, std::int64_t size) {
    if (size < 2) return false;
    std::error_code ec;
    platform::File file = platform::File::open(path, platform::OpenMode::Read, ec);
    if (!file.isOpen()) return true;  // unreadable: nothing can be known, nothing is added
    std::uint8_t tail[2] = {};
    return file.readAt(size - 2, tail, ec) != 2 || (tail[0] == '\r' && tail[1] == '\n');
}

}  // namespace

bool CsvLog::open() {
    std::error_code ec;
    file_ = platform::File::open(path_, platform::OpenMode::Append, ec);
    const std::optional<platform::FileIdentity> opened = file_.identity();
    if (!opened) {
        stop("cannot be opened", ec ? ec : std::make_error_code(std::errc::io_error));
        return false;
    }
    opened_ = *opened;
    end_ = opened->size;
    if (end_ == 0) {
        lead_ = header_;
    } else if (!endsInCrLf(path_, end_)) {
        lead_ = "\r\n";
    } else {
        lead_ = {};
    }
    return true;
}

bool CsvLog::writeRow(std::string_view lead, std::string_view line) {
    // One write for the whole row (the buffer keeps its memory between rows).
    row_.assign(lead);
    row_.append(line);
    std::error_code error;
    const std::size_t written = file_.write(row_, error);
    if (!error) {
        end_ += static_cast<std::int64_t>(row_.size());
        return true;
    }
    // The part that got in is cut off again: the file ends with the last
    // whole row, and the next session starts below it.
    std::error_code cutting;
    const bool cut = written == 0 || file_.truncate(end_, cutting);
    stop(cut ? "writing failed" : "writing failed, the end of the file holds a part of a row",
         error);
    return false;
}

bool CsvLog::append(std::string_view line) {
    if (failure_) return false;
    if (file_.isOpen()) {
        // The operator may have moved, deleted or emptied the file while
        // logging: the log goes on in the file at its name.
        // (A file deleted while open may keep its name on Windows until
        // it is closed: closing it first lets the name be taken anew.)
        const std::optional<platform::FileIdentity> mine = file_.identity();
        const std::optional<platform::FileIdentity> now = platform::identityOf(path_);
        if (!mine || !mine->named || !now || now->device != opened_.device ||
            now->inode != opened_.inode) {
            close();
        } else {
            end_ = now->size;
            if (end_ == 0) lead_ = header_;
        }
    }
    if (!file_.isOpen() && !open()) return false;
    if (!writeRow(lead_, line)) return false;
    lead_ = {};
    // Where a deleted file keeps its name while open, the log lets go of it
    // between rows, so the operator may delete it and a new one takes its place.
    if (!platform::deletedFilesLoseTheirNameAtOnce()) close();
    return true;
}

}  // namespace purlo
