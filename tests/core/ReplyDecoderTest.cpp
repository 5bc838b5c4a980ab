// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "acquisition/ReplyDecoder.h"
#include "text/RuntimeError.h"

namespace purlo {
namespace {

using Target = ReplyDisplay::Target;

struct Case {
    const char* line;
    bool inch;
    std::int16_t offset;
    std::optional<ReplyDisplay> shown;
};

ReplyDisplay caption(Control c, const char* text) {
    return {Target::ControlText, c, text};
}
ReplyDisplay window(const char* text) {
    return {Target::WindowCaption, Control::List_Info, text};
}
ReplyDisplay info(const char* text) {
    return {Target::InfoLine, Control::List_Info, text};
}

TEST(ReplyDecoder, ShowsEveryCodeInBothUnits) {
    const Case cases[] = {
        {"D1500", false, 2000, window(" 500 mm")},
        {"D1500", false, 0, window(" -1500 mm")},
        {"D1855", false, 0, window(" -1855 mm")},
        {"D1000", true, 2000, window("39.37 inch")},
        {"D2000", true, 2000, window("0 inch")},
        {"x9600", false, 0, caption(Control::Com_micro_view_baudrate, "9600")},
        {"c215", false, 0, caption(Control::Com_view_temperature, "21.5")},
        {"c215", true, 0, caption(Control::Com_view_temperature, "21.5")},
        {"c-50", false, 0, caption(Control::Com_view_temperature, "-5")},
        {"w3310", false, 0, caption(Control::Com_view_us_speed, "331")},
        {"w3315", true, 0, caption(Control::Com_view_us_speed, "331.5")},
        {"q3", false, 0, caption(Control::Com_view_us_fq, "180kc")},
        {"q17", false, 0, caption(Control::Com_view_us_fq, "41.8kc")},
        {"q30", false, 0, caption(Control::Com_view_us_fq, "25.1kc")},
        {"q53", false, 0, caption(Control::Com_view_us_fq, "14kc")},
        {"Y7", false, 0, caption(Control::Com_view_Probe_sample_rate, "Sd 7")},
        {"k60", false, 0, caption(Control::Com_view_koef, "0.6m/s")},
        {"k60", true, 0, caption(Control::Com_view_koef, "23.6in/s")},
        {"j3", false, 0, caption(Control::Com_view_burst_interval, "i 3")},
        {"P12", false, 0, caption(Control::Com_view_burst_length, "P 12")},
        {"s125", false, 0, caption(Control::Com_view_zender_volt, "U 12.5")},
        {"m100", false, 0, caption(Control::Com_view_dead_time, "2cm")},
        {"m100", true, 0, caption(Control::Com_view_dead_time, "0.8 in")},
        {"a1", false, 0, caption(Control::Com_auto_manuel, "Manuel tuning")},
        {"a2", false, 0, caption(Control::Com_auto_manuel, "Auto Tuning")},
        {"a3", false, 0, std::nullopt},
        {"o1", false, 0, caption(Control::Com_probe_print_on, "Rx Non Stop")},
        {"o2", false, 0, caption(Control::Com_probe_print_on, "Rx each Burst")},
        {"o3", false, 0, caption(Control::Com_probe_print_on, "RX on request")},
        {"o4", false, 0, std::nullopt},
        {"o", false, 0, std::nullopt},
        {"e12", false, 0, std::nullopt},
        {"g-3", false, 0, std::nullopt},
        {"n200", false, 0, info("The Reload Frequencie is actually;  200")},
        {"O", false, 0, info("OOO Transducer contact with WATER or DURST; Check PROBE! OOO")},
        {"Oanything 12", false, 0,
         info("OOO Transducer contact with WATER or DURST; Check PROBE! OOO")},
        {"d1234", false, 0, std::nullopt},
        {"p", false, 0, std::nullopt},
        {"", false, 0, std::nullopt},
        {"D1500\r", false, 2000, window(" 500 mm")},
    };
    for (const Case& c : cases) {
        ConsoleState s;
        s.inch_units = c.inch;
        s.zero_offset_mm = c.offset;
        EXPECT_EQ(decodeReply(c.line, s, '.'), c.shown) << c.line << (c.inch ? " inch" : " mm");
    }
}

TEST(ReplyDecoder, StoresTheRoundedValues) {
    ConsoleState s;
    s.zero_offset_mm = 2000;
    s.inch_units = true;
    decodeReply("D1000", s, '.');
    EXPECT_FLOAT_EQ(s.fill_height, 39.37f);
    decodeReply("k60", s, '.');
    EXPECT_FLOAT_EQ(s.temperature_coefficient, 23.6f);
    decodeReply("m100", s, '.');
    EXPECT_FLOAT_EQ(s.dead_zone, 0.8f);
    s.inch_units = false;
    decodeReply("m100", s, '.');
    EXPECT_FLOAT_EQ(s.dead_zone, 2.0f);
    decodeReply("e12", s, '.');
    decodeReply("g7", s, '.');
    decodeReply("o4", s, '.');
    EXPECT_EQ(s.echo_b, 12);
    EXPECT_EQ(s.burst_b, 7);
    EXPECT_EQ(s.receive_mode, 4);
    EXPECT_EQ(s.reply_code, 'o');
    decodeReply("", s, '.');
    EXPECT_EQ(s.reply_code, ' ');
}

TEST(ReplyDecoder, FrequencyIndexWithoutEntryKeepsTheLastFrequency) {
    ConsoleState s;
    decodeReply("q4", s, '.');
    EXPECT_EQ(decodeReply("q2", s, '.'), caption(Control::Com_view_us_fq, "145kc"));
    EXPECT_EQ(s.frequency_index, 2);
    EXPECT_EQ(decodeReply("qabc", s, '.'), caption(Control::Com_view_us_fq, "145kc"));
    EXPECT_EQ(s.frequency_index, 0);
    ConsoleState fresh;
    EXPECT_EQ(decodeReply("q54", fresh, '.'), caption(Control::Com_view_us_fq, "0kc"));
}

TEST(ReplyDecoder, ValuesThatDoNotFitFail) {
    const char* failing[] = {"q300",  "q-1",    "Y256",        "j1000", "P-2",          "a256",
                             "o999",  "n256",   "x2147483648", "e1e10", "g-3000000000", "D1e39",
                             "c1e40", "w1e300", "k1e39",       "s1e39"};
    for (const char* line : failing) {
        ConsoleState s;
        EXPECT_THROW(decodeReply(line, s, '.'), RuntimeError) << line;
    }
    ConsoleState s;
    EXPECT_NO_THROW(decodeReply("q255", s, '.'));
    EXPECT_NO_THROW(decodeReply("x2147483647", s, '.'));
    EXPECT_NO_THROW(decodeReply("q255.4", s, '.'));
}

TEST(ReplyDecoder, DistanceFarBeyondTheOffsetStillShows) {
    ConsoleState s;
    s.zero_offset_mm = -32768;
    EXPECT_EQ(decodeReply("D2147483647", s, '.'), window(" -2147516000 mm"));
}

TEST(ReplyDecoder, UsesTheLocaleSeparator) {
    ConsoleState s;
    EXPECT_EQ(decodeReply("c215", s, ','), caption(Control::Com_view_temperature, "21,5"));
    s.zero_offset_mm = 2000;
    s.inch_units = true;
    EXPECT_EQ(decodeReply("D1000", s, ','), window("39,37 inch"));
}

}  // namespace
}  // namespace purlo
