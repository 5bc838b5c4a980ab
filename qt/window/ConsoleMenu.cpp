// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/ConsoleMenu.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QWidget>

#include "serial/ports/PortChooser.h"

namespace purlo {

ConsoleMenu::ConsoleMenu(QWidget* owner) : QObject(owner), menu_(new QMenu(owner)) {
    menu_->setObjectName(QStringLiteral("ConsoleMenu"));
    menu_->setAccessibleName(QStringLiteral("Console menu"));
    // "Port for Comm n", titled after the Comm number shown when the menu opens.
    ports_ = new PortChooser(menu_);
    connect(menu_, &QMenu::aboutToShow, ports_, &PortChooser::updateTitle);
    addWindowSizeMenu();
    monitor_ = menu_->addAction(QStringLiteral("Monitor…"));
    monitor_->setObjectName(QStringLiteral("MonitorAction"));
    // Shown beside the entry; the main window owns the shortcut itself, so it
    // can report the key to a focused text box first.
    monitor_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    monitor_->setShortcutContext(Qt::WidgetShortcut);
    monitor_->setShortcutVisibleInContextMenu(true);
    connect(monitor_, &QAction::triggered, this, &ConsoleMenu::monitorRequested);
    tuning_ = menu_->addAction(QStringLiteral("Tuning assistant…"));
    tuning_->setObjectName(QStringLiteral("TuningAction"));
    tuning_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    tuning_->setShortcutContext(Qt::WidgetShortcut);
    tuning_->setShortcutVisibleInContextMenu(true);
    connect(tuning_, &QAction::triggered, this, &ConsoleMenu::tuningRequested);

    // Beside the port it is about: just after "Port for Comm n".
    resume_ = new QAction(QStringLiteral("Resume when the port comes back"), menu_);
    resume_->setObjectName(QStringLiteral("ResumeAction"));
    resume_->setCheckable(true);
    menu_->insertAction(sizeMenu_->menuAction(), resume_);
}

ConsoleMenu::~ConsoleMenu() = default;

void ConsoleMenu::addWindowSizeMenu() {
    sizeMenu_ = menu_->addMenu(QStringLiteral("Window size"));
    sizeMenu_->setObjectName(QStringLiteral("WindowSizeMenu"));
    sizes_ = new QActionGroup(sizeMenu_);
    sizes_->setExclusive(true);
    const auto add = [this](const QString& text, WindowSize size) {
        QAction* a = sizeMenu_->addAction(text);
        a->setCheckable(true);
        a->setData(size.key());
        sizes_->addAction(a);
        connect(a, &QAction::triggered, this, [this, size] { emit windowSizeRequested(size); });
    };
    for (const int p : WindowSize::kPercents) {
        add(QStringLiteral("%1 %").arg(p), WindowSize::percent(p));
    }
    add(QStringLiteral("Follow the screen"), WindowSize());
    // Shown beside it; as with the monitor, the main window owns the key.
    QAction* screen = sizes_->actions().constLast();
    screen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    screen->setShortcutContext(Qt::WidgetShortcut);
    screen->setShortcutVisibleInContextMenu(true);
    setWindowSize(WindowSize());
}

void ConsoleMenu::setWindowSize(WindowSize size) {
    for (QAction* a : sizes_->actions()) a->setChecked(a->data().toString() == size.key());
}

void ConsoleMenu::attachTo(QWidget* button) {
    button->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(button, &QWidget::customContextMenuRequested, this,
            [this, button](const QPoint& pos) { popup(button->mapToGlobal(pos)); });
}

void ConsoleMenu::popup(const QPoint& globalPos) {
    menu_->popup(globalPos);
}

}  // namespace purlo
