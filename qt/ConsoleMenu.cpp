// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConsoleMenu.h"

#include <QAction>
#include <QKeySequence>
#include <QWidget>

namespace purlo {

ConsoleMenu::ConsoleMenu(QWidget* owner) : QObject(owner), menu_(new QMenu(owner)) {
    menu_->setObjectName(QStringLiteral("ConsoleMenu"));
    menu_->setAccessibleName(QStringLiteral("Console menu"));
    monitor_ = menu_->addAction(QStringLiteral("Monitor…"));
    monitor_->setObjectName(QStringLiteral("MonitorAction"));
    // Shown beside the entry; the main window owns the shortcut itself, so it
    // can report the key to a focused text box first.
    monitor_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    monitor_->setShortcutContext(Qt::WidgetShortcut);
    monitor_->setShortcutVisibleInContextMenu(true);
    connect(monitor_, &QAction::triggered, this, &ConsoleMenu::monitorRequested);

    // Just before "Monitor…".
    resume_ = new QAction(QStringLiteral("Resume when the port comes back"), menu_);
    resume_->setObjectName(QStringLiteral("ResumeAction"));
    resume_->setCheckable(true);
    menu_->insertAction(monitor_, resume_);
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
