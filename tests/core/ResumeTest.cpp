// SPDX-License-Identifier: GPL-3.0-or-later
// The lost port and its return: the receive loop's own reaction first, then,
// with the option on, a wait for the same device and acquisition resumed as
// a Start click would resume it, the recording going on in the same file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "acquisition/Resume.h"
#include "fakes/Harness.h"
#include "fakes/ProbeLink.h"

namespace purlo::test {
namespace {

constexpr std::string_view kReceiveError =
    "* Error while getting RS232 data via communication chanel!";
constexpr std::string_view kRemoved = "* Comm1 (/dev/ttyUSB0) was removed; waiting for it.";
constexpr std::string_view kBack = "* Comm1 is back; acquisition resumed.";

class FakeWatcher : public DeviceWatcher {
  public:
    void watchFor(std::string_view device) override {
        watching = std::string(device);
        ++watches;
    }
    void stop() override {
        watching.clear();
        ++stops;
    }
    std::string watching;  // empty: nothing watched
    int watches = 0;
    int stops = 0;
};

int echoRequests(const Harness& h) {
    return static_cast<int>(std::count(h.port.sent.begin(), h.port.sent.end(), '='));
}

void sendCommand(Harness& h, const std::string& box) {
    h.ui.setText(Control::Text_command_to_send, box);
    h.console.click(Control::Com_command_to_send);
}

sim::ProbeOptions recordsOf(int samples) {
    sim::ProbeOptions o;
    o.samplesPerRecord = samples;
    return o;
}

// A console on the simulated probe, the option as given, its port on
// /dev/ttyUSB0, echo records of `samples` bytes.
struct Pluggable : Harness {
    explicit Pluggable(bool option, int samples = 160) : probe(port, recordsOf(samples)) {
        port.device = "/dev/ttyUSB0";
        s.settings_loaded = true;
        s.sample_length = static_cast<std::uint8_t>(samples);
        console.resume.enabled = option;
        console.resume.watcher = &watcher;
    }

    // Starts acquisition and pulls the plug once `ready` holds; returns when
    // the Start handler has ended.
    void startAndPullWhen(const std::function<bool()>& ready) {
        bool pulled = false;
        ui.everyYield = [this, ready, pulled](int) mutable {
            if (!pulled && ready()) {
                pulled = true;
                port.vanish();
            }
        };
        console.click(Control::Com_start_stop);
        ui.everyYield = nullptr;
    }

    // Acquisition, stopped by a nested Start once `done` holds.
    std::function<void(int)> stopWhen(std::function<bool()> done) {
        return [this, done = std::move(done), stopped = false](int) mutable {
            if (!stopped && done()) {
                stopped = true;
                console.click(Control::Com_start_stop);
            }
        };
    }

    std::vector<std::string> lastLines(std::size_t n) const {
        const auto& l = ui.list;
        return {l.end() - static_cast<std::ptrdiff_t>(std::min(n, l.size())), l.end()};
    }

