// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/CsvLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
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

CsvLog::CsvLog(std::filesystem::path path) : path_(std::move(path)), header_(csvLogHeader()) {}

CsvLog::~CsvLog() {
    close();
}

void CsvLog::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void CsvLog::reopen() {
    close();
    failure_.reset();
}

void CsvLog::stop(const char* what, int error) {
    failure_ = path_.filename().string() + ": " + what + " (" + std::strerror(error) +
               "); the log has stopped";
    close();
}

namespace {

// Whether a file ends a line, so that a row appended starts a line of its
// own. One that cannot be read counts as ending one: nothing is added.
bool endsInCrLf(const std::filesystem::path& path, off_t size) {
    if (size < 2) return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return true;  // unreadable: nothing can be known, nothing is added
    char tail[2] = {};
    const bool ends = ::pread(fd, tail, 2, size - 2) != 2 || (tail[0] == '\r' && tail[1] == '\n');
    ::close(fd);
    return ends;
}

}  // namespace

bool CsvLog::open() {
    fd_ = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) {
        stop("cannot be opened", errno);
        return false;
    }
    device_ = st.st_dev;
    inode_ = st.st_ino;
    end_ = st.st_size;
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
    // One write for the whole row; only when the disk takes a part of it
    // does a second write try the rest (and learn why it stopped).
    std::array<iovec, 2> parts{iovec{const_cast<char*>(lead.data()), lead.size()},
                               iovec{const_cast<char*>(line.data()), line.size()}};
    std::size_t first = 0;
    std::size_t written = 0;
    int error = 0;
    for (;;) {
        while (first < parts.size() && parts[first].iov_len == 0) ++first;
        if (first == parts.size()) break;
        const ssize_t n = ::writev(fd_, &parts[first], static_cast<int>(parts.size() - first));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            break;
        }
        written += static_cast<std::size_t>(n);
        for (auto done = static_cast<std::size_t>(n); done > 0;) {
            iovec& part = parts[first];
            const std::size_t taken = std::min(done, part.iov_len);
            part.iov_base = static_cast<char*>(part.iov_base) + taken;
            part.iov_len -= taken;
            done -= taken;
            if (part.iov_len == 0) ++first;
        }
    }
    if (error == 0) {
        end_ += static_cast<off_t>(lead.size() + line.size());
        return true;
    }
    // The part that got in is cut off again: the file ends with the last
    // whole row, and the next session starts below it.
    const bool cut = written == 0 || ::ftruncate(fd_, end_) == 0;
    stop(cut ? "writing failed" : "writing failed, the end of the file holds a part of a row",
         error);
    return false;
}

bool CsvLog::append(std::string_view line) {
    if (failure_) return false;
    if (fd_ >= 0) {
        // The operator may have moved, deleted or emptied the file while
        // logging: the log goes on in the file at its name.
        struct stat st {};
        if (::stat(path_.c_str(), &st) != 0 || st.st_dev != device_ || st.st_ino != inode_) {
            close();
        } else {
            end_ = st.st_size;
            if (end_ == 0) lead_ = header_;
        }
    }
    if (fd_ < 0 && !open()) return false;
    if (!writeRow(lead_, line)) return false;
    lead_ = {};
    return true;
}

}  // namespace purlo
