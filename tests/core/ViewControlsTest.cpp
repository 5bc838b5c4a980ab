// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "diagram/Slots.h"
#include "fakes/Harness.h"

namespace purlo::test {
namespace {

using Line = RecordingSurface::Line;

// A console whose slots are laid out and whose last record went to the middle slot.
struct Laidout : Harness {
    Laidout() {
        draw_3_diagrams_vertical_position(console);
        s.draw_y = 2436;
        surface.lines.clear();
    }
    // True when exactly the band of the middle slot was painted black.
    bool clearedMiddleBand() const {
        return surface.lines.size() == 6936 && surface.lines.front() == Line{0, 1, 2736, 1, 2136} &&
               surface.lines.back() == Line{0, 6936, 2736, 6936, 2136};
    }
};

struct ZoomCase {
    const char* name;
    Control button;
    int start;
    int expected;
    std::string caption;  // "Zoom X"/"Zoom Y": the start-up caption was kept
    bool clears;
};

void PrintTo(const ZoomCase& z, std::ostream* os) {
    *os << z.name;
}

class ZoomButton : public testing::TestWithParam<ZoomCase> {};

TEST_P(ZoomButton, StepsWithinItsLimitsAndClearsTheSlotDrawnLast) {
    const ZoomCase& z = GetParam();
    Laidout h;
    const bool horizontal = z.button == Control::Com_zoom_horizontal_min ||
                            z.button == Control::Com_zoom_horizontal_plus;
    std::uint8_t& zoom = horizontal ? h.s.zoom_horizontal : h.s.zoom_vertical;
    const Control view =
        horizontal ? Control::Com_view_zoom_horizontal : Control::Com_view_zoom_vertical;
    zoom = static_cast<std::uint8_t>(z.start);
    h.console.click(z.button);
    EXPECT_EQ(zoom, z.expected);
    EXPECT_EQ(h.ui.text(view), z.caption);
    EXPECT_EQ(h.clearedMiddleBand(), z.clears);
    if (!z.clears) {
        EXPECT_TRUE(h.surface.lines.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    ViewControls, ZoomButton,
    testing::Values(
        ZoomCase{"HorizontalDown", Control::Com_zoom_horizontal_min, 10, 9, "H 9", true},
        ZoomCase{"HorizontalStaysAtOne", Control::Com_zoom_horizontal_min, 1, 1, "H 1", true},
        ZoomCase{"HorizontalUp", Control::Com_zoom_horizontal_plus, 10, 11, "H 11", true},
        ZoomCase{"HorizontalStaysAtThirty", Control::Com_zoom_horizontal_plus, 30, 30, "H 30",
                 true},
        ZoomCase{"HorizontalTooLargeToGrow", Control::Com_zoom_horizontal_plus, 255, 255, "Zoom X",
                 false},
        ZoomCase{"VerticalUp", Control::Com_zoom_vertical_plus, 150, 160, "V 16", true},
        ZoomCase{"VerticalJumpsToTheTop", Control::Com_zoom_vertical_plus, 240, 250, "V 25", true},
        ZoomCase{"VerticalCannotPass255ButClears", Control::Com_zoom_vertical_plus, 250, 250,
                 "Zoom Y", true},
        ZoomCase{"VerticalFrom246Fails", Control::Com_zoom_vertical_plus, 246, 246, "Zoom Y", true},
        ZoomCase{"VerticalDown", Control::Com_zoom_vertical_min, 150, 140, "V 14", true},
        ZoomCase{"VerticalStaysAt110", Control::Com_zoom_vertical_min, 110, 110, "V 11", true},
        ZoomCase{"VerticalHalfTenGoesToEven", Control::Com_zoom_vertical_min, 115, 105, "V 10",
                 true},
        ZoomCase{"VerticalBelow110Stays", Control::Com_zoom_vertical_min, 105, 105, "V 10", true}),
    [](const testing::TestParamInfo<ZoomCase>& info) { return info.param.name; });

TEST(ViewControls, ViewButtonsShowTheUndividedFactors) {
    Harness h;
    h.console.click(Control::Com_view_zoom_horizontal);
    h.console.click(Control::Com_view_zoom_vertical);
    EXPECT_EQ(h.ui.text(Control::Com_view_zoom_horizontal), "Z H 10");
    EXPECT_EQ(h.ui.text(Control::Com_view_zoom_vertical), "Z V 150");
    EXPECT_TRUE(h.surface.lines.empty());
}

TEST(ViewControls, UnitButtonSwitchesBackAndForth) {
    Harness h;
    h.console.click(Control::Com_inch_mm_far_centi);
    EXPECT_TRUE(h.s.inch_units);
    EXPECT_EQ(h.ui.text(Control::Com_inch_mm_far_centi), "inch/F");
    h.console.click(Control::Com_inch_mm_far_centi);
    EXPECT_FALSE(h.s.inch_units);
    EXPECT_EQ(h.ui.text(Control::Com_inch_mm_far_centi), "mm/C");
}

TEST(ViewControls, SamplingSwitchFollowsItsCaption) {
    Harness h;
    h.s.sampling_on = true;
    h.console.click(Control::Com_draw_on_off);
    EXPECT_EQ(h.ui.text(Control::Com_draw_on_off), "####");
    EXPECT_FALSE(h.s.sampling_on);
    h.console.click(Control::Com_draw_on_off);
    EXPECT_EQ(h.ui.text(Control::Com_draw_on_off), "====");
    EXPECT_TRUE(h.s.sampling_on);
    h.ui.setText(Control::Com_draw_on_off, "=#=#");
    h.console.click(Control::Com_draw_on_off);
    EXPECT_EQ(h.ui.text(Control::Com_draw_on_off), "=#=#");
    EXPECT_TRUE(h.s.sampling_on);
}

// A live console whose probe answers "=" with a one-byte record.
struct LiveOneByte : Laidout {
    LiveOneByte() {
        s.sample_length = 1;
        s.draw_y = 0;
        port.open = true;
        s.port_open = true;
        port.onOutput = [this](std::string_view data) {
            if (data == "=") port.feed("=\x10");
        };
    }
};

TEST(ViewControls, OneSampleOnlyWhileContinuousSamplingIsOff) {
    LiveOneByte h;
    h.s.sampling_on = true;  // a new Start set it; the caption decides
    h.console.click(Control::Com_one_sample);
    EXPECT_EQ(h.port.sent, "");
    EXPECT_TRUE(h.surface.lines.empty());

    h.ui.setText(Control::Com_draw_on_off, "####");
    h.console.click(Control::Com_one_sample);
    EXPECT_EQ(h.port.sent, "=");
    EXPECT_EQ(h.surface.lines.size(), 17u);  // 8 erases, 8 baseline segments, one bar
    EXPECT_EQ(h.s.draw_y, 708);
}

TEST(ViewControls, OneSampleWithThePortClosedAndNoPlaybackDoesNothing) {
    LiveOneByte h;
    h.s.port_open = false;
    h.port.open = false;
    h.ui.setText(Control::Com_draw_on_off, "####");
    h.console.click(Control::Com_one_sample);
    EXPECT_EQ(h.port.sent, "");
    EXPECT_TRUE(h.surface.lines.empty());
    EXPECT_EQ(h.ui.listCount(), 1);
}

TEST(ViewControls, ClsClearsTheWindowAndTextsAndRedrawsTheBaselines) {
    Laidout h;
    h.surface.lines.push_back({kTrace, 0, 708, 10, 708});
    for (const Control box :
         {Control::Text_top, Control::Text_mid, Control::Text_bot, Control::Text_Info}) {
        h.ui.setText(box, "something");
    }
    h.console.click(Control::Com_clear_screen);
    EXPECT_EQ(h.surface.clears, 1);
    for (const Control box :
         {Control::Text_top, Control::Text_mid, Control::Text_bot, Control::Text_Info}) {
        EXPECT_EQ(h.ui.text(box), "");
    }
    const std::vector<Line> baselines{
        {8, 0, 708, 6936, 708}, {8, 0, 2436, 6936, 2436}, {8, 0, 4188, 6936, 4188}};
    EXPECT_EQ(h.surface.lines, baselines);
}

TEST(ViewControls, PrintingSilentlyWhenThePrinterWorks) {
    Harness h;
    h.console.click(Control::Com_print_form);
    EXPECT_EQ(h.ui.prints, 1);
    EXPECT_TRUE(h.ui.messages.empty());
}

TEST(ViewControls, PrintingWithoutAPrinterTellsTheOperatorOnce) {
    Harness h;
    h.ui.printerWorks = false;
    h.console.click(Control::Com_print_form);
    EXPECT_EQ(h.ui.prints, 1);
    ASSERT_EQ(h.ui.messages.size(), 1u);
    EXPECT_EQ(h.ui.messages[0].text, "The form can't be printed. Printer setting?");
    EXPECT_EQ(h.ui.messages[0].title, "");
    EXPECT_EQ(h.ui.messages[0].buttons, Buttons::Ok);
    EXPECT_TRUE(h.surface.lines.empty());
}

}  // namespace
}  // namespace purlo::test
