// SPDX-License-Identifier: GPL-3.0-or-later
// Whatever the serial line carries, the console must keep running, report
// what it cannot take with its one message, and never grow without bound.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "acquisition/StartStop.h"
#include "fakes/Harness.h"
#include "fakes/HeapInUse.h"
#include "fakes/LineFeeder.h"

namespace purlo::test {
namespace {

constexpr std::string_view kHint = "Info's: DbClick here for Purlo commande list and start info's.";
constexpr std::string_view kReceiveError =
    "* Error while getting RS232 data via communication chanel!";
constexpr std::string_view kAlarm = "OOO Transducer contact with WATER or DURST; Check PROBE! OOO";

struct StreamHarness : Harness {
    StreamHarness() {
        s.settings_loaded = true;
        ui.maxYields = 50'000'000;
    }
    void start() { console.click(Control::Com_start_stop); }
    void expectAtRest() {
        EXPECT_EQ(ui.text(Control::Com_start_stop), "Start");
        EXPECT_EQ(ui.back(Control::Com_start_stop), Colour::face());
        EXPECT_FALSE(s.port_open);
        EXPECT_FALSE(port.open);
    }
    bool reported(std::string_view line) const {
        return std::find(ui.list.begin(), ui.list.end(), line) != ui.list.end();
    }
};

// Noise with enough reply codes, digits and line ends in it that the decoder,
// the request cycle and the echo records all get their share.
std::string noise(unsigned seed, std::size_t size) {
    constexpr std::string_view kLikely = "DxcwqYkjPsmaoegnO0123456789.-+e \r\n\r=";
    std::mt19937 random(seed);
    std::string out(size, '\0');
    for (char& ch : out) {
        const unsigned r = random();
        ch = (r & 1) != 0 ? static_cast<char>(r >> 8) : kLikely[(r >> 8) % kLikely.size()];
    }
    return out;
}

TEST(HostileStream, RandomBytesAreSurvivedRunAfterRun) {
    for (const unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        StreamHarness h;
        LineFeeder feeder(h, noise(seed, 300'000));
        int starts = 0;
        // Each run ends by a value that does not fit (the operator starts
        // again) or, at the end of the stream, by Stop.
        while (!feeder.consumed() && starts < 20'000) {
            h.start();
            ++starts;
            h.expectAtRest();
        }
        EXPECT_TRUE(feeder.consumed());
        RecordProperty("starts_seed_" + std::to_string(seed), starts);
        EXPECT_GT(starts, 1) << "noise this dense holds numbers that do not fit";
        EXPECT_TRUE(h.reported(kReceiveError));
        EXPECT_LE(h.ui.listCount(), Console::kMaxInfoLines);
        EXPECT_EQ(h.ui.list.front(), kHint);
        EXPECT_EQ(h.ui.listIndex(), h.ui.listCount() - 1);
    }
}

TEST(HostileStream, AnEndlessLineTakesNoMoreMemoryAndTheNextLineIsRead) {
    StreamHarness h;
    constexpr std::size_t kEndless = 2'000'000;
    LineFeeder feeder(h, std::string(kEndless, 'A') + "\rc215\r");
    const std::size_t before = heapInUse();
    std::size_t peak = before;
    h.ui.atYield.clear();
    auto stopAtEnd = h.ui.everyYield;
    h.ui.everyYield = [&](int n) {
        if (n % 4096 == 0) peak = std::max(peak, heapInUse());
        stopAtEnd(n);
    };
    h.start();
    EXPECT_TRUE(feeder.consumed());
    EXPECT_LT(peak - before, 256u * 1024u) << "the line buffer grew with the line";
    EXPECT_EQ(h.ui.text(Control::Com_view_temperature), "21.5");
    EXPECT_FALSE(h.reported(kReceiveError));
    h.expectAtRest();
}

TEST(HostileStream, AnAlarmFloodKeepsTheListBoundedWithItsFirstLine) {
    StreamHarness h;
    std::string flood;
    for (int i = 0; i < 3 * Console::kMaxInfoLines; ++i) flood += "O water on the transducer\r\n";
    LineFeeder feeder(h, flood);
    h.start();
    EXPECT_TRUE(feeder.consumed());
    EXPECT_EQ(h.ui.listCount(), Console::kMaxInfoLines);
    EXPECT_EQ(h.ui.list.front(), kHint);
    EXPECT_EQ(h.ui.list.back(), kAlarm);
    EXPECT_EQ(h.ui.list[1], kAlarm);
    EXPECT_EQ(h.ui.listIndex(), Console::kMaxInfoLines - 1);
    h.expectAtRest();
}

struct WidthCase {
    std::string line;
    bool fits;
};

// Each reply code with its number at the edge of its variable's width, just
// beyond it, and (for the floats) beyond what its computation can hold.
std::vector<WidthCase> widthCases() {
    std::vector<WidthCase> cases;
    for (const char code : std::string_view("qYjPaon")) {  // unsigned 8-bit
        const std::string c(1, code);
        cases.push_back({c + "255", true});
        cases.push_back({c + "255.4", true});
        cases.push_back({c + "255.5", false});  // rounds to 256
        cases.push_back({c + "256", false});
        cases.push_back({c + "-0.5", true});  // rounds to 0
        cases.push_back({c + "-1", false});
        cases.push_back({c + "1e999", false});
    }
    for (const char code : std::string_view("xeg")) {  // signed 32-bit
        const std::string c(1, code);
        cases.push_back({c + "2147483647", true});
        cases.push_back({c + "2147483647.5", false});
        cases.push_back({c + "2147483648", false});
        cases.push_back({c + "-2147483648", true});
        cases.push_back({c + "-2147483648.5", true});  // the even neighbour is in range
        cases.push_back({c + "-2147483649", false});
    }
    for (const char code : std::string_view("Dcwks")) {  // 32-bit float
        const std::string c(1, code);
        cases.push_back({c + "3.4028234e38", true});
        cases.push_back({c + "-3.4028234e38", true});
        cases.push_back({c + "3.5e38", false});
        cases.push_back({c + "-3.5e38", false});
        cases.push_back({c + "1e999", false});
    }
    // The dead time is multiplied by 1.302 first.
    cases.push_back({"m2.6e38", true});
    cases.push_back({"m2.7e38", false});
    cases.push_back({"m-2.7e38", false});
    cases.push_back({"O" + std::string(kMaxLineLength, '9'), true});
    return cases;
}

TEST(HostileStream, EveryReplyCodeAtAndBeyondItsWidth) {
    for (const bool inch : {false, true}) {
        for (const WidthCase& c : widthCases()) {
            SCOPED_TRACE(c.line.substr(0, 20) + (inch ? " inch" : " mm"));
            StreamHarness h;
            h.s.inch_units = inch;
            h.s.zero_offset_mm = 2000;
            LineFeeder feeder(h, "D1\r\n" + c.line + "\r\nD2\r\n");
            h.start();
            h.expectAtRest();
            if (c.fits) {
                EXPECT_FALSE(h.reported(kReceiveError));
                EXPECT_TRUE(feeder.consumed());
            } else {
                EXPECT_EQ(h.ui.lastListLine(), kReceiveError);
                EXPECT_EQ(h.ui.listIndex(), h.ui.listCount() - 1);
                // The line after the failing one was never read.
                EXPECT_FALSE(feeder.consumed());
            }
        }
    }
}

}  // namespace
}  // namespace purlo::test
