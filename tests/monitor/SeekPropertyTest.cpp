// SPDX-License-Identifier: GPL-3.0-or-later
// A seek leaves the window and the monitor's newest values exactly as a
// playback from the start to the same place leaves them: over recordings of
// the simulated probe with every reply code mixed in (modes the window does
// not know, frequencies outside its table), and many places in random order.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "acquisition/ReplyDecoder.h"
#include "fakes/Harness.h"
#include "fakes/ProbeLink.h"
#include "monitor/MonitorFakes.h"
#include "monitor/MonitorModel.h"
#include "sim/Rng.h"

namespace purlo::test {
namespace {

constexpr std::string_view kCodes = "DxcwqYkjPsmaoegn";

// A live recording of the simulated probe: "#" typed once the link is open,
// Stop after `records` echo records.
std::string liveRecording(std::uint64_t seed, int records) {
    Harness h;
    h.s.settings_loaded = true;
    h.s.sample_length = 160;
    sim::ProbeOptions options;
    options.seed = seed;
    options.noiseMm = 3.0;
    options.levelSpeedMmPerS = 200.0;
    options.temperatureSwingC = 20.0;
    ProbeLink probe(h.port, options);
    const auto requested = [&h] {
        return static_cast<int>(std::count(h.port.sent.begin(), h.port.sent.end(), '='));
    };
    runUntil(h, [&] {
        if (h.s.port_open && !h.s.recording_on) {
            h.ui.setText(Control::Text_command_to_send, "#");
            h.console.click(Control::Com_command_to_send);
        }
        return requested() >= records;
    });
    return readFile(h.console.file("Purlo.Spl"));
}

// Every reply code with values the window knows and values it does not.
std::string randomReply(sim::Rng& rng) {
    const auto pick = [&rng](int n) {
        return static_cast<int>(rng.next() % static_cast<unsigned>(n));
    };
    switch (pick(20)) {
        case 0: return "a" + std::to_string(pick(5));   // 0, 3, 4: no caption
        case 1: return "o" + std::to_string(pick(6));   // 0, 4, 5: no caption
        case 2: return "q" + std::to_string(pick(70));  // outside 3..53: the kHz stay
        case 3: return "x" + std::to_string(1200 << pick(6));
        case 4: return "c" + std::to_string(pick(900) - 200);
        case 5: return "w" + std::to_string(3000 + pick(600));
        case 6: return "Y" + std::to_string(pick(40));
        case 7: return "k" + std::to_string(pick(200));
        case 8: return "j" + std::to_string(pick(10));
        case 9: return "P" + std::to_string(pick(20));
        case 10: return "s" + std::to_string(pick(200));
        case 11: return "m" + std::to_string(pick(500));
        case 12: return "e" + std::to_string(pick(9));
        case 13: return "g" + std::to_string(pick(9));
        case 14: return "n" + std::to_string(pick(255));
        case 15: return "O";
        case 16: return "Z17";
        case 17: return "";
        case 18: return "D" + std::to_string(pick(2500));
        default: return "a" + std::to_string(1 + pick(2));
    }
}

// The live recording with a reply spliced in after about every third line,
// and where each spliced reply ends: the places a seek finds most telling.
struct Mixed {
    std::string bytes;
    std::vector<std::int64_t> spliced;
};

Mixed mixedRecording(std::uint64_t seed, int records) {
    const std::string live = liveRecording(seed, records);
    sim::Rng rng(seed * 7919);
    Mixed out;
    for (std::size_t i = 0; i < live.size(); ++i) {
        out.bytes += live[i];
        if (live[i] == '\n' && rng.uniform() < 0.3) {
            out.bytes += randomReply(rng) + "\r\n";
            out.spliced.push_back(static_cast<std::int64_t>(out.bytes.size()));
        }
    }
    return out;
}

// Everything a seek must leave as a playback from the start leaves it: the
// text of every control but the list (history a seek passes over), the
// colours, the window caption, the values the next lines decode on, and the
// monitor's newest values and playback counter.
struct WindowState {
    std::vector<std::string> texts;
    std::vector<std::optional<Colour>> backs;
    std::string caption;
    std::vector<double> values;
    std::vector<std::optional<double>> newest;
    std::vector<std::string> units;
    std::uint64_t monitorRead = 0;
    bool monitorPlaying = false;
};

// What differs, for the failure message (empty when nothing does).
std::string differences(const WindowState& seek, const WindowState& played) {
    std::string out;
    const auto note = [&out](const std::string& what, const std::string& a, const std::string& b) {
        if (a != b) out += what + ": seek \"" + a + "\", from the start \"" + b + "\"\n";
    };
    for (std::size_t i = 0; i < seek.texts.size() && i < played.texts.size(); ++i) {
        note("text " + std::to_string(i), seek.texts[i], played.texts[i]);
    }
    if (seek.backs != played.backs) out += "colours\n";
    note("caption", seek.caption, played.caption);
    const auto number = [](std::optional<double> v) { return v ? std::to_string(*v) : "-"; };
    for (std::size_t i = 0; i < seek.values.size(); ++i) {
        note(std::string("value ") + kCodes[i], number(seek.values[i]), number(played.values[i]));
    }
    for (std::size_t i = 0; i < seek.newest.size(); ++i) {
        note("newest " + std::string(probeValueName(static_cast<ProbeValue>(i))),
             number(seek.newest[i]) + seek.units[i], number(played.newest[i]) + played.units[i]);
    }
    note("monitor read", std::to_string(seek.monitorRead), std::to_string(played.monitorRead));
    note("monitor playing", std::to_string(seek.monitorPlaying),
         std::to_string(played.monitorPlaying));
    return out;
}

struct Player {
    explicit Player(const std::string& file) {
        h.s.settings_loaded = true;
        h.s.pc_baud_rate = 38400;
        h.s.zero_offset_mm = 3000;
        writeFile(h.console.file("Purlo.Spl"), file);
        h.console.setObserver(model);
    }
    WindowState state() const {
        WindowState w;
        for (const ControlInfo& info : controlTable()) {
            if (info.id == Control::List_Info) continue;
            w.texts.push_back(h.ui.text(info.id));
            w.backs.push_back(h.ui.back(info.id));
        }
        w.caption = h.ui.windowCaption();
        for (const char code : kCodes) w.values.push_back(decodedValue(code, h.s)->number);
        const LastValues& last = model.lastValues();
        w.newest.assign(last.number.begin(), last.number.end());
        w.units.assign(last.unit.begin(), last.unit.end());
        w.monitorRead = model.playbackRead();
        w.monitorPlaying = model.playingBack();
        return w;
    }
    Harness h;
    FakeSteadyClock steady;
    FakeWallClock wall;
    MonitorModel model{steady, wall, {h.dir.path(), false, 1000, 16}};
};

TEST(SeekProperty, ASeekLeavesWhatAPlaybackFromTheStartLeavesThere) {
    for (const std::uint64_t seed : {3u, 11u, 29u}) {
        SCOPED_TRACE(seed);
        const Mixed mixed = mixedRecording(seed, 120);
        const std::string& file = mixed.bytes;
        const auto size = static_cast<std::int64_t>(file.size());
        sim::Rng rng(seed);

        // Seeks to random places, now and then playing or pausing between.
        Player seeking(file);
        seeking.h.console.replay.checkpointBytes = 2000;  // several on the way
        std::map<std::int64_t, WindowState> landed;
        int seeks = 0;
        bool asked = false;
        std::int64_t seekAt = 0;
        seeking.h.ui.everyYield = [&](int) {
            Replay& replay = seeking.h.console.replay;
            const std::int64_t at = seeking.h.s.playback_pos;
            if (!seeking.h.s.playback_on || replay.seekPending()) return;
            if (asked) {
                asked = false;
                landed[at] = seeking.state();
                ++seeks;
                replay.setPaused(rng.uniform() < 0.3);
                seekAt = at + (replay.paused() ? 0 : static_cast<std::int64_t>(rng.next() % 1500));
            }
            if (seeks == 150) {
                seeking.h.console.click(Control::Com_exit);
            } else if (at >= seekAt || at >= size - 200) {
                // Never to the end, which would end the playback.
                const std::int64_t anywhere =
                    static_cast<std::int64_t>(rng.uniform() * static_cast<double>(size));
                const std::int64_t behindASplice = mixed.spliced[rng.next() % mixed.spliced.size()];
                replay.seek(rng.uniform() < 0.5 ? anywhere : behindASplice);
                asked = true;
            }
        };
        seeking.h.console.click(Control::Com_play_spl);
        seeking.h.console.click(Control::Com_start_stop);
        ASSERT_EQ(seeks, 150);

        // The same places reached from the start, flat out.
        Player flatOut(file);
        std::map<std::int64_t, WindowState> reached;
        flatOut.h.ui.everyYield = [&](int) {
            const std::int64_t at = flatOut.h.s.playback_pos;
            if (flatOut.h.s.playback_on && landed.contains(at) && !reached.contains(at)) {
                reached[at] = flatOut.state();
            }
        };
        flatOut.h.console.click(Control::Com_play_spl);
        flatOut.h.console.click(Control::Com_start_stop);
        for (const auto& [at, state] : landed) {
            SCOPED_TRACE(at);
            ASSERT_TRUE(reached.contains(at)) << "a seek landed where a playback never stands";
            EXPECT_EQ(differences(state, reached[at]), "");
        }
    }
}

}  // namespace
}  // namespace purlo::test
