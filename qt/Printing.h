#pragma once

class QPixmap;
class QPrinter;

namespace purlo {

// Prints the image on one page, as large as fits with its proportions kept.
// False when the printer cannot be painted on or the job fails.
bool printImage(const QPixmap& image, QPrinter& printer);

}  // namespace purlo
