// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <set>

#include "app/Controls.h"

namespace purlo {
namespace {

TEST(ControlTable, HasEveryControlOnceWithADistinctTabIndex) {
    std::set<int> tabs;
    std::set<std::string_view> names;
    for (const ControlInfo& info : controlTable()) {
        EXPECT_TRUE(tabs.insert(info.tabIndex).second) << info.name;
        EXPECT_TRUE(names.insert(info.name).second) << info.name;
        EXPECT_GT(info.rect.width, 0) << info.name;
        EXPECT_GT(info.rect.height, 0) << info.name;
    }
    EXPECT_EQ(names.size(), 60u);
    EXPECT_EQ(*tabs.begin(), 0);
    EXPECT_EQ(*tabs.rbegin(), 59);
}

TEST(ControlTable, KeepsTheDesignTextsAndPlaces) {
    const ControlInfo& interval = controlInfo(Control::Com_burst_interval_min);
    EXPECT_EQ(interval.caption, " <");
    EXPECT_EQ(interval.rect.left, 6936);
    EXPECT_EQ(interval.rect.top, 2040);
    EXPECT_EQ(interval.rect.width, 396);
    EXPECT_EQ(interval.back, Colour::of(128, 128, 128));

    EXPECT_EQ(controlInfo(Control::Com_koef_plus).tooltip, "Increase Temp coeficient ");
    EXPECT_EQ(controlInfo(Control::Com_micro_view_baudrate).caption, "Pr. Bd ");
    EXPECT_EQ(controlInfo(Control::Com_draw_top_mid_bot_line).caption, "L 1 2 3 ");
    EXPECT_EQ(controlInfo(Control::Com_Save_to_eeprom).tooltip,
              "Click to save the parameters into Probe and PC. ");
    EXPECT_EQ(controlInfo(Control::Com_view_program_info).tooltip, "");
    EXPECT_EQ(controlInfo(Control::Com_start_stop).back, Colour::of(192, 255, 192));
    EXPECT_EQ(controlInfo(Control::Com_exit).back, Colour::face());

    const ControlInfo& label = controlInfo(Control::Label1);
    EXPECT_EQ(label.kind, ControlKind::Panel);
    EXPECT_EQ(label.rect.top, -48);
    EXPECT_EQ(label.back, Colour::of(0, 0, 128));

    const ControlInfo& top = controlInfo(Control::Text_top);
    EXPECT_EQ(top.back, Colour::of(0, 0, 0));
    EXPECT_EQ(top.fore, Colour::of(255, 255, 0));
    EXPECT_TRUE(top.sansSerif);
    EXPECT_FALSE(controlInfo(Control::Text_Info).visible);
    EXPECT_EQ(controlInfo(Control::Text_Info).kind, ControlKind::MultiLineText);
}

TEST(ControlTable, BottomRowSharesItsLine) {
    for (Control c :
         {Control::Com_zoom_horizontal_min, Control::Com_play_spl, Control::Com_draw_on_off}) {
        EXPECT_EQ(controlInfo(c).rect.top, 5184);
        EXPECT_EQ(controlInfo(c).rect.height, 264);
        EXPECT_EQ(controlInfo(c).back, Colour::of(224, 224, 224));
    }
}

}  // namespace
}  // namespace purlo
