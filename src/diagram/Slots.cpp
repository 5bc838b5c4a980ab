// SPDX-License-Identifier: GPL-3.0-or-later
#include "diagram/Slots.h"

#include "app/Console.h"
#include "app/HandlerFailure.h"
#include "text/Numbers.h"

namespace purlo {

namespace {

std::int16_t baselineAbove(Control textLine) {
    const TwipsRect r = controlInfo(textLine).rect;
    return toWidth<std::int16_t>(r.top - 2.5 * r.height);
}

}  // namespace

void draw_3_diagrams_vertical_position(Console& c) {
    runHandler(c, Reaction::silent(), [&] {
        c.surface.setForeColour(kBaseline);
        c.s.diagram_right_x =
            toWidth<std::int32_t>(c.surface.widthTwips() - controlInfo(Control::Label1).rect.width);
        const auto right = static_cast<float>(c.s.diagram_right_x);
        c.s.slot_y_top = baselineAbove(Control::Text_top);
        c.surface.drawLine(0, c.s.slot_y_top, right, c.s.slot_y_top);
        c.s.slot_y_mid = baselineAbove(Control::Text_mid);
        c.surface.drawLine(0, c.s.slot_y_mid, right, c.s.slot_y_mid);
        c.s.slot_y_bot = baselineAbove(Control::Text_bot);
        c.surface.drawLine(0, c.s.slot_y_bot, right, c.s.slot_y_bot);
    });
}

void Clear_diagram_line(Console& c) {
    runHandler(c, Reaction::silent(), [&] {
        c.surface.setForeColour(kErase);
        const std::int32_t right = c.s.diagram_right_x;
        const float top = static_cast<float>(c.s.draw_y) + 300;
        const float bottom = static_cast<float>(c.s.draw_y) - 300;
        // Column 0 is left out, as it always was.
        for (std::int32_t x = 1; x <= right; ++x) {
            c.surface.drawLine(static_cast<float>(x), top, static_cast<float>(x), bottom);
        }
    });
}

void Com_draw_top_mid_bot_line_Click(Console& c) {
    runHandler(c, Reaction::silent(), [&] {
        c.s.diagram_slot = checked<std::uint8_t>(c.s.diagram_slot + 1LL);
        if (c.s.diagram_slot > 3) c.s.diagram_slot = 1;
        c.ui.setText(Control::Com_draw_top_mid_bot_line, "L" + intText(c.s.diagram_slot));
    });
}

void Com_raster_on_off_Click(Console& c) {
    c.s.raster_on = !c.s.raster_on;
}

}  // namespace purlo
