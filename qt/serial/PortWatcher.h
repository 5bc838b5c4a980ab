// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTcpSocket>
#include <QTimer>
#include <chrono>
#include <string>

#include "link/DeviceWatcher.h"

class QAction;

namespace purlo {

class Console;

// Watches for a lost serial device to be back and then lets the console
// resume (acquisition/Resume.h). It looks at the device's path four times a
// second, a stat without busy polling (on Windows a look at the COM port
// list), and only while it waits. A network
// port is back when its server accepts a connection again and keeps it for
// kSettleMs: tried after a pause that grows from a quarter of a second to two
// (reconnectPause), and on to a minute while the server keeps ending
// connections before the probe says a word (NetworkPorts::silentDrops, which
// the chooser turns into "the server keeps dropping the connection"). The console
// is told from the application's own event loop only: a modal dialog's loop
// is left alone, and the console itself declines while a handler runs, so
// the watcher simply tells it again at its next look.
//
// It also keeps the option "Resume when the port comes back", per user in
// ~/.config/purlo/console.conf, off unless chosen; unticking it ends a wait.
class PortWatcher : public QObject, public DeviceWatcher {
    Q_OBJECT

  public:
    explicit PortWatcher(Console& console, QObject* parent = nullptr);
    ~PortWatcher() override;
    PortWatcher(const PortWatcher&) = delete;
    PortWatcher& operator=(const PortWatcher&) = delete;

    void watchFor(std::string_view device) override;
    void stop() override;
    bool watching() const {
        return timer_.isActive() || retry_.isActive() || settle_.isActive() ||
               server_.state() != QAbstractSocket::UnconnectedState;
    }

    // Shows the stored option on `action` (checkable) and gives the console
    // the operator's choice from then on, storing each change.
    void bindOption(QAction* action);
    static bool storedOption();
    static void storeOption(bool on);

    static constexpr int kLookEveryMs = 250;
    // A server is back once it has kept a connection this long: one that
    // accepts and drops at once (its device in use) is not resumed into.
    static constexpr int kSettleMs = 300;

  private:
    void look();
    // Tells the console the device is back, unless a modal dialog runs.
    void tellConsole();
    void tryServer();
    void serverAnswered(bool up);
    std::chrono::milliseconds pause() const;

    Console& console_;
    QTimer timer_;
    std::string device_;
    // For a network port: the next attempt, the attempt under way, and the
    // time a connection made has to stay.
    QTimer retry_;
    QTcpSocket server_;
    QTimer settle_;
    int attempt_ = 0;
};

}  // namespace purlo
