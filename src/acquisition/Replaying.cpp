// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/Replaying.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "acquisition/ReplyDecoder.h"
#include "acquisition/StartStop.h"
#include "app/Console.h"
#include "diagram/EchoDrawing.h"
#include "protocol/Vocabulary.h"
#include "text/Numbers.h"
#include "text/RuntimeError.h"

namespace purlo {

namespace {

// The controls a reply's text goes to; a checkpoint keeps their texts in this
// order, then the window caption, then the text line of the slot records are
// drawn in.
constexpr std::array kShownControls{
    Control::Com_micro_view_baudrate,
    Control::Com_view_temperature,
    Control::Com_view_us_speed,
    Control::Com_view_us_fq,
    Control::Com_view_Probe_sample_rate,
    Control::Com_view_koef,
    Control::Com_view_burst_interval,
    Control::Com_view_burst_length,
    Control::Com_view_zender_volt,
    Control::Com_view_dead_time,
    Control::Com_auto_manuel,
    Control::Com_probe_print_on,
};
constexpr std::size_t kCaption = kShownControls.size();
constexpr std::size_t kSlotLine = kCaption + 1;

// The codes whose values the slot's text line shows, written as a record is drawn.
constexpr std::string_view kSlotLineCodes = "gDesPjY";

// An echo record in a recording: the marker, then at most this many bytes up
// to the distance reply that follows it (as the playback draws it).
constexpr std::uint8_t kMarker = protocol::kEchoRecord;
constexpr std::uint8_t kReplyAfterRecord = protocol::reported(ProbeValue::FillHeight).reply;
constexpr int kRecordBytes = 147;

constexpr std::size_t kReadBytes = std::size_t{1} << 20;

// Codes whose text may be one an earlier line of theirs left: a frequency
// index outside the table keeps the kHz before it, and a tuning or receive
// mode the window does not know leaves its caption as it was. Their lines
// are decoded as they come; the others only the last of each code.
constexpr bool textMayOutliveItsLine(unsigned char code) {
    return code == 'q' || code == 'a' || code == 'o';
}

// The values a reply stores, and the code of the last one.
void copyProbeValues(const ConsoleState& from, ConsoleState& to) {
    to.reply_code = from.reply_code;
    to.fill_height = from.fill_height;
    to.probe_baud_rate = from.probe_baud_rate;
    to.temperature = from.temperature;
    to.sound_speed = from.sound_speed;
    to.frequency_index = from.frequency_index;
    to.transducer_khz = from.transducer_khz;
    to.sample_rate = from.sample_rate;
    to.temperature_coefficient = from.temperature_coefficient;
    to.burst_interval = from.burst_interval;
    to.burst_length = from.burst_length;
    to.transducer_volt = from.transducer_volt;
    to.dead_zone = from.dead_zone;
    to.tuning_mode = from.tuning_mode;
    to.receive_mode = from.receive_mode;
    to.echo_b = from.echo_b;
    to.burst_b = from.burst_b;
    to.reload_frequency = from.reload_frequency;
}

std::vector<std::string> shownTexts(const Console& c) {
    std::vector<std::string> texts;
    texts.reserve(kSlotLine + 1);
    for (const Control control : kShownControls) texts.push_back(c.ui.text(control));
    texts.push_back(c.ui.windowCaption());
    const auto slot = slotTextBox(c.s.diagram_slot);
    texts.push_back(slot ? c.ui.text(*slot) : std::string());
    return texts;
}

// The playback's reading of the recording, without drawing or showing
// anything: replies decoded into a state of its own, records counted and
// passed over exactly as the receive loop and the echo drawing read them.
class SilentReplay {
  public:
    SilentReplay(const Console& c, const ReplayCheckpoint& from)
        : console_(c), separator_(c.ui.decimalSeparator()), at_(from) {
        // The view settings (units, zero offset) are today's; the values are
        // the checkpoint's.
        ConsoleState values = c.s;
        copyProbeValues(from.state, values);
        at_.state = std::move(values);
        atStart_ = at_.state;
    }

