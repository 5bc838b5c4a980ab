// SPDX-License-Identifier: GPL-3.0-or-later
#include "TuningHost.h"

#include <QSettings>
#include <cmath>
#include <string>

#include "TuningWindow.h"
#include "app/Console.h"
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
    consoleWindow.setExitGuard([this] { return holdExit(); });
}

TuningHost::~TuningHost() {
    consoleWindow_.setExitGuard({});
    if (window_ && window_->isVisible()) remember();
}

bool TuningHost::holdExit() {
    if (exiting_) return false;
    if (exitAsked_.isValid()) {
        // Exit again while waiting: the technician will not wait.
        assistant_.abandon("Exit was asked again before the probe was stepped back");
        exiting_ = true;
        return false;
    }
    if (!assistant_.holdExit()) return false;
    exitAsked_.start();
    alertsSeen_ = assistant_.alerts();
    open();  // the window says what happens, and the timer drives the restore
    return true;
}

void TuningHost::exitNow() {
    exitAsked_.invalidate();
    exiting_ = true;
    timer_.stop();
    if (window_) {
        if (window_->isVisible()) remember();
        window_->hide();
    }
    if (!console_.ending()) console_.click(Control::Com_exit);
}

void TuningHost::open() {
    if (!window_) {
        window_ = std::make_unique<TuningWindow>(assistant_, console_);
        const QByteArray geometry = store().value(QStringLiteral("geometry")).toByteArray();
        if (!restoreOnPresentScreen(*window_, geometry)) {
            placeBeside(*window_, consoleWindow_, kWanted);
        }
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
    assistant_.windowOpened();
    timer_.start();
}

void TuningHost::tick() {
    assistant_.tick();
    if (exitAsked_.isValid()) {
        const auto left = assistant_.exitSecondsLeft();
        if (assistant_.phase() == tuning::Phase::LinkGone) {
            assistant_.abandon("the port was lost before the probe was stepped back");
        } else if (left && *left <= 0.0) {
            assistant_.abandon("the probe was not stepped back within " +
                               std::to_string(std::lround(exitAsked_.elapsed() / 1000.0)) +
                               " s of Exit");
        }
        if (assistant_.phase() != tuning::Phase::Restoring) {
            exitNow();
            return;
        }
    }
    // The technician must know (a restore failed, parameters left changed):
    // the window opens itself beside the console.
    if (assistant_.alerts() != alertsSeen_) {
        alertsSeen_ = assistant_.alerts();
        if (!window_ || !window_->isVisible()) open();
    }
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
        // Hidden: ticks go on while a run has the probe or a restore is pending.
        if (phase == tuning::Phase::Idle) timer_.stop();
    }
}

void TuningHost::remember() {
    store().setValue(QStringLiteral("geometry"), window_->saveGeometry());
}

}  // namespace purlo
