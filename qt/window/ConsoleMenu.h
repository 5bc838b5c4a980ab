// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMenu>
#include <QObject>

#include "window/WindowSize.h"

class QAction;
class QActionGroup;
class QKeySequence;
class QPoint;
class QWidget;

namespace purlo {

class PortChooser;

// The console's one context menu, opened by a right-click on any button of
// the main window. It holds what the fixed window has no room for; left
// clicks keep their meaning. Entries are added in the order they show. A
// window beside the console is an entry with a key of its own (addWindowEntry):
// the entry, its key on the owner and its signal, nothing in the main window.
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
    // The first entry, "Port for Comm n".
    PortChooser& portChooser() { return *ports_; }
    QAction* monitorAction() const { return monitor_; }
    // "Resume when the port comes back", checkable (qt/PortWatcher keeps it).
    QAction* resumeAction() const { return resume_; }
    // As if "Monitor…" were chosen.
    void requestMonitor() { emit monitorRequested(); }
    QAction* tuningAction() const { return tuning_; }
    // As if "Tuning assistant…" were chosen.
    void requestTuning() { emit tuningRequested(); }

    // The "Window size" submenu; the size shown as chosen.
    QMenu& windowSizeMenu() { return *sizeMenu_; }
    void setWindowSize(WindowSize size);

  signals:
    // The key of an entry was pressed on the owner; the entry's signal follows.
    void shortcutPressed();
    // "Monitor…" was chosen (or its shortcut pressed on the main window).
    void monitorRequested();
    // "Tuning assistant…" was chosen (or Ctrl+T pressed on the main window).
    void tuningRequested();
    // A size was chosen in "Window size".
    void windowSizeRequested(WindowSize size);

  private:
    void addWindowSizeMenu();
    // An entry that opens a window, with `key` on the owner: both emit `requested`.
    QAction* addWindowEntry(const QString& text, const QString& name, const QKeySequence& key,
                            void (ConsoleMenu::*requested)());

    QWidget* owner_;
    QMenu* menu_;
    PortChooser* ports_;
    QMenu* sizeMenu_ = nullptr;
    QActionGroup* sizes_ = nullptr;
    QAction* monitor_;
    QAction* resume_;
    QAction* tuning_;
};

}  // namespace purlo
