// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/WindowSize.h"

#include <QSettings>
#include <algorithm>

namespace purlo {

namespace {

// Sizes closer than this count as the same (a screen at 120 dpi is 125 %).
constexpr double kSamePercent = 0.5;

QSettings store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("purlo"),
                     QStringLiteral("console"));
}

// The window group of the console's settings file.
constexpr QLatin1StringView kSizeKey("window/size");

}  // namespace

WindowSize WindowSize::percent(int percent) {
    const bool offered = std::find(kPercents.begin(), kPercents.end(), percent) != kPercents.end();
    return WindowSize(offered ? percent : 0);
}

double WindowSize::dotsPerInch(double screenDpi) const {
    if (!followsScreen()) return kBaseDpi * percent_ / 100.0;
    return screenDpi > 0 ? screenDpi : kBaseDpi;
}

WindowSize WindowSize::larger(double screenDpi) const {
    const double now = dotsPerInch(screenDpi) / kBaseDpi * 100.0;
    for (const int p : kPercents) {
        if (p > now + kSamePercent) return WindowSize(p);
    }
    return *this;
}

WindowSize WindowSize::smaller(double screenDpi) const {
    const double now = dotsPerInch(screenDpi) / kBaseDpi * 100.0;
    for (auto p = kPercents.rbegin(); p != kPercents.rend(); ++p) {
        if (*p < now - kSamePercent) return WindowSize(*p);
    }
    return *this;
}

QString WindowSize::key() const {
    return followsScreen() ? QStringLiteral("screen") : QString::number(percent_);
}

std::optional<WindowSize> WindowSize::fromKey(QStringView text) {
    QStringView t = text.trimmed();
    if (t.compare(u"screen", Qt::CaseInsensitive) == 0) return WindowSize();
    if (t.endsWith(u'%')) t = t.chopped(1).trimmed();
    bool ok = false;
    const int p = t.toInt(&ok);
    if (!ok || std::find(kPercents.begin(), kPercents.end(), p) == kPercents.end()) {
        return std::nullopt;
    }
    return WindowSize(p);
}

WindowSize WindowSize::load() {
    const QSettings s = store();
    return fromKey(s.value(kSizeKey).toString()).value_or(WindowSize());
}

void WindowSize::save() const {
    QSettings s = store();
    s.setValue(kSizeKey, key());
}

}  // namespace purlo
