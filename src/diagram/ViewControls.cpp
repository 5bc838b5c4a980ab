// SPDX-License-Identifier: GPL-3.0-or-later
#include "diagram/ViewControls.h"

#include <cstdint>
#include <string>

#include "app/Console.h"
#include "app/HandlerFailure.h"
#include "diagram/EchoDrawing.h"
#include "diagram/Slots.h"
#include "text/Numbers.h"

namespace purlo {

namespace {

constexpr std::uint8_t kZoomHorizontalLargest = 30;
constexpr std::uint8_t kZoomVerticalSmallestReached = 110;
constexpr std::uint8_t kZoomVerticalStepCap = 240;
constexpr std::uint8_t kZoomVerticalLargest = 250;
constexpr std::string_view kSamplingOn = "====";
constexpr std::string_view kSamplingOff = "####";

void showZoomHorizontal(Console& c) {
    c.ui.setText(Control::Com_view_zoom_horizontal, "H " + intText(c.s.zoom_horizontal));
}

// The caption shows the factor in tens of twips, rounded halves to even (105 shows as 10).
void showZoomVertical(Console& c) {
    c.ui.setText(Control::Com_view_zoom_vertical,
                 "V " + intText(toWidth<std::int16_t>(c.s.zoom_vertical / 10.0)));
}

}  // namespace

void Com_zoom_horizontal_min_Click(Console& c) {
    runHandler(c, Reaction::silent(), [&] {
        if (c.s.zoom_horizontal > 1)
            c.s.zoom_horizontal = checked<std::uint8_t>(c.s.zoom_horizontal - 1LL);
        showZoomHorizontal(c);
        Clear_diagram_line(c);
    });
}

void Com_zoom_horizontal_plus_Click(Console& c) {
    runHandler(c, Reaction::silent(), [&] {
        c.s.zoom_horizontal = checked<std::uint8_t>(c.s.zoom_horizontal + 1LL);
        if (c.s.zoom_horizontal > kZoomHorizontalLargest)
            c.s.zoom_horizontal = kZoomHorizontalLargest;
        showZoomHorizontal(c);
        Clear_diagram_line(c);
    });
}

void Com_zoom_vertical_min_Click(Console& c) {
    runHandler(c, Reaction::silent(), [&] {
        if (c.s.zoom_vertical > kZoomVerticalSmallestReached) {
            c.s.zoom_vertical = checked<std::uint8_t>(c.s.zoom_vertical - 10LL);
        }
        showZoomVertical(c);
    });
    Clear_diagram_line(c);
}

void Com_zoom_vertical_plus_Click(Console& c) {
    runHandler(c, Reaction::silent(), [&] {
        // From 246 up the step would leave the variable's width: the value
        // and the caption stay, and the band is still cleared below.
        c.s.zoom_vertical = checked<std::uint8_t>(c.s.zoom_vertical + 10LL);
        if (c.s.zoom_vertical > kZoomVerticalStepCap) c.s.zoom_vertical = kZoomVerticalLargest;
        showZoomVertical(c);
    });
    Clear_diagram_line(c);
}

void Com_view_zoom_horizontal_Click(Console& c) {
    c.ui.setText(Control::Com_view_zoom_horizontal, "Z H " + intText(c.s.zoom_horizontal));
}

void Com_view_zoom_vertical_Click(Console& c) {
    c.ui.setText(Control::Com_view_zoom_vertical, "Z V " + intText(c.s.zoom_vertical));
}

void Com_inch_mm_far_centi_Click(Console& c) {
    c.s.inch_units = !c.s.inch_units;
    c.ui.setText(Control::Com_inch_mm_far_centi, c.s.inch_units ? "inch/F" : "mm/C");
}

void Com_draw_on_off_Click(Console& c) {
    const std::string caption = c.ui.text(Control::Com_draw_on_off);
    if (caption == kSamplingOn) {
        c.ui.setText(Control::Com_draw_on_off, kSamplingOff);
        c.s.sampling_on = false;
    } else if (caption == kSamplingOff) {
        c.ui.setText(Control::Com_draw_on_off, kSamplingOn);
        c.s.sampling_on = true;
    }
}

void Com_one_sample_Click(Console& c) {
    // The caption decides, not sampling_on: after Stop and Start the flag
    // is on again while the button may still read "####". Draw_one_sample
    // reports its own failures.
    if (c.ui.text(Control::Com_draw_on_off) != kSamplingOn) Draw_one_sample(c);
}

void Com_clear_screen_Click(Console& c) {
    c.surface.clear();
    c.ui.setText(Control::Text_top, "");
    c.ui.setText(Control::Text_mid, "");
    c.ui.setText(Control::Text_bot, "");
    c.ui.setText(Control::Text_Info, "");
    draw_3_diagrams_vertical_position(c);
}

void Com_print_form_Click(Console& c) {
    // Printing tells its failure by its result.
    if (c.ui.printWindow()) return;
    c.ui.messageBox("The form can't be printed. Printer setting?", "", Buttons::Ok);
}

}  // namespace purlo
