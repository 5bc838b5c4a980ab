// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QPainter;
class QPixmap;
class QPrinter;

namespace purlo {

// Prints the image on one page, as large as fits with its proportions kept.
// False when the printer cannot be painted on or the job fails.
bool printImage(const QPixmap& image, QPrinter& printer);

// Draws the image into the painter's viewport, as large as fits with its
// proportions kept, at the image's full resolution: a window grabbed on a
// high-DPI screen has more pixels than its size in widget pixels.
void drawFitted(QPainter& painter, const QPixmap& image);

}  // namespace purlo