    FakeWatcher watcher;
    ProbeLink probe;
};

TEST(Resume, TheLostPortIsWaitedForAndAcquisitionAndRecordingGoOnWhenItIsBack) {
    Pluggable h(true);
    std::string beforeLoss;
    h.startAndPullWhen([&] {
        if (echoRequests(h) == 1 && !h.s.recording_on) sendCommand(h, "#");
        if (echoRequests(h) < 3) return false;
        beforeLoss = readFile(h.console.file("Purlo.Spl"));
        return true;
    });
    // The receive loop's own reaction, then the wait.
    EXPECT_EQ(h.lastLines(2),
              (std::vector<std::string>{std::string(kReceiveError), std::string(kRemoved)}));
    EXPECT_EQ(h.ui.text(Control::Com_start_stop), "Start");
    EXPECT_FALSE(h.s.port_open);
    EXPECT_TRUE(h.console.resume.waiting);
    EXPECT_EQ(h.watcher.watching, "/dev/ttyUSB0");
    // The recording is still running, with everything up to the loss in it
    // but a reply the loss cut short, its last line whole.
    ASSERT_TRUE(h.s.recording_on);
    ASSERT_GT(beforeLoss.size(), 300u);
    const std::string mended = readFile(h.console.file("Purlo.Spl"));
    const std::size_t common = std::min(mended.size(), beforeLoss.size());
    EXPECT_EQ(mended.substr(0, common), beforeLoss.substr(0, common));
    EXPECT_TRUE(mended.ends_with("\r\n"));

    h.port.comeBack();
    const std::size_t sentBefore = h.port.sent.size();
    const int recordsBefore = echoRequests(h);
    h.ui.everyYield = h.stopWhen([&] { return echoRequests(h) >= recordsBefore + 3; });
    EXPECT_TRUE(resumeAcquisition(h.console));

    // Announced once the port was open; the first thing sent is the distance request.
    const auto& list = h.ui.list;
    EXPECT_EQ(std::count(list.begin(), list.end(), kBack), 1);
    ASSERT_GT(h.port.sent.size(), sentBefore);
    EXPECT_EQ(h.port.sent[sentBefore], '?');
    EXPECT_FALSE(h.console.resume.waiting);
    EXPECT_TRUE(h.watcher.watching.empty());
    EXPECT_EQ(h.ui.text(Control::Com_start_stop), "Start");  // stopped again at the end
    // The same file goes on: what came before the loss is all there, then more.
    const std::string after = readFile(h.console.file("Purlo.Spl"));
    ASSERT_GT(after.size(), mended.size() + std::size_t{2} * 161);
    EXPECT_EQ(after.substr(0, mended.size()), mended);
    EXPECT_TRUE(h.s.recording_on);
    // Nothing more to wait for.
    EXPECT_FALSE(resumeAcquisition(h.console));
}

TEST(Resume, WithTheOptionOffALossGetsOnlyTheReceiveLoopsReaction) {
    Pluggable h(false);
    h.startAndPullWhen([&] { return echoRequests(h) >= 1; });
    EXPECT_EQ(h.ui.lastListLine(), kReceiveError);
    EXPECT_FALSE(h.console.resume.waiting);
    EXPECT_EQ(h.watcher.watches, 0);
    h.port.comeBack();
    EXPECT_FALSE(resumeAcquisition(h.console));
    EXPECT_EQ(h.port.opens, 1);
}

TEST(Resume, OnlyALostPortUnderLiveAcquisitionIsWaitedFor) {
    {
        // A reply that does not fit its variable ends acquisition, the port fine.
        Pluggable h(true);
        h.ui.atYield[50] = [&] { h.port.feed("\rq999\r"); };
        h.console.click(Control::Com_start_stop);
        EXPECT_EQ(h.ui.lastListLine(), kReceiveError);
        EXPECT_FALSE(h.console.resume.waiting);
    }
    {
        // A device missing at Start was never opened, so never lost.
        Pluggable h(true);
        h.port.vanish();
        h.console.click(Control::Com_start_stop);
        EXPECT_EQ(h.ui.lastListLine(), "* Error while setting Comm. Port or baudrate!");
        EXPECT_FALSE(h.console.resume.waiting);
        EXPECT_EQ(h.watcher.watches, 0);
    }
}

TEST(Resume, StartAnotherPortAndExitEndTheWait) {
    for (const Control action :
         {Control::Com_start_stop, Control::Com_Comm_port, Control::Com_exit}) {
        SCOPED_TRACE(controlInfo(action).name);
        Pluggable h(true);
        h.startAndPullWhen([&] { return echoRequests(h) >= 1; });
        ASSERT_TRUE(h.console.resume.waiting);
        h.console.click(action);
        EXPECT_FALSE(h.console.resume.waiting);
        EXPECT_EQ(h.watcher.stops, 1);
        h.port.comeBack();
        const int opens = h.port.opens;
        EXPECT_FALSE(resumeAcquisition(h.console));
        EXPECT_EQ(h.port.opens, opens);
        const auto& list = h.ui.list;
        EXPECT_EQ(std::count(list.begin(), list.end(), kBack), 0);
    }
}

TEST(Resume, AReturnWhileTheConsoleIsBusyWaitsUntilItIsFree) {
    Pluggable h(true);
    h.startAndPullWhen([&] { return echoRequests(h) >= 1; });
    h.port.comeBack();
    // While a dialog of another handler is open, nothing runs inside it.
    h.ui.printerWorks = false;
    bool resumedInside = true;
    h.ui.onMessage = [&] { resumedInside = resumeAcquisition(h.console); };
    h.console.click(Control::Com_print_form);
    EXPECT_FALSE(resumedInside);
    h.ui.onMessage = nullptr;
    // Nor while a playback is armed: a Start would play it.
    h.console.click(Control::Com_play_spl);
    EXPECT_FALSE(resumeAcquisition(h.console));
    EXPECT_TRUE(h.console.resume.waiting);
    h.console.click(Control::Com_play_spl);
    // Free again: acquisition resumes.
    h.ui.everyYield = h.stopWhen([&] { return h.s.port_open; });
    EXPECT_TRUE(resumeAcquisition(h.console));
    EXPECT_EQ(h.port.opens, 2);
    EXPECT_FALSE(h.console.resume.waiting);
}

// A playback armed during the wait is played to its end; then acquisition
// resumes, never inside it. Disarmed while playing, the loop goes live by
// the operator's hand, and the wait is over.
TEST(Resume, APlaybackDuringTheWaitIsOverBeforeAcquisitionResumes) {
    for (const bool disarmed : {false, true}) {
        SCOPED_TRACE(disarmed);
        Pluggable h(true);
        h.startAndPullWhen([&] { return echoRequests(h) >= 1; });
        std::string recorded;
        for (int i = 0; i < 60; ++i) recorded += "c" + std::to_string(200 + i) + "\r\n";
        writeFile(h.console.file("Purlo.Spl"), recorded);
        h.port.comeBack();
        h.console.click(Control::Com_play_spl);
        bool resumedInside = false;
        bool pressed = false;
        bool stopped = false;
        h.ui.everyYield = [&](int) {
            if (h.s.playback_on) resumedInside = resumedInside || resumeAcquisition(h.console);
            if (disarmed && !pressed && h.s.playback_pos > 100) {
                pressed = true;
                h.console.click(Control::Com_play_spl);  // the loop goes live...
            }
            if (pressed && !stopped && h.s.port_open) {
                stopped = true;
                h.console.click(Control::Com_start_stop);  // ...Stop
            }
        };
        h.console.click(Control::Com_start_stop);
        EXPECT_FALSE(resumedInside);
        EXPECT_FALSE(h.s.playback_on);
        EXPECT_EQ(h.console.resume.waiting, !disarmed);
        h.ui.everyYield = h.stopWhen([&] { return h.s.port_open; });
        EXPECT_EQ(resumeAcquisition(h.console), !disarmed);
        const auto& list = h.ui.list;
        EXPECT_EQ(std::count(list.begin(), list.end(), kBack), disarmed ? 0 : 1);
        EXPECT_FALSE(h.console.resume.waiting);
    }
}

TEST(Resume, TheOperatorOpeningTheLinkOrAFailedReopenEndsTheWait) {
    {
        Pluggable h(true);
        h.startAndPullWhen([&] { return echoRequests(h) >= 1; });
        h.port.comeBack();
        sendCommand(h, "?");  // opens the link, which stays open
        ASSERT_TRUE(h.s.port_open);
        EXPECT_FALSE(resumeAcquisition(h.console));
        EXPECT_FALSE(h.console.resume.waiting);
        EXPECT_TRUE(h.s.port_open);
    }
    {
        // The device shows again but cannot be opened yet: the Start says
        // so as any Start does, and nothing claims acquisition resumed.
        Pluggable h(true);
        h.startAndPullWhen([&] { return echoRequests(h) >= 1; });
        EXPECT_TRUE(resumeAcquisition(h.console));
        EXPECT_EQ(h.ui.lastListLine(), "* Error while setting Comm. Port or baudrate!");
        const auto& list = h.ui.list;
        EXPECT_EQ(std::count(list.begin(), list.end(), kBack), 0);
        EXPECT_FALSE(h.console.resume.waiting);
        EXPECT_FALSE(h.console.resume.starting);
    }
}

TEST(Resume, ALossDuringResumedAcquisitionIsWaitedForAgain) {
    Pluggable h(true);
    h.startAndPullWhen([&] { return echoRequests(h) >= 1; });
    h.port.comeBack();
    const int recordsBefore = echoRequests(h);
    bool pulled = false;
    h.ui.everyYield = [&](int) {
        if (!pulled && echoRequests(h) > recordsBefore) {
            pulled = true;
            h.port.vanish();
        }
    };
    EXPECT_TRUE(resumeAcquisition(h.console));
    const auto& list = h.ui.list;
    EXPECT_EQ(std::count(list.begin(), list.end(), kBack), 1);
    EXPECT_EQ(h.lastLines(2),
              (std::vector<std::string>{std::string(kReceiveError), std::string(kRemoved)}));
    EXPECT_TRUE(h.console.resume.waiting);
    EXPECT_EQ(h.watcher.watches, 2);
}

// What the console showed, in order: each reply decoded and each echo record.
struct Shown : Observer {
    void replyDecoded(const DecodedReply& r) override {
        events.push_back(std::to_string(static_cast<int>(r.value)) + "=" +
                         std::to_string(r.number));
    }
    void echoRecord(std::span<const std::uint8_t> /*bytes*/) override {
        events.emplace_back("record");
    }
    std::vector<std::string> events;
};

// The loss cuts a reply line after `cut` of its characters (0: it comes
// while an echo record is awaited, -1: between a reply's carriage return and
// its line feed), and acquisition resumes into the same recording. Played
// back, the recording shows what live acquisition showed, in the same order:
// the cut line does not swallow the next one.
TEST(Resume, ARecordingAcrossTheLossPlaysBackAsLiveAcquisitionShowedIt) {
    for (const int cut : {1, 2, 4, 0, -1}) {
        SCOPED_TRACE(cut);
        // Records playback draws whole (it draws at most 147 bytes of one).
        Pluggable h(true, 140);
        Shown live;
        h.console.setObserver(live);
        const auto spl = [&] { return readFile(h.console.file("Purlo.Spl")); };
        h.startAndPullWhen([&] {
            // Recording from the first byte read.
            if (!h.s.recording_on && h.s.port_open) sendCommand(h, "#");
            if (echoRequests(h) < 2) return false;
            if (cut == 0) return h.port.sent.back() == '=';
            // A reply under way: a letter and printable characters since the last line feed.
            const std::string file = spl();
            std::string tail = file.substr(file.find_last_of("\n=") + 1);
            if (cut < 0) {
                if (tail.empty() || tail.back() != '\r') return false;
                tail.pop_back();
            } else if (tail.size() != static_cast<std::size_t>(cut)) {
                return false;
            }
            return !tail.empty() && std::isalpha(static_cast<unsigned char>(tail.front())) != 0 &&
                   std::all_of(tail.begin(), tail.end(),
                               [](char ch) { return ch >= ' ' && ch < 127; });
        });
        ASSERT_TRUE(h.console.resume.waiting) << h.ui.lastListLine();
        h.port.comeBack();
        const int recordsBefore = echoRequests(h);
        h.ui.everyYield = h.stopWhen([&] { return echoRequests(h) >= recordsBefore + 4; });
        ASSERT_TRUE(resumeAcquisition(h.console));
        h.console.endRecording();

        Shown played;
        h.console.setObserver(played);
        h.ui.everyYield = nullptr;
        h.console.click(Control::Com_play_spl);
        h.console.click(Control::Com_start_stop);
        EXPECT_EQ(h.ui.lastListLine().find("Error"), std::string::npos) << h.ui.lastListLine();
        // Playback leaves the last 200 bytes unread: what it shows is what live showed first.
        ASSERT_GT(played.events.size(), 30u);
        ASSERT_LE(played.events.size(), live.events.size());
        EXPECT_EQ(played.events,
                  std::vector<std::string>(
                      live.events.begin(),
                      live.events.begin() + static_cast<std::ptrdiff_t>(played.events.size())));
        h.console.setObserver(nullObserver());
    }
}

}  // namespace
}  // namespace purlo::test
