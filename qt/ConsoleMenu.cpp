// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConsoleMenu.h"

#include <QAction>
#include <QKeySequence>
#include <QWidget>

#include "ports/PortChooser.h"

namespace purlo {

ConsoleMenu::ConsoleMenu(QWidget* owner) : QObject(owner), menu_(new QMenu(owner)) {
    menu_->setObjectName(QStringLiteral("ConsoleMenu"));
    menu_->setAccessibleName(QStringLiteral("Console menu"));
    // "Port for Comm n", titled after the Comm number shown when the menu opens.
    ports_ = new PortChooser(menu_);
    connect(menu_, &QMenu::aboutToShow, ports_, &PortChooser::updateTitle);
    monitor_ = menu_->addAction(QStringLiteral("Monitor…"));
    monitor_->setObjectName(QStringLiteral("MonitorAction"));
    // Shown beside the entry; the main window owns the shortcut itself, so it
    // can report the key to a focused text box first.
    monitor_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    monitor_->setShortcutContext(Qt::WidgetShortcut);
    monitor_->setShortcutVisibleInContextMenu(true);
    connect(monitor_, &QAction::triggered, this, &ConsoleMenu::monitorRequested);
}

ConsoleMenu::~ConsoleMenu() = default;

void ConsoleMenu::attachTo(QWidget* button) {
    button->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(button, &QWidget::customContextMenuRequested, this,
            [this, button](const QPoint& pos) { popup(button->mapToGlobal(pos)); });
}

void ConsoleMenu::popup(const QPoint& globalPos) {
    menu_->popup(globalPos);
}

}  // namespace purlo
