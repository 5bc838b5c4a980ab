// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <memory>

#include "fakes/Harness.h"
#include "fakes/ProbeLink.h"

namespace purlo::test {
namespace {

// High samples near the start of each echo record the probe sent: the burst and its ringing.
std::vector<int> burstSamplesPerRecord(const std::string& toPc) {
    std::vector<int> counts;
    for (auto at = toPc.find('='); at != std::string::npos && at + 161 <= toPc.size();
         at = toPc.find('=', at + 161)) {
        int bits = 0;
        for (std::size_t i = at + 1; i < at + 1 + 16; ++i)
            bits += std::popcount(static_cast<unsigned char>(toPc[i]));
        counts.push_back(bits);
    }
    return counts;
}

int echoRecordsRequested(const Harness& h) {
    return static_cast<int>(std::count(h.port.sent.begin(), h.port.sent.end(), '='));
}

TEST(LiveSession, EveryValueOfAFreshProbeReachesTheWindow) {
    Harness h;
    h.s.zero_offset_mm = 2000;
    ProbeLink probe(h.port);
    ASSERT_TRUE(runUntil(h, [&] { return echoRecordsRequested(h) >= 2 && h.port.inbox.empty(); }));
    EXPECT_EQ(h.ui.text(Control::Com_view_us_fq), "25.1kc");
    EXPECT_EQ(h.ui.text(Control::Com_view_burst_length), "P 4");
    EXPECT_EQ(h.ui.text(Control::Com_view_burst_interval), "i 3");
    EXPECT_EQ(h.ui.text(Control::Com_view_zender_volt), "U 10");
    EXPECT_EQ(h.ui.text(Control::Com_view_us_speed), "331");
    EXPECT_EQ(h.ui.text(Control::Com_view_koef), "0.6m/s");
    EXPECT_EQ(h.ui.text(Control::Com_view_dead_time), "30cm");
    EXPECT_EQ(h.ui.text(Control::Com_micro_view_baudrate), "9600");
    EXPECT_EQ(h.ui.text(Control::Com_view_Probe_sample_rate), "Sd 10");
    EXPECT_EQ(h.ui.text(Control::Com_auto_manuel), "Manuel tuning");
    EXPECT_EQ(h.ui.text(Control::Com_probe_print_on), "Rx each Burst");
    // The fill height is the zero point less the distance the probe measured.
    const float fill = 2000.0f - static_cast<float>(probe.model.distanceReplyMm());
    EXPECT_NEAR(h.s.fill_height, fill, 50.0f);
    EXPECT_FALSE(h.ui.text(Control::Text_top).empty());
    // Every request was answered with a reply the decoder knew; nothing failed.
    EXPECT_EQ(h.ui.listCount(), 1) << h.ui.lastListLine();
    EXPECT_FALSE(h.port.open);
}

TEST(LiveSession, SteppingAParameterShowsOnItsButtonAndInTheNextEchoRecord) {
    Harness h;
    ProbeLink probe(h.port);
    bool stepped = false;
    ASSERT_TRUE(runUntil(h, [&] {
        if (!stepped && burstSamplesPerRecord(probe.toPc).size() == 1 &&
            h.port.mode == InputMode::Text) {
            for (int i = 0; i < 4; ++i) h.console.click(Control::Com_burst_length_plus);
            stepped = true;
        }
        return stepped && burstSamplesPerRecord(probe.toPc).size() >= 3 &&
               h.port.mode == InputMode::Text;
    }));
    EXPECT_EQ(probe.model.parameters().burstLength, 8);
    EXPECT_EQ(h.ui.text(Control::Com_view_burst_length), "P 8");
    EXPECT_EQ(h.ui.text(Control::Text_command_to_send), "R");
    const std::vector<int> burst = burstSamplesPerRecord(probe.toPc);
    ASSERT_GE(burst.size(), 3u);
    EXPECT_GT(burst.back(), burst.front());
}

}  // namespace
}  // namespace purlo::test
