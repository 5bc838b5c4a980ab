// SPDX-License-Identifier: GPL-3.0-or-later
#include "diagram/EchoDrawing.h"

#include <array>
#include <cstdint>
#include <exception>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "app/Console.h"
#include "app/HandlerFailure.h"
#include "protocol/Vocabulary.h"
#include "text/Numbers.h"

namespace purlo {

namespace {

constexpr std::string_view kSampleError = "* Error while getting draw diagram Samples! ";

constexpr char kMarker = protocol::kEchoRecord;
// A recorded echo record is followed by the reply to "?", which starts with "D".
constexpr std::uint8_t kReplyAfterRecord = protocol::reported(ProbeValue::FillHeight).reply;
// The marker is looked for among the first 51 bytes of what the probe sent.
constexpr std::size_t kMarkerSearchEnd = 51;
// Playback draws at most this many bytes of one record.
constexpr int kPlaybackRecordLimit = 147;
// Coordinates are kept in 16 bits; a trace that would reach beyond this lies
// far to the right of the window, so it simply ends there.
constexpr long long kLargestCoordinate = 32767;

}  // namespace

std::optional<Control> slotTextBox(std::uint8_t slot) {
    switch (slot) {
        case 1: return Control::Text_top;
        case 2: return Control::Text_mid;
        case 3: return Control::Text_bot;
        default: return std::nullopt;
    }
}

std::string echoInfoLine(const Console& c, const ConsoleState& s) {
    std::string line;
    line.reserve(128);
    line += "Burst B; ";
    line += intText(s.burst_b);
    line += "     ";
    line += c.floatText(s.fill_height);
    line += "    Echo B; ";
    line += intText(s.echo_b);
    line += "      Us Volt; ";
    line += c.floatText(s.transducer_volt);
    line += "      ";
    line += intText(s.burst_length);
    line += " Pd    ";
    line += "    int; ";
    line += intText(s.burst_interval);
    line += "    Sd; ";
    line += intText(s.sample_rate);
    return line;
}

namespace {

// Draws sample bytes one after the other along the baseline of the slot,
// eight columns of zoom_horizontal twips per byte, the first sample leftmost.
class Trace {
  public:
    explicit Trace(Console& c) : c_(c) {}

    void draw(std::uint8_t byte) {
        if (drawn_ < bytes_.size()) bytes_[drawn_++] = byte;
        if (!ended_) drawColumns(byte);
        // The line cannot change during one record, so writing it once, as
        // soon as the first byte is drawn, shows the same as writing it after
        // every byte.
        if (!infoShown_) {
            infoShown_ = true;
            if (const auto box = slotTextBox(c_.s.diagram_slot))
                c_.ui.setText(*box, echoInfoLine(c_, c_.s));
        }
    }

    // The record's bytes as drawn, for whoever observes the console.
    std::span<const std::uint8_t> bytes() const { return {bytes_.data(), drawn_}; }

  private:
    // The byte's geometry is worked out here, with every coordinate checked,
    // and handed to the surface as one trace (see SampleTrace).
    void drawColumns(std::uint8_t byte) {
        ConsoleState& s = c_.s;
        SampleTrace t;
        t.x = s.draw_x;
        t.baseline = s.draw_y;
        t.halfHeight = s.zoom_vertical;
        t.step = s.zoom_horizontal;
        t.raster = s.raster_on;
        t.byte = byte;
        // Every end of a line must be a 16-bit coordinate, the tick's first.
        if (t.raster) {
            checked<std::int16_t>(t.tickBottom());
            checked<std::int16_t>(t.tickTop());
        }
        try {
            checked<std::int16_t>(t.barBottom());
            checked<std::int16_t>(t.barTop());
        } catch (...) {
            // The raster tick is drawn before the bar's ends are worked out.
            if (t.raster) {
                const auto x = static_cast<float>(t.x);
                c_.surface.setForeColour(kRasterTick);
                c_.surface.drawLine(x, static_cast<float>(t.tickBottom()), x,
                                    static_cast<float>(t.tickTop()));
            }
            throw;
        }
        // Samples whose next column still has a 16-bit x are drawn whole; the
        // trace ends after the erase of the first column whose next has not.
        t.samples = 0;
        long long x = s.draw_x;
        while (t.samples < 8 && x + t.step <= kLargestCoordinate) {
            x += t.step;
            ++t.samples;
        }
        t.cutShort = t.samples < 8;
        ended_ = t.cutShort;
        s.draw_x = static_cast<std::int16_t>(x);
        c_.surface.drawSampleTrace(t);
    }

