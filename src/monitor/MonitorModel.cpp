// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/MonitorModel.h"

#include "monitor/TrendExport.h"

namespace purlo {

namespace {

constexpr double kBitsPerByte = 10.0;  // start bit, 8 data bits, stop bit
constexpr double kMmPerInch = 25.4;

}  // namespace

MonitorModel::MonitorModel(const SteadyClock& steady, const WallClock& wall, MonitorOptions options)
    : steady_(steady),
      wall_(wall),
      folder_(std::move(options.workingFolder)),
      logOn_(options.csvLog),
      fill_(options.trendCapacity),
      temperature_(options.trendCapacity),
      echoes_(options.echoRows),
      log_(folder_ / kCsvLogFileName) {
    row_.reserve(256);
}

void MonitorModel::startAfresh(TimeBase base) {
    fill_.clear();
    temperature_.clear();
    echoes_.clear();
    fillUnit_.clear();
    base_ = base;
    liveStarted_ = base == TimeBase::Live;
    if (liveStarted_) {
        liveOrigin_ = steady_.seconds();
        liveStartedAt_ = wall_.now();
    } else {
        liveStartedAt_.reset();
    }
    ++epoch_;
    ++revision_;
}

double MonitorModel::now() const {
    if (playing_) return baud_ > 0 ? static_cast<double>(bytesRead_) * kBitsPerByte / baud_ : 0.0;
    if (base_ == TimeBase::Live && liveStarted_) return steady_.seconds() - liveOrigin_;
    return 0.0;
}

double MonitorModel::stamp() {
    // Anything that arrives outside a playback is live, whether or not the
    // console reported the link: it then starts the live axis itself.
    if (!playing_ && (base_ != TimeBase::Live || !liveStarted_)) startAfresh(TimeBase::Live);
    return now();
}

std::string MonitorModel::timeAxisLabel() const {
    if (base_ == TimeBase::Live) return "time (s)";
    return "recording time (from bytes at " + std::to_string(baud_) +
           " bit/s; the file holds no timestamps)";
}

void MonitorModel::addFillHeight(double time, const DecodedReply& reply) {
    if (fillUnit_ != reply.unit) {
        // The operator switched units: the caption's next value is in the new
        // one, so the history is converted to it rather than thrown away.
        if (fillUnit_ == "mm" && reply.unit == "inch") {
            fill_.scale(1.0 / kMmPerInch);
        } else if (fillUnit_ == "inch" && reply.unit == "mm") {
            fill_.scale(kMmPerInch);
        } else {
            fill_.clear();
        }
        fillUnit_.assign(reply.unit);
    }
    fill_.add(time, static_cast<float>(reply.number));
}

void MonitorModel::replyDecoded(const DecodedReply& reply) {
    last_.set(reply);
    if (!playing_) live_.set(reply);
    const double time = stamp();
    switch (reply.value) {
        case ProbeValue::FillHeight:
            addFillHeight(time, reply);
            // The log is of the tank, timed by the wall clock: a playback's
            // replies are history and have no wall-clock time to give.
            if (logOn_ && !playing_ && !log_.stopped()) {
                row_.clear();
                appendCsvLogRow(row_, wall_.now(), live_);
                log_.append(row_);
            }
            break;
        case ProbeValue::Temperature:
            temperature_.add(time, static_cast<float>(reply.number));
            break;
        default: break;
    }
    ++revision_;
}

void MonitorModel::echoRecord(std::span<const std::uint8_t> bytes) {
    echoes_.add(stamp(), bytes);
    ++revision_;
}

void MonitorModel::commandSent(char command) {
    lastCommand_ = command;
    ++commands_;
    ++revision_;
}

void MonitorModel::linkOpened(std::string_view portName, std::string_view device) {
    linkUp_ = true;
    linkLost_ = false;
    portName_.assign(portName);
    device_.assign(device);
    // A new link may lead to another probe, or one set otherwise since.
    live_ = LastValues{};
    if (!playing_ && (base_ != TimeBase::Live || !liveStarted_)) startAfresh(TimeBase::Live);
    ++revision_;
}

void MonitorModel::linkClosed() {
    linkUp_ = false;
    ++revision_;
}

void MonitorModel::linkLost() {
    linkUp_ = false;
    linkLost_ = true;
    ++revision_;
}

void MonitorModel::playbackStarted(std::uint64_t fileBytes, std::int32_t pcBaudRate) {
    playing_ = true;
    fileBytes_ = fileBytes;
    baud_ = pcBaudRate;
    bytesRead_ = 0;
    beforePlayback_ = last_;
    startAfresh(TimeBase::Recording);
}

void MonitorModel::playbackPosition(std::uint64_t bytesRead) {
    // Called for every byte of a playback: only the count, nothing to redraw
    // by itself.
    bytesRead_ = bytesRead;
}

void MonitorModel::playbackSeeked(std::uint64_t bytesRead) {
    // The trend and the echo history follow the replay: moved back, what
    // lies after the new place goes (it comes again as the replay reaches
    // it); moved on, the span passed over stays empty.
    bytesRead_ = bytesRead;
    if (!playing_) return;
    const double time = now();
    fill_.dropAfter(time);
    temperature_.dropAfter(time);
    echoes_.dropAfter(time);
    // The newest values are those of the new place: what the playback had
    // decoded up to there (playbackValue) over what was there before it.
    last_ = beforePlayback_;
    ++epoch_;
    ++revision_;
}

void MonitorModel::playbackValue(const DecodedReply& reply) {
    if (!playing_) return;
    last_.set(reply);
    ++revision_;
}

void MonitorModel::playbackEnded() {
    playing_ = false;
    ++revision_;
}

void MonitorModel::setLogging(bool on) {
    if (logOn_ == on) return;
    logOn_ = on;
    if (on) log_.reopen();
    ++revision_;
}

std::string MonitorModel::exportTrend(double from, double to) const {
    return trendCsv(fill_, fillUnit_, temperature_,
                    base_ == TimeBase::Live ? "time (s)" : "recording time (s)", from, to);
}

bool MonitorModel::takeReference() {
    if (echoes_.size() == 0) return false;
    setReference(echoes_.row(0).bytes);
    return true;
}

void MonitorModel::setReference(std::span<const std::uint8_t> bytes) {
    reference_.assign(bytes.begin(), bytes.end());
    ++revision_;
}

MatchCounts MonitorModel::compareWithReference(std::size_t k, std::vector<SampleMatch>& out) const {
    return compareEcho(reference_, echoes_.row(k).bytes, out);
}

std::optional<std::string> MonitorModel::saveReference() const {
    return saveReferenceEcho(folder_, reference_);
}

std::optional<std::string> MonitorModel::loadReference() {
    ReferenceRead read = loadReferenceEcho(folder_);
    if (!read.ok()) return std::move(read.error);
    reference_ = std::move(read.bytes);
    ++revision_;
    return std::nullopt;
}

}  // namespace purlo