    // Reads on from the checkpoint to the first line start at or after
    // `target`, or to the end of the file, keeping checkpoints on the way.
    void run(SampleFiles& files, std::int64_t target, Replay& replay) {
        every_ = replay.checkpointBytes;
        std::vector<ReplayCheckpoint>& keep = replay.checkpoints;
        std::vector<std::uint8_t> buffer(kReadBytes);
        if (lineStart(target, keep)) return;
        for (;;) {
            const std::size_t got = files.read(at_.position, buffer);
            if (got == 0) break;
            std::size_t i = 0;
            while (i < got) {
                if (recordLeft_ > 0) {
                    // Passes over the record's bytes up to the reply behind it.
                    const std::size_t span =
                        std::min(got - i, static_cast<std::size_t>(recordLeft_));
                    const void* reply = std::memchr(&buffer[i], kReplyAfterRecord, span);
                    const std::size_t skipped =
                        reply == nullptr
                            ? span
                            : static_cast<std::size_t>(static_cast<const std::uint8_t*>(reply) -
                                                       &buffer[i]);
                    // Its first byte drawn writes the slot's text line.
                    if (recordLeft_ == kRecordBytes && skipped > 0) ++recordsDrawn_;
                    i += skipped;
                    at_.position += static_cast<std::int64_t>(skipped);
                    recordLeft_ = reply == nullptr ? recordLeft_ - static_cast<int>(skipped) : 0;
                    if (recordLeft_ == 0 && lineStart(target, keep)) return;
                    continue;
                }
                // Reply text up to the line feed or marker that ends it.
                std::size_t end = i;
                while (end < got && buffer[end] != '\n' && buffer[end] != kMarker) ++end;
                if (end > i) {
                    const std::size_t room =
                        kMaxLineLength - std::min(line_.size(), kMaxLineLength);
                    line_.append(reinterpret_cast<const char*>(&buffer[i]),
                                 std::min(end - i, room));
                    at_.position += static_cast<std::int64_t>(end - i);
                    i = end;
                    if (i == got) continue;  // the line goes on in the next block
                }
                const std::uint8_t byte = buffer[i++];
                ++at_.position;
                if (byte == kMarker) {
                    if (!line_.empty() && line_.back() == '\r') note();
                    ++at_.records;
                    line_.clear();
                    recordLeft_ = kRecordBytes;
                } else if (byte == '\n') {
                    note();
                    line_.clear();
                    at_.state.reply_code = ' ';
                    if (lineStart(target, keep)) return;
                }
            }
        }
        // The end of the recording: its last line counts when it was complete.
        if (recordLeft_ == 0 && !line_.empty() && line_.back() == '\r') note();
        line_.clear();
        recordLeft_ = 0;
        settle();
    }

    const ReplayCheckpoint& at() const { return at_; }

  private:
    // At a line start: true when it is the one sought; otherwise keeps a
    // checkpoint when the last one lies far enough behind.
    bool lineStart(std::int64_t target, std::vector<ReplayCheckpoint>& keep) {
        if (at_.position >= target) {
            settle();
            return true;
        }
        if (at_.position >= keep.back().position + every_) {
            settle();
            keep.push_back(at_);
        }
        return false;
    }

    // A complete reply line. Each reply stores its own values only, so only
    // the last line of each code counts: it is decoded when the state is
    // needed (settle), which spares formatting the texts of every line.
    // The codes whose text may outlive their line are decoded at once.
    // (A line that fails to decode would end a playback; here the values of
    // its code stay as they were.)
    void note() {
        if (line_.empty()) return;
        const auto code = static_cast<unsigned char>(line_.front());
        at_.state.reply_code = line_.front();
        if (code >= last_.size()) return;
        if (const auto k = kSlotLineCodes.find(static_cast<char>(code)); k != kSlotLineCodes.npos) {
            noteSlotLineCode(k);
        }
        if (textMayOutliveItsLine(code)) {
            // Decoding a line again on what it left changes nothing, and a
            // recording repeats these every cycle.
            if (line_ == decoded_[code]) return;
            decoded_[code] = line_;
            decode(line_);
        } else {
            if (last_[code].empty()) pending_.push_back(code);
            last_[code] = line_;
        }
    }

