// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/ports/NetworkPortDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include "link/NetworkAddress.h"
#include "text/RuntimeError.h"

namespace purlo {

NetworkPortDialog::NetworkPortDialog(QWidget* parent, int comm, const std::string& initial,
                                     std::function<void(const std::string&)> chosen)
    : QDialog(parent),
      host_(new QLineEdit(this)),
      port_(new QSpinBox(this)),
      kind_(new QComboBox(this)),
      problem_(new QLabel(this)),
      chosen_(std::move(chosen)) {
    setObjectName(QStringLiteral("NetworkPortDialog"));
    setWindowTitle(QStringLiteral("Network port for Comm%1").arg(comm));
    setAttribute(Qt::WA_DeleteOnClose);
    host_->setObjectName(QStringLiteral("Host"));
    host_->setPlaceholderText(QStringLiteral("name, IPv4 or IPv6 address"));
    port_->setObjectName(QStringLiteral("Port"));
    port_->setRange(1, 65535);
    port_->setValue(kRfc2217Port);
    kind_->setObjectName(QStringLiteral("Kind"));
    kind_->addItem(QStringLiteral("RFC 2217 (line settings from here)"));
    kind_->addItem(QStringLiteral("Raw TCP (line settings on the server)"));
    problem_->setObjectName(QStringLiteral("Problem"));
    problem_->setWordWrap(true);
    problem_->hide();
    try {
        const NetworkAddress a = parseNetworkAddress(initial);
        host_->setText(QString::fromStdString(a.host));
        port_->setValue(a.port);
        kind_->setCurrentIndex(a.kind == NetworkKind::Rfc2217 ? 0 : 1);
    } catch (const RuntimeError&) {
        // Nothing used before: empty fields.
    }
    // The other kind chosen while the port is the usual one of the first:
    // the usual one of the other (the README's ser2net: 4002 and 4001).
    connect(kind_, &QComboBox::currentIndexChanged, this, [this](int kind) {
        const int usual = kind == 0 ? kRfc2217Port : kRawPort;
        const int other = kind == 0 ? kRawPort : kRfc2217Port;
        if (port_->value() == other) port_->setValue(usual);
    });

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Host:"), host_);
    form->addRow(QStringLiteral("Port:"), port_);
    form->addRow(QStringLiteral("Kind:"), kind_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &NetworkPortDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &NetworkPortDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(problem_);
    layout->addWidget(buttons);
}

std::string NetworkPortDialog::address() const {
    std::string host = host_->text().trimmed().toStdString();
    // An IPv6 address typed bare gets its brackets.
    if (host.find(':') != std::string::npos && host.front() != '[') host = "[" + host + "]";
    const std::string scheme = kind_->currentIndex() == 0 ? "rfc2217://" : "tcp://";
    return parseNetworkAddress(scheme + host + ":" + std::to_string(port_->value())).text();
}

void NetworkPortDialog::accept() {
    std::string chosen;
    try {
        chosen = address();
    } catch (const RuntimeError& e) {
        problem_->setText(QString::fromStdString(e.what()));
        problem_->show();
        return;
    }
    if (chosen_) chosen_(chosen);
    QDialog::accept();
}

}  // namespace purlo
