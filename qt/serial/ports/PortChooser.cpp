// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/ports/PortChooser.h"

#include <QAction>
#include <QMenu>

#include "link/NetworkAddress.h"
#include "link/PortBinding.h"
#include "serial/NetworkPorts.h"
#include "serial/PortMap.h"
#include "serial/ports/NetworkPortDialog.h"
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
      owner_(parent->parentWidget()),
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

void PortChooser::bind(int n, const std::string& binding) {
    if (binding.empty()) {
        PortBindings::unbind(n);
    } else {
        PortBindings::bind(n, binding);
        if (isNetworkAddress(binding)) NetworkPorts::used(binding);
    }
    emit bindingChanged(n, QString::fromStdString(binding));
}

void PortChooser::addEntry(const PortChoice& choice, int n) {
    QAction* a = menu_->addAction(entryText(choice.text));
    a->setToolTip(QString::fromStdString(choice.details));
    a->setEnabled(choice.enabled);
    // Only what Comm n maps to now carries a mark.
    a->setCheckable(choice.current);
    a->setChecked(choice.current);
    if (!choice.enabled) return;
    const std::string binding = choice.binding;
    connect(a, &QAction::triggered, this, [this, n, binding] { bind(n, binding); });
}

void PortChooser::refresh() {
    updateTitle();
    menu_->clear();
    const int n = commNumber();
    const std::string environment = commEnvironment(n);
    const std::string binding = PortBindings::binding(n);
    bool listingPorts = false;
    for (const PortChoice& choice :
         portChoices(n, environment, binding, *catalogue_, NetworkPorts::failure)) {
        // The ports present follow "Automatic" (and an absent bound port).
        if (!listingPorts && !choice.binding.empty()) {
            menu_->addSeparator();
            listingPorts = true;
        }
        addEntry(choice, n);
    }
    if (!listingPorts) {
        menu_->addSeparator();
        menu_->addAction(QStringLiteral("No serial ports found"))->setEnabled(false);
    }
    // Serial device servers: the ones used lately, and a new one.
    menu_->addSeparator();
    for (const PortChoice& choice :
         networkChoices(environment, binding, NetworkPorts::recent(), NetworkPorts::failure)) {
        addEntry(choice, n);
    }
    QAction* network = menu_->addAction(QStringLiteral("Network port…"));
    network->setObjectName(QStringLiteral("NetworkPortAction"));
    network->setToolTip(QStringLiteral(
        "A probe behind a serial device server: RFC 2217 (rfc2217://HOST:PORT) or raw TCP "
        "(tcp://HOST:PORT)"));
    connect(network, &QAction::triggered, this, &PortChooser::openNetworkDialog);
}

QDialog* PortChooser::openNetworkDialog() {
    const int n = commNumber();
    std::string initial = PortBindings::binding(n);
    if (!isNetworkAddress(initial)) {
        const std::vector<std::string> recent = NetworkPorts::recent();
        initial = recent.empty() ? std::string() : recent.front();
    }
    auto* dialog = new NetworkPortDialog(
        owner_, n, initial, [this, n](const std::string& address) { bind(n, address); });
    // Non-blocking: the receive loop goes on while it is open.
    dialog->open();
    return dialog;
}

}  // namespace purlo
