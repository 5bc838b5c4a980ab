// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/ports/PortBindings.h"

#include <QSettings>

namespace purlo {

namespace {

QSettings store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("purlo"),
                     QStringLiteral("ports"));
}

QString key(int n) {
    return QStringLiteral("Comm%1").arg(n);
}

}  // namespace

std::string PortBindings::binding(int n) {
    return store().value(key(n)).toString().toStdString();
}

void PortBindings::bind(int n, const std::string& device) {
    QSettings s = store();
    s.setValue(key(n), QString::fromStdString(device));
}

void PortBindings::unbind(int n) {
    QSettings s = store();
    s.remove(key(n));
}

}  // namespace purlo
