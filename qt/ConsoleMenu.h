// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMenu>
#include <QObject>

class QAction;
class QPoint;
class QWidget;

namespace purlo {

// The console's one context menu, opened by a right-click on any button of
// the main window. It holds what the fixed window has no room for; left
// clicks keep their meaning. Entries are added in the order they show.
class ConsoleMenu : public QObject {
    Q_OBJECT

  public:
    // The menu belongs to `owner`, the window whose buttons open it.
    explicit ConsoleMenu(QWidget* owner);
    ~ConsoleMenu() override;

    // A right-click on `button` opens the menu at the pointer.
    void attachTo(QWidget* button);
    // Opens the menu at `globalPos` without waiting for a choice.
    void popup(const QPoint& globalPos);

    QMenu& menu() { return *menu_; }
    QAction* monitorAction() const { return monitor_; }
    // "Resume when the port comes back", checkable (qt/PortWatcher keeps it).
    QAction* resumeAction() const { return resume_; }
    // As if "Monitor…" were chosen.
    void requestMonitor() { emit monitorRequested(); }

  signals:
    // "Monitor…" was chosen (or its shortcut pressed on the main window).
    void monitorRequested();

  private:
    QMenu* menu_;
    QAction* monitor_;
    QAction* resume_;
};

}  // namespace purlo
