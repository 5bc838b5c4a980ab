// SPDX-License-Identifier: GPL-3.0-or-later
#include "MonitorSettings.h"

#include <QSettings>

namespace purlo {

namespace {

QSettings store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("purlo"),
                     QStringLiteral("monitor"));
}

}  // namespace

MonitorSettings MonitorSettings::load() {
    const QSettings s = store();
    MonitorSettings m;
    m.geometry = s.value(QStringLiteral("window/geometry")).toByteArray();
    m.trend = s.value(QStringLiteral("panels/trend"), true).toBool();
    m.echoHistory = s.value(QStringLiteral("panels/echoHistory"), true).toBool();
    m.reference = s.value(QStringLiteral("panels/reference"), true).toBool();
    m.csvLog = s.value(QStringLiteral("log/csv"), false).toBool();
    return m;
}

void MonitorSettings::save() const {
    QSettings s = store();
    s.setValue(QStringLiteral("window/geometry"), geometry);
    s.setValue(QStringLiteral("panels/trend"), trend);
    s.setValue(QStringLiteral("panels/echoHistory"), echoHistory);
    s.setValue(QStringLiteral("panels/reference"), reference);
    s.setValue(QStringLiteral("log/csv"), csvLog);
}

}  // namespace purlo
