// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace purlo {

class Console;

// Lays out the three diagram slots: each baseline two and a half text-line
// heights above its text line, drawn in dark grey from the left edge to the
// button column. Ends silently on a failure.
void draw_3_diagrams_vertical_position(Console& c);

// Paints a black band 600 twips high over the diagram area, centred on the
// baseline of the slot drawn last. Ends silently on a failure.
void Clear_diagram_line(Console& c);

void Com_draw_top_mid_bot_line_Click(Console& c);
void Com_raster_on_off_Click(Console& c);

}  // namespace purlo
