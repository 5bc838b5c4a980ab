// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "diagram/Slots.h"
#include "fakes/Harness.h"

namespace purlo::test {
namespace {

using Line = RecordingSurface::Line;

TEST(Slots, DesignSizesGiveTheThreeBaselines) {
    Harness h;
    draw_3_diagrams_vertical_position(h.console);
    EXPECT_EQ(h.s.diagram_right_x, 6936);
    EXPECT_EQ(h.s.slot_y_top, 708);
    EXPECT_EQ(h.s.slot_y_mid, 2436);
    EXPECT_EQ(h.s.slot_y_bot, 4188);
    const std::vector<Line> expected{
        {8, 0, 708, 6936, 708}, {8, 0, 2436, 6936, 2436}, {8, 0, 4188, 6936, 4188}};
    EXPECT_EQ(h.surface.lines, expected);
    EXPECT_EQ(h.surface.colour, 8);
}

TEST(Slots, ClearPaintsABandAroundTheSlotDrawnLast) {
    Harness h;
    draw_3_diagrams_vertical_position(h.console);
    h.surface.lines.clear();
    h.s.draw_y = 2436;
    Clear_diagram_line(h.console);
    ASSERT_EQ(h.surface.lines.size(), 6936u);
    EXPECT_EQ(h.surface.lines.front(), (Line{0, 1, 2736, 1, 2136}));
    EXPECT_EQ(h.surface.lines.back(), (Line{0, 6936, 2736, 6936, 2136}));
}

TEST(Slots, ClearBeforeAnySampleClearsTheTopStrip) {
    Harness h;
    draw_3_diagrams_vertical_position(h.console);
    h.surface.lines.clear();
    Clear_diagram_line(h.console);
    EXPECT_EQ(h.surface.lines.front(), (Line{0, 1, 300, 1, -300}));
}

TEST(Slots, SelectorCyclesThroughTheThreeSlots) {
    Harness h;
    Com_draw_top_mid_bot_line_Click(h.console);
    EXPECT_EQ(h.ui.text(Control::Com_draw_top_mid_bot_line), "L2");
    h.console.click(Control::Com_draw_top_mid_bot_line);
    EXPECT_EQ(h.ui.text(Control::Com_draw_top_mid_bot_line), "L3");
    h.console.click(Control::Com_draw_top_mid_bot_line);
    EXPECT_EQ(h.ui.text(Control::Com_draw_top_mid_bot_line), "L1");
    EXPECT_EQ(h.s.diagram_slot, 1);
    EXPECT_TRUE(h.surface.lines.empty());
}

TEST(Slots, RasterSwitchTogglesWithoutDrawing) {
    Harness h;
    h.console.click(Control::Com_raster_on_off);
    EXPECT_TRUE(h.s.raster_on);
    h.console.click(Control::Com_raster_on_off);
    EXPECT_FALSE(h.s.raster_on);
    EXPECT_EQ(h.ui.text(Control::Com_raster_on_off), "Raster");
    EXPECT_TRUE(h.surface.lines.empty());
}

}  // namespace
}  // namespace purlo::test
