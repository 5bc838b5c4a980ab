// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/PixelGrid.h"

#include "text/RuntimeError.h"

namespace purlo {

void PixelGrid::throwNotANumber() {
    throw RuntimeError("line coordinate out of range");
}

}  // namespace purlo
