// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/ports/PortChooser.h"

#include <QAction>
#include <QMenu>

#include "link/PortBinding.h"
#include "serial/PortMap.h"
#include "serial/ports/PortBindings.h"
#include "serial/ports/SystemPortCatalogue.h"

namespace purlo {

namespace {

// '&' would mark a mnemonic in a menu entry.
QString entryText(const std::string& text) {
    QString s = QString::fromStdString(text);
    s.replace(QLatin1Char('&'), QLatin1String("&&"));
    return s;
}

}  // namespace

PortChooser::PortChooser(QMenu* parent)
    : QObject(parent),
      menu_(parent->addMenu(QString())),
      comm_([] { return 1; }),
      system_(std::make_unique<SystemPortCatalogue>()),
      catalogue_(system_.get()) {
    menu_->setObjectName(QStringLiteral("PortMenu"));
    menu_->menuAction()->setObjectName(QStringLiteral("PortAction"));
    menu_->setToolTipsVisible(true);
    updateTitle();
    connect(menu_, &QMenu::aboutToShow, this, &PortChooser::refresh);
}

PortChooser::~PortChooser() = default;

QAction* PortChooser::menuAction() const {
    return menu_->menuAction();
}

void PortChooser::setCommNumber(std::function<int()> comm) {
    comm_ = std::move(comm);
    updateTitle();
}

void PortChooser::setCatalogue(const PortCatalogue& catalogue) {
    catalogue_ = &catalogue;
}

int PortChooser::commNumber() const {
    const int n = comm_();
    return n < 1 ? 1 : n;
}

void PortChooser::updateTitle() {
    menu_->setTitle(QStringLiteral("Port for Comm%1").arg(commNumber()));
}

void PortChooser::refresh() {
    updateTitle();
    menu_->clear();
    const int n = commNumber();
    const std::vector<PortChoice> choices =
        portChoices(n, commEnvironment(n), PortBindings::binding(n), *catalogue_);
    bool listingPorts = false;
    for (const PortChoice& choice : choices) {
        // The ports present follow "Automatic" (and an absent bound port).
        if (!listingPorts && !choice.binding.empty()) {
            menu_->addSeparator();
            listingPorts = true;
        }
        QAction* a = menu_->addAction(entryText(choice.text));
        a->setToolTip(QString::fromStdString(choice.details));
        a->setEnabled(choice.enabled);
        // Only what Comm n maps to now carries a mark.
        a->setCheckable(choice.current);
        a->setChecked(choice.current);
        if (!choice.enabled) continue;
        const std::string binding = choice.binding;
        connect(a, &QAction::triggered, this, [this, n, binding] {
            if (binding.empty()) {
                PortBindings::unbind(n);
            } else {
                PortBindings::bind(n, binding);
            }
            emit bindingChanged(n, QString::fromStdString(binding));
        });
    }
    if (!listingPorts) {
        menu_->addSeparator();
        menu_->addAction(QStringLiteral("No serial ports found"))->setEnabled(false);
    }
}

}  // namespace purlo