    // Decodes the last line of each code noted since the last time.
    void settle() {
        const char code = at_.state.reply_code;
        for (const unsigned char k : pending_) {
            decode(last_[k]);
            last_[k].clear();
        }
        pending_.clear();
        at_.state.reply_code = code;
        settleSlotLine();
    }

    // A line of one of the slot line's codes. The line it replaces was the
    // code's line at every record drawn since it came, so when one was, it
    // is the code's line at the last record drawn.
    void noteSlotLineCode(std::size_t k) {
        SlotLineCode& code = slotCodes_[k];
        if (recordsDrawn_ > code.since) {
            code.atLastRecord.swap(code.now);
            code.since = recordsDrawn_;
        }
        code.now = line_;
    }

    // The slot's text line as the last record drawn wrote it: the values of
    // then, the last line of each of its codes before that record decoded
    // over the values the replay began with.
    void settleSlotLine() {
        if (recordsDrawn_ == 0) return;
        ConsoleState then = atStart_;
        for (const SlotLineCode& code : slotCodes_) {
            const std::string& line = code.since < recordsDrawn_ ? code.now : code.atLastRecord;
            if (line.empty()) continue;
            try {
                decodeReply(line, then, separator_);
            } catch (const RuntimeError&) {
                // As decode() does: the values before it stay.
            }
        }
        at_.texts[kSlotLine] = echoInfoLine(console_, then);
    }

    void decode(std::string_view line) {
        std::optional<ReplyDisplay> shown;
        try {
            shown = decodeReply(line, at_.state, separator_);
        } catch (const RuntimeError&) {
            return;  // a value that does not fit: the values before it stay
        }
        at_.reported.set(static_cast<unsigned char>(line.front()));
        if (!shown) return;
        if (shown->target == ReplyDisplay::Target::WindowCaption) {
            at_.texts[kCaption] = std::move(shown->text);
        } else if (shown->target == ReplyDisplay::Target::ControlText) {
            const auto* found =
                std::find(kShownControls.begin(), kShownControls.end(), shown->control);
            if (found != kShownControls.end()) {
                at_.texts[static_cast<std::size_t>(found - kShownControls.begin())] =
                    std::move(shown->text);
            }
        }
        // A line for List_Info is history, and a seek passes over history.
    }

