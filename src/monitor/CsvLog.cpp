// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/CsvLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

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

CsvLog::CsvLog(std::filesystem::path path) : path_(std::move(path)) {}

CsvLog::~CsvLog() {
    if (fd_ >= 0) ::close(fd_);
}

void CsvLog::stop(const char* what, int error) {
    failure_ = path_.filename().string() + ": " + what + " (" + std::strerror(error) +
               "); the log has stopped";
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool CsvLog::writeAll(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            stop("writing failed", errno);
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool CsvLog::open() {
    fd_ = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        stop("cannot be opened", errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        stop("cannot be opened", errno);
        return false;
    }
    return st.st_size > 0 || writeAll(csvLogHeader());
}

bool CsvLog::append(std::string_view line) {
    if (failure_) return false;
    if (fd_ < 0 && !open()) return false;
    return writeAll(line);
}

}  // namespace purlo
