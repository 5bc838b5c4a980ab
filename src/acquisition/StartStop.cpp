// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/StartStop.h"

#include <exception>
#include <string>

#include "acquisition/Replaying.h"
#include "acquisition/ReplyDecoder.h"
#include "acquisition/Resume.h"
#include "app/Console.h"
#include "app/HandlerFailure.h"
#include "app/StartButton.h"
#include "connection/PortSelection.h"
#include "diagram/EchoDrawing.h"
#include "diagram/Slots.h"
#include "protocol/Vocabulary.h"
#include "settings/SettingsFile.h"
#include "text/Numbers.h"

namespace purlo {

namespace {

// The query each step of the request cycle sends.
constexpr auto kRequests = protocol::requestCycle();
// Asks for the distance: at Start and after each echo record.
constexpr char kAskDistance = protocol::reported(ProbeValue::FillHeight).query;

void appendBounded(std::string& line, char ch) {
    if (line.size() < kMaxLineLength) line += ch;
}

void showReply(Console& c, std::string_view line) {
    const auto shown = decodeReply(line, c.s, c.ui.decimalSeparator());
    if (shown) {
        switch (shown->target) {
            case ReplyDisplay::Target::WindowCaption: c.ui.setWindowCaption(shown->text); break;
            case ReplyDisplay::Target::ControlText:
                c.ui.setText(shown->control, shown->text);
                break;
            case ReplyDisplay::Target::InfoLine: c.addInfo(shown->text); break;
        }
    }
    if (line.empty()) return;
    if (const auto value = decodedValue(line.front(), c.s)) c.observer().replyDecoded(*value);
}

// During a playback: how far the recording has been read, before what those
// bytes complete is shown.
void reportPosition(Console& c) {
    c.observer().playbackPosition(static_cast<std::uint64_t>(c.s.playback_pos));
}

// Runs the current step of the request cycle and moves to the next one.
// Returns false when Exit was clicked during an echo record.
bool requestCycle(Console& c) {
    const std::uint8_t step = c.s.request_cycle_step;
    if (step >= 1 && step <= protocol::kRequestCycleLength &&
        kRequests[step - 1] != protocol::kNone) {
        c.port.output(std::string_view(&kRequests[step - 1], 1));
    } else if (step == protocol::kEchoRecordStep && c.s.sampling_on) {
        Draw_one_sample(c);
        if (c.ending()) return false;
        // Stopped while the record was awaited: the loop ends at its next pass.
        if (!c.s.port_open) return true;
        c.port.output(std::string_view(&kAskDistance, 1));
    }
    c.s.request_cycle_step = checked<std::uint8_t>(c.s.request_cycle_step + 1LL);
    if (c.s.request_cycle_step > protocol::kRequestCycleLength) c.s.request_cycle_step = 1;
    return true;
}

void startSequence(Console& c) {
    // Live from a playback disarmed under it: the operator's acquisition.
    c.resume.cancel();
    c.ui.setText(Control::Com_start_stop, "Stop");
    c.ui.setWindowCaption("");
    c.s.sampling_on = true;
    c.ui.setBackColour(Control::Com_start_stop, Colour::of(kButtonOnRed));
    bauderate(c);
    if (c.s.port_open) {
        reportResumed(c);
        c.port.output(std::string_view(&kAskDistance, 1));
    }
}

void stopSequence(Console& c) {
    startButtonToRest(c.ui);
    c.s.sampling_on = false;
    c.s.port_open = false;
    c.port.setPortOpen(false);
}

// The end of a playback: everything back to rest, ready to play from the start.
void endPlayback(Console& c) {
    c.files.closePlayback();
    c.s.playback_on = false;
    c.replay.playbackEnded();
    c.ui.setText(Control::Com_play_spl, "#");
    c.s.playback_pos = 0;
    c.ui.setBackColour(Control::Com_play_spl, Colour::face());
    c.s.playback_count = 0;
}

// The receive loop's reaction to a failure: the Start button back to rest,
// the port closed, and a line for the operator, which comes even when the
// button or the port fail as well.
void receiveFailure(Console& c) {
    const bool live = c.s.port_open && !c.s.playback_on;
    try {
        startButtonToRest(c.ui);
        if (c.s.port_open) {
            c.s.port_open = false;
            c.port.setPortOpen(false);
        }
    } catch (const std::exception&) {
        // The port is beyond help; the message below still tells the operator.
    }
    c.addInfo("* Error while getting RS232 data via communication chanel!");
    // Beyond that, the lost port may be waited for.
    if (live) waitForLostPort(c);
}

enum class Next { PlaybackTest, Receive, Done };

// One byte of the playback file (the receive loop's playback step).
Next playbackStep(Console& c, std::string& line) {
    c.s.playback_pos = checked<std::int32_t>(c.s.playback_pos + 1LL);
    const auto byte = c.files.byteAt(c.s.playback_pos);
    if (!byte) {
        // The true end of the recording. The playback ends first, so that a
        // last line that fails to decode still leaves it ended. That line
        // counts only when live acquisition would have decoded it, ended by
        // its carriage return: a recording stopped in the middle of "x9600"
        // must not show "96", nor sample bytes left over be read as a reply.
        c.observer().playbackPosition(static_cast<std::uint64_t>(c.s.playback_pos - 1));
        endPlayback(c);
        // Its last line still belongs to the playback, also when it fails.
        const struct Ended {
            Console& c;
            ~Ended() { c.observer().playbackEnded(); }
        } ended{c};
        if (!line.empty() && line.back() == '\r') showReply(c, line);
        return Next::Done;
    }
    if (*byte == '=') {
        // Live, a carriage return ends a reply and the line feed behind it is
        // discarded when the echo record is asked for, so the recording holds
        // that reply without its line feed. It is complete: show it, as live did.
        if (!line.empty() && line.back() == '\r') {
            reportPosition(c);
            showReply(c, line);
        }
        c.s.playback_count = checked<std::int32_t>(c.s.playback_count + 1LL);
        c.ui.setText(Control::Com_play_spl, intText(c.s.playback_count));
        Draw_one_sample(c);
        c.replay.recordRead();
        line.clear();
        return Next::PlaybackTest;
    }
    if (*byte == '\n') {
        reportPosition(c);
        showReply(c, line);
        line.clear();
        c.s.reply_code = ' ';
        return c.s.playback_on ? Next::PlaybackTest : Next::Receive;
    }
    appendBounded(line, static_cast<char>(*byte));
    return Next::PlaybackTest;
}

}  // namespace

void Com_start_stop_Click(Console& c) {
    // A Start of the operator's ends any wait for a lost port; one that plays
    // a playback leaves it on, and acquisition resumes once that is over.
    if (!c.s.playback_on) c.resume.cancel();
    // A Start clicked while this run yields runs nested and takes over: it
    // stops live acquisition, or carries on the playback until that ends,
    // is disarmed, fails or the program ends. Whatever ended it, this run
    // then has nothing left to do and must not start acquisition again.
    const std::uint64_t run = ++c.startRuns;
    const auto takenOver = [&c, run] { return c.startRuns != run; };
    std::string line;  // this run's reply line; a nested run has its own
    if (!c.s.settings_loaded) {
        readSettingsFile(c);
        // A playback armed before the settings were read was reported at the
        // baud rate before them; its time base is the rate read now.
        if (c.s.playback_on && c.s.playback_pos == 0) {
            c.observer().playbackStarted(static_cast<std::uint64_t>(c.files.playbackLength()),
                                         c.s.pc_baud_rate);
        }
    }
    runHandler(c, receiveFailure, [&] {
        draw_3_diagrams_vertical_position(c);
        if (c.s.request_cycle_step == 0) c.s.request_cycle_step = 1;
        Next next = Next::PlaybackTest;
        bool idle = false;  // the last read found nothing: the yield may block
        while (next != Next::Done) {
            if (next == Next::PlaybackTest) {
                c.ui.yield(Wait::No);
                if (c.ending() || takenOver()) return;
                if (c.s.playback_on) {
                    // Paced, paused, stepped or moved by the replay bar.
                    if ((c.s.playback_pos == 0 || c.replay.engaged()) &&
                        !playbackMayRead(c, line)) {
                        continue;
                    }
                    next = playbackStep(c, line);
                } else if (!c.s.port_open) {
                    startSequence(c);
                    next = Next::Receive;
                    idle = false;
                } else {
                    stopSequence(c);
                    next = Next::Done;
                }
                continue;
            }
            // Receive pass (live).
            c.ui.yield(idle ? Wait::UntilEvent : Wait::No);
            if (c.ending() || takenOver() || !c.s.port_open) return;
            const std::string got = c.port.input();
            idle = got.empty();
            if (c.s.recording_on) c.record(got);
            if (got == "\r") {
                showReply(c, line);
                if (!c.s.playback_on && !requestCycle(c)) return;
                line.clear();
                c.s.reply_code = ' ';
                next = c.s.playback_on ? Next::PlaybackTest : Next::Receive;
            } else if (!got.empty() && static_cast<unsigned char>(got.front()) >= ' ') {
                for (const char ch : got) appendBounded(line, ch);
            }
        }
    });
}

}  // namespace purlo