    Console& c_;
    // A record holds at most 255 bytes (its length is an 8-bit setting).
    // Left uninitialised: only the first drawn_ are ever read, and clearing
    // it would cost a pass over 256 bytes for every record of a playback.
    std::array<std::uint8_t, 256> bytes_;
    std::size_t drawn_ = 0;
    bool ended_ = false;
    bool infoShown_ = false;
};

void playBackRecord(Console& c, Trace& trace) {
    for (int drawn = 0; drawn < kPlaybackRecordLimit; ++drawn) {
        c.s.playback_pos = checked<std::int32_t>(c.s.playback_pos + 1LL);
        // A record cut short by the end of the file ends there; playback_pos
        // stays past the end, so the receive loop's next read ends the playback.
        const std::optional<std::uint8_t> byte = c.files.byteAt(c.s.playback_pos);
        if (!byte) return;
        if (*byte == kReplyAfterRecord) {
            // The distance reply that follows every live record: the receive
            // loop reads it next, so playback shows the distance live showed.
            --c.s.playback_pos;
            return;
        }
        trace.draw(*byte);
    }
}

// Returns false when the program is ending or acquisition was stopped, and nothing was read.
bool waitForRecord(Console& c) {
    int lastCount = -1;
    for (;;) {
        const int count = c.port.inBufferCount();
        if (count > c.s.sample_length) return true;
        // Block only when nothing arrived since the last look; a burst of
        // bytes still on its way is then taken at once.
        c.ui.yield(count == lastCount ? Wait::UntilEvent : Wait::No);
        // Exit, or the operator's Stop, during the wait: no record is coming,
        // and that is no error. A port that failed under us still is one.
        if (c.ending() || !c.s.port_open) return false;
        lastCount = count;
    }
}

void receiveLiveRecord(Console& c, Trace& trace) {
    if (!c.s.port_open) return;
    SerialPort& port = c.port;
    port.setNullDiscard(false);
    port.setInputMode(InputMode::Binary);
    port.clearInBuffer();
    port.setInputLen(0);
    port.output(std::string_view(&kMarker, 1));
    if (!waitForRecord(c)) return;

    const std::string bytes = port.input();
    std::size_t marker = 0;
    while (marker < kMarkerSearchEnd && bytes.at(marker) != kMarker) ++marker;
    if (marker < kMarkerSearchEnd && c.s.recording_on) c.record(bytes.substr(marker, 1));

    for (std::size_t j = marker + 1; j <= c.s.sample_length; ++j) {
        const char byte = bytes.at(j);
        // The recording keeps the whole record whatever the zoom, also where
        // the trace has already ended at the coordinate limit.
        if (c.s.recording_on) c.record(std::string_view(&byte, 1));
        trace.draw(static_cast<std::uint8_t>(byte));
    }
    if (c.s.recording_on) c.recordedSampleLine();
}

void drawRecord(Console& c) {
    ConsoleState& s = c.s;
    s.draw_x = 0;
    if (s.diagram_slot < 2) {
        s.draw_y = s.slot_y_top;
    } else if (s.diagram_slot == 2) {
        s.draw_y = s.slot_y_mid;
    } else if (s.diagram_slot == 3) {
        s.draw_y = s.slot_y_bot;
    }
    Trace trace(c);
    if (s.playback_on) {
        playBackRecord(c, trace);
        c.observer().playbackPosition(static_cast<std::uint64_t>(s.playback_pos));
    } else {
        receiveLiveRecord(c, trace);
    }
    if (!trace.bytes().empty()) c.observer().echoRecord(trace.bytes());
}

}  // namespace

void Draw_one_sample(Console& c) {
    // Two steps with a reaction each, and one report at most. A window that
    // cannot even take the line still gets its port restored.
    bool failed = false;
    const auto recordFailed = [&failed](Console& console) {
        failed = true;
        console.addInfo(kSampleError);
    };
    runHandler(c, recordFailed, [&] { drawRecord(c); });
    // The receive loop reads one character at a time in text mode: leave the
    // port so on every path, a failure included. A failure here is told only
    // when the record was fine and the program is not ending.
    const auto portFailed = [&failed](Console& console) {
        if (!failed && !console.ending()) console.addInfo(kSampleError);
    };
    runHandler(c, portFailed, [&] {
        c.port.setInputMode(InputMode::Text);
        c.port.setInputLen(1);
    });
}

}  // namespace purlo