    const Console& console_;
    char separator_;
    ReplayCheckpoint at_;
    ConsoleState atStart_;  // the values the replay began with
    // Each of the slot line's codes: its last line, and the one before when
    // that came after the last record drawn (empty: none since the start).
    struct SlotLineCode {
        std::string now;
        std::string atLastRecord;
        std::uint64_t since = 0;  // records drawn when `now` came
    };
    std::array<SlotLineCode, kSlotLineCodes.size()> slotCodes_;
    std::uint64_t recordsDrawn_ = 0;
    std::string line_;
    int recordLeft_ = 0;  // bytes an echo record may still have
    std::int64_t every_ = Replay::kCheckpointBytes;
    std::array<std::string, 128> last_;     // the last line of each reply code
    std::array<std::string, 128> decoded_;  // the line of each code decoded last
    std::vector<unsigned char> pending_;    // the codes with a line in last_
};

// The start of a playback is its first checkpoint; a playback from the start
// may be of a new recording, so the older checkpoints go.
void keepStart(Console& c) {
    std::vector<ReplayCheckpoint>& keep = c.replay.checkpoints;
    keep.clear();
    keep.push_back({0, 0, c.s, shownTexts(c), {}});
    c.replay.checkpointsComplete = false;
    c.replay.checkpointsOf = c.files.playbackIdentity();
}

// The checkpoints hold for the file as it was when they were kept. Written
// again since (a recording into it), only the start still holds: the window
// as it was when the playback began.
void dropCheckpointsOfAnotherFile(Console& c) {
    Replay& replay = c.replay;
    const FileIdentity now = c.files.playbackIdentity();
    if (now == replay.checkpointsOf) return;
    replay.checkpointsOf = now;
    c.files.rereadPlayback();
    if (replay.checkpoints.size() > 1) replay.checkpoints.resize(1);
    replay.checkpointsComplete = false;
}

// While the replay waits anyway (paused, or ahead of its pace), the
// checkpoints are carried on by one stretch, so that a seek far into a large
// recording finds one nearby.
void checkpointAhead(Console& c) {
    Replay& replay = c.replay;
    if (replay.checkpoints.empty() || !c.files.playing()) return;
    dropCheckpointsOfAnotherFile(c);
    if (replay.checkpointsComplete) return;
    SilentReplay silent(c, replay.checkpoints.back());
    silent.run(c.files, replay.checkpoints.back().position + replay.checkpointBytes, replay);
    const ReplayCheckpoint& there = silent.at();
    if (there.position >= c.files.playbackLength()) {
        replay.checkpointsComplete = true;
    } else if (there.position > replay.checkpoints.back().position) {
        replay.checkpoints.push_back(there);
    }
}

}  // namespace

void seekPlayback(Console& c, std::int64_t position) {
    std::vector<ReplayCheckpoint>& keep = c.replay.checkpoints;
    if (!c.files.playing() || keep.empty()) return;
    dropCheckpointsOfAnotherFile(c);
    const auto after =
        std::upper_bound(keep.begin(), keep.end(), position,
                         [](std::int64_t p, const ReplayCheckpoint& k) { return p < k.position; });
    const ReplayCheckpoint& from = after == keep.begin() ? keep.front() : *std::prev(after);
    SilentReplay silent(c, from);
    silent.run(c.files, position, c.replay);
    const ReplayCheckpoint& there = silent.at();

    copyProbeValues(there.state, c.s);
    c.s.playback_pos = toWidth<std::int32_t>(there.position);
    c.s.playback_count = there.records;
    for (std::size_t i = 0; i < kShownControls.size(); ++i) {
        if (c.ui.text(kShownControls[i]) != there.texts[i]) {
            c.ui.setText(kShownControls[i], there.texts[i]);
        }
    }
    if (c.ui.windowCaption() != there.texts[kCaption]) c.ui.setWindowCaption(there.texts[kCaption]);
    const auto slot = slotTextBox(c.s.diagram_slot);
    if (slot && c.ui.text(*slot) != there.texts[kSlotLine])
        c.ui.setText(*slot, there.texts[kSlotLine]);
    c.ui.setText(Control::Com_play_spl, there.records == 0 ? "#" : intText(there.records));
    c.replay.restartPace();
    c.observer().playbackSeeked(static_cast<std::uint64_t>(there.position));
    // Every reply code that stores a value the observer hears of.
    for (const protocol::Reported& r : protocol::kReported) {
        if (!there.reported.test(static_cast<unsigned char>(r.reply))) continue;
        if (const auto value = decodedValue(r.reply, c.s)) c.observer().playbackValue(*value);
    }
}

void replayArmed(Console& c) {
    c.replay.playbackArmed();
    keepStart(c);
}

bool playbackMayRead(Console& c, std::string& line) {
    Replay& replay = c.replay;
    // Once for each run that starts a playback from its beginning.
    if (c.s.playback_pos == 0 && line.empty() && replay.startRun != c.startRuns) {
        keepStart(c);
        replay.startRun = c.startRuns;
    }
    if (!replay.engaged()) return true;
    if (const auto target = replay.takeSeek()) {
        seekPlayback(c, *target);
        line.clear();
        return false;
    }
    const double wait =
        replay.waitBefore(c.s.playback_pos, c.s.pc_baud_rate, c.files.playbackLength());
    if (wait <= 0.0) return true;
    checkpointAhead(c);
    if (wait == Replay::kPaused) {
        c.ui.yield(Wait::UntilEvent);
    } else {
        c.ui.yieldFor(wait);
    }
    return false;
}

}  // namespace purlo
