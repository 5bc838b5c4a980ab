// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>
#include <string>

#include "link/DeviceWatcher.h"

class QAction;

namespace purlo {

class Console;

// Watches for a lost serial device to be back and then lets the console
// resume (acquisition/Resume.h). It looks at the device's path four times a
// second, a stat without busy polling, and only while it waits. The console
// is told from the application's own event loop only: a modal dialog's loop
// is left alone, and the console itself declines while a handler runs, so
// the watcher simply tells it again at its next look.
//
// It also keeps the option "Resume when the port comes back", per user in
// ~/.config/purlo/console.conf, off unless chosen.
class PortWatcher : public QObject, public DeviceWatcher {
    Q_OBJECT

  public:
    explicit PortWatcher(Console& console, QObject* parent = nullptr);
    ~PortWatcher() override;
    PortWatcher(const PortWatcher&) = delete;
    PortWatcher& operator=(const PortWatcher&) = delete;

    void watchFor(std::string_view device) override;
    void stop() override;
    bool watching() const { return timer_.isActive(); }

    // Shows the stored option on `action` (checkable) and gives the console
    // the operator's choice from then on, storing each change.
    void bindOption(QAction* action);
    static bool storedOption();
    static void storeOption(bool on);

    static constexpr int kLookEveryMs = 250;

  private:
    void look();

    Console& console_;
    QTimer timer_;
    std::string device_;
};

}  // namespace purlo
