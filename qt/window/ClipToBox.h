// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>

namespace purlo {

// Cuts the segment to the box from (-1, -1) to (xMax, yMax) (Liang-Barsky);
// false when nothing of it lies inside. Done in floating point, so that
// far-away end points neither overflow an int nor bend the visible part.
inline bool clipToBox(double& x1, double& y1, double& x2, double& y2, double xMax, double yMax) {
    const double dx = x2 - x1;
    const double dy = y2 - y1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1 + 1, xMax - x1, y1 + 1, yMax - y1};
    double t0 = 0;
    double t1 = 1;
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double r = q[i] / p[i];
        if (p[i] < 0) {
            if (r > t1) return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0) return false;
            t1 = std::min(t1, r);
        }
    }
    const double ox = x1;
    const double oy = y1;
    x1 = ox + t0 * dx;
    y1 = oy + t0 * dy;
    x2 = ox + t1 * dx;
    y2 = oy + t1 * dy;
    return true;
}

}  // namespace purlo
