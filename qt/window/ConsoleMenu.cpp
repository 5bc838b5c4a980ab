// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/ConsoleMenu.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

#include "serial/ports/PortChooser.h"

namespace purlo {

ConsoleMenu::ConsoleMenu(QWidget* owner) : QObject(owner), owner_(owner), menu_(new QMenu(owner)) {
    menu_->setObjectName(QStringLiteral("ConsoleMenu"));
    menu_->setAccessibleName(QStringLiteral("Console menu"));
    // "Port for Comm n", titled after the Comm number shown when the menu opens.
    ports_ = new PortChooser(menu_);
    connect(menu_, &QMenu::aboutToShow, ports_, &PortChooser::updateTitle);
    addWindowSizeMenu();
    monitor_ = addWindowEntry(QStringLiteral("Monitor…"), QStringLiteral("MonitorAction"),
                              QKeySequence(Qt::CTRL | Qt::Key_M), &ConsoleMenu::monitorRequested);
    tuning_ = addWindowEntry(QStringLiteral("Tuning assistant…"), QStringLiteral("TuningAction"),
                             QKeySequence(Qt::CTRL | Qt::Key_T), &ConsoleMenu::tuningRequested);

    // Beside the port it is about: just after "Port for Comm n".
    resume_ = new QAction(QStringLiteral("Resume when the port comes back"), menu_);
    resume_->setObjectName(QStringLiteral("ResumeAction"));
    resume_->setCheckable(true);
    menu_->insertAction(sizeMenu_->menuAction(), resume_);
}

ConsoleMenu::~ConsoleMenu() = default;

QAction* ConsoleMenu::addWindowEntry(const QString& text, const QString& name,
                                     const QKeySequence& key, void (ConsoleMenu::*requested)()) {
    QAction* entry = menu_->addAction(text);
    entry->setObjectName(name);
    // Shown beside the entry; the key itself is a shortcut of the owner, so
    // that whoever owns it hears of the key first (a focused text box counts
    // it as typed there).
    entry->setShortcut(key);
    entry->setShortcutContext(Qt::WidgetShortcut);
    entry->setShortcutVisibleInContextMenu(true);
    connect(entry, &QAction::triggered, this, requested);
    auto* shortcut = new QShortcut(key, owner_);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, [this, requested] {
        emit shortcutPressed();
        emit(this->*requested)();
    });
    return entry;
}

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
    // Shown beside it; the main window owns the key, with the window's size.
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
