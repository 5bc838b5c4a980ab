// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

namespace purlo {

// The monitor's per-user settings, in ~/.config/purlo/monitor.conf (never in
// purlo.Set, whose format other installations read).
struct MonitorSettings {
    QByteArray geometry;
    bool trend = true;
    bool echoHistory = true;
    bool reference = true;
    bool csvLog = false;  // off until the operator turns it on

    static MonitorSettings load();
    void save() const;
};

}  // namespace purlo
