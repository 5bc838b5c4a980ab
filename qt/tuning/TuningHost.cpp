// SPDX-License-Identifier: GPL-3.0-or-later
#include "TuningHost.h"

#include <QSettings>

#include "TuningWindow.h"
#include "tuning/Assistant.h"
#include "window/ConsoleMenu.h"
#include "window/MainWindow.h"
#include "window/PlaceBeside.h"

namespace purlo {

namespace {

constexpr QSize kWanted(1000, 760);

QSettings store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("purlo"),
                     QStringLiteral("tuning"));
}

}  // namespace

TuningHost::TuningHost(tuning::Assistant& assistant, Console& console, MainWindow& consoleWindow)
    : assistant_(assistant), console_(console), consoleWindow_(consoleWindow) {
    connect(&consoleWindow.consoleMenu(), &ConsoleMenu::tuningRequested, this, &TuningHost::open);
    timer_.setInterval(kIdleMs);
    connect(&timer_, &QTimer::timeout, this, &TuningHost::tick);
}

TuningHost::~TuningHost() {
    if (window_ && window_->isVisible()) remember();
}

void TuningHost::open() {
    if (!window_) {
        window_ = std::make_unique<TuningWindow>(assistant_, console_, consoleWindow_);
        const QByteArray geometry = store().value(QStringLiteral("geometry")).toByteArray();
        if (!restoreOnPresentScreen(*window_, geometry)) {
            placeBeside(*window_, consoleWindow_, kWanted);
        }
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
    timer_.start();
}

void TuningHost::tick() {
    assistant_.tick();
    const auto phase = assistant_.phase();
    const bool moving = phase == tuning::Phase::Snapshot || phase == tuning::Phase::Sweeping ||
                        phase == tuning::Phase::Applying || phase == tuning::Phase::Restoring;
    const int interval = moving ? kTickMs : kIdleMs;
    if (timer_.interval() != interval) timer_.setInterval(interval);
    const bool shown = window_ && window_->isVisible();
    if (shown) {
        sinceRefreshMs_ += timer_.interval();
        if (sinceRefreshMs_ >= kIdleMs) {
            sinceRefreshMs_ = 0;
            window_->refresh();
        }
    } else {
        if (window_) remember();
        // Closed: ticks go on only while the assistant has the probe to step back.
        if (phase == tuning::Phase::Idle || phase == tuning::Phase::Done ||
            phase == tuning::Phase::LinkGone) {
            timer_.stop();
        }
    }
}

void TuningHost::remember() {
    store().setValue(QStringLiteral("geometry"), window_->saveGeometry());
}

}  // namespace purlo
