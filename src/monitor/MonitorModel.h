// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/Clocks.h"
#include "monitor/CsvLog.h"
#include "monitor/EchoHistory.h"
#include "monitor/ReferenceEcho.h"
#include "monitor/TrendSeries.h"
#include "observe/Observer.h"

namespace purlo {

// Which clock the series' times come from.
enum class TimeBase : std::uint8_t {
    // Seconds of the steady clock since the live series began.
    Live,
    // Seconds into the recording being played: bytes read x 10 bits / PC baud
    // rate, from 0 at each playback (the file holds no timestamps).
    Recording,
};

struct MonitorOptions {
    // Where Purlo.csv and the reference echo file go: the console's working folder.
    std::filesystem::path workingFolder;
    // Append a row to Purlo.csv for every live fill-height reply.
    bool csvLog = true;
    std::size_t trendCapacity = kTrendDayCapacity;
    std::size_t echoRows = kEchoHistoryRows;
};

// What the monitor window shows, kept from the console's observer events. One
// time axis at a time: a playback starts the series afresh on the
// recording's own time, and live data after a playback starts them afresh on
// the steady clock (a live series carries on across Stop and Start, with a
// gap). The reference echo stays through both.
//
// Per event it does constant work and allocates nothing once its stores are
// full (the trend blocks are made as data arrives, the echo rows up front).
// A live fill-height reply also writes one log line, of the values the live
// probe reported since the link opened (a playback's never reach it).
class MonitorModel final : public Observer {
  public:
    MonitorModel(const SteadyClock& steady, const WallClock& wall, MonitorOptions options);

    // Observer
    void replyDecoded(const DecodedReply& reply) override;
    void echoRecord(std::span<const std::uint8_t> bytes) override;
    void commandSent(char command) override;
    void linkOpened(std::string_view portName, std::string_view device) override;
    void linkClosed() override;
    void linkLost() override;
    void playbackStarted(std::uint64_t fileBytes, std::int32_t pcBaudRate) override;
    void playbackPosition(std::uint64_t bytesRead) override;
    void playbackSeeked(std::uint64_t bytesRead) override;
    void playbackValue(const DecodedReply& reply) override;
    void playbackEnded() override;

    // Time base and axis
    TimeBase timeBase() const { return base_; }
    // The time an event arriving now would get.
    double now() const;
    // The wall-clock moment the live series began (for clock labels on the axis).
    std::optional<LocalTime> liveStartedAt() const { return liveStartedAt_; }
    std::int32_t recordingBaudRate() const { return baud_; }
    // "time (s)" or "recording time (from bytes at 9600 bit/s; the file holds no timestamps)".
    std::string timeAxisLabel() const;

    // Trend
    const TrendSeries& fillHeight() const { return fill_; }
    const TrendSeries& temperature() const { return temperature_; }
    // The fill height's unit as the caption shows it; the stored series is
    // converted when the operator switches between mm and inch.
    std::string_view fillUnit() const { return fillUnit_; }
    const LastValues& lastValues() const { return last_; }
    // The trend as CSV text (TrendSeries::kAll for everything).
    std::string exportTrend(double from = -TrendSeries::kAll, double to = TrendSeries::kAll) const;

    // Echo history and reference
    const EchoHistory& echoes() const { return echoes_; }
    // Takes the newest record as the reference; false when there is none yet.
    bool takeReference();
    void setReference(std::span<const std::uint8_t> bytes);
    const std::vector<std::uint8_t>& reference() const { return reference_; }
    bool hasReference() const { return !reference_.empty(); }
    // Compares echo row k (0 the newest) with the reference, into `out`.
    MatchCounts compareWithReference(std::size_t k, std::vector<SampleMatch>& out) const;
    // Saves to / loads from Purlo-reference.echo in the working folder; the
    // message for the operator when that failed (a failed load keeps the
    // reference as it was).
    std::optional<std::string> saveReference() const;
    std::optional<std::string> loadReference();

    // Log
    bool logging() const { return logOn_ && !log_.stopped(); }
    // Turns the log on or off from the next fill-height reply on. Turned on,
    // it opens Purlo.csv afresh, so a log that a failed write stopped tries
    // again; on and on again changes nothing.
    void setLogging(bool on);
    // Why the log stopped, once a write failed.
    const std::optional<std::string>& logFailure() const { return log_.failure(); }

    // Link and playback
    bool linkUp() const { return linkUp_; }
    bool linkWasLost() const { return linkLost_; }
    const std::string& portName() const { return portName_; }
    const std::string& device() const { return device_; }
    bool playingBack() const { return playing_; }
    std::uint64_t playbackBytes() const { return fileBytes_; }
    std::uint64_t playbackRead() const { return bytesRead_; }
    char lastCommand() const { return lastCommand_; }
    std::uint64_t commandsSent() const { return commands_; }

    // Goes up with every change the window draws; a window that skips frames
    // redraws when it differs from the one it drew.
    std::uint64_t revision() const { return revision_; }
    // Goes up whenever the series start afresh (a new time axis) or a seek
    // cut them back.
    std::uint64_t epoch() const { return epoch_; }

    // Where the log, the reference echo and exports go.
    const std::filesystem::path& workingFolder() const { return folder_; }

  private:
    void startAfresh(TimeBase base);
    double stamp();
    void addFillHeight(double time, const DecodedReply& reply);

    const SteadyClock& steady_;
    const WallClock& wall_;
    std::filesystem::path folder_;
    bool logOn_;

    TimeBase base_ = TimeBase::Live;
    bool liveStarted_ = false;
    double liveOrigin_ = 0.0;
    std::optional<LocalTime> liveStartedAt_;
    bool playing_ = false;
    std::int32_t baud_ = 0;
    std::uint64_t fileBytes_ = 0;
    std::uint64_t bytesRead_ = 0;

    TrendSeries fill_;
    TrendSeries temperature_;
    std::string fillUnit_;
    LastValues last_;
    LastValues beforePlayback_;  // what a seek to the playback's start shows
    // What the live probe reported since the link opened: the log's rows.
    LastValues live_;
    EchoHistory echoes_;
    std::vector<std::uint8_t> reference_;
    CsvLog log_;
    std::string row_;  // reused for every log line

    bool linkUp_ = false;
    bool linkLost_ = false;
    std::string portName_;
    std::string device_;
    char lastCommand_ = '\0';
    std::uint64_t commands_ = 0;
    std::uint64_t revision_ = 0;
    std::uint64_t epoch_ = 0;
};

}  // namespace purlo
