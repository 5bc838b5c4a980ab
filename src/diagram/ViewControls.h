// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace purlo {

class Console;

// Horizontal zoom, 1 to 30 twips per sample; the caption shows "H " and the
// factor. Each click clears the band of the slot drawn last.
void Com_zoom_horizontal_min_Click(Console& c);
void Com_zoom_horizontal_plus_Click(Console& c);

// Vertical zoom, the half height of a bar: 110 to 250 in steps of 10; the
// caption shows "V " and a tenth of it. The band is cleared even when the
// value cannot grow any further.
void Com_zoom_vertical_min_Click(Console& c);
void Com_zoom_vertical_plus_Click(Console& c);

// Show the undivided zoom factors on the view buttons.
void Com_view_zoom_horizontal_Click(Console& c);
void Com_view_zoom_vertical_Click(Console& c);

// Switches between mm / degrees Celsius and inch / degrees Fahrenheit for the
// next decoded replies.
void Com_inch_mm_far_centi_Click(Console& c);

// Continuous sampling on ("====") or off ("####"); the caption is the state.
void Com_draw_on_off_Click(Console& c);
// One echo record on demand, only while continuous sampling is off.
void Com_one_sample_Click(Console& c);

// Clears the window, the three slot text lines and the information box, and
// lays out the slots again.
void Com_clear_screen_Click(Console& c);

// Prints the window on the default printer, or tells the operator it cannot.
void Com_print_form_Click(Console& c);

}  // namespace purlo
