// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/PortWatcher.h"

#include <QAction>
#include <QFileInfo>
#include <QSettings>
#include <QThread>

#include "acquisition/Resume.h"
#include "app/Console.h"

namespace purlo {

namespace {

QSettings store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("purlo"),
                     QStringLiteral("console"));
}

const QString kOptionKey = QStringLiteral("link/resumeWhenPortComesBack");

}  // namespace

PortWatcher::PortWatcher(Console& console, QObject* parent) : QObject(parent), console_(console) {
    timer_.setInterval(kLookEveryMs);
    connect(&timer_, &QTimer::timeout, this, &PortWatcher::look);
    console_.resume.watcher = this;
}

PortWatcher::~PortWatcher() {
    if (console_.resume.watcher == this) console_.resume.watcher = nullptr;
}

void PortWatcher::watchFor(std::string_view device) {
    device_ = std::string(device);
    timer_.start();
}

void PortWatcher::stop() {
    timer_.stop();
}

void PortWatcher::look() {
    // The device is back once its path leads to a node this user may open
    // (a new USB node gets its group's permissions a moment after it appears).
    const QFileInfo node(QString::fromStdString(device_));
    if (!node.exists() || !node.isReadable() || !node.isWritable()) return;
    // Inside a modal dialog's loop, acquisition would run under the dialog.
    if (QThread::currentThread()->loopLevel() > 1) return;
    // Resuming runs acquisition from here until it ends; the console stops
    // this watcher first, and starts it again when the port goes once more.
    resumeAcquisition(console_);
}

void PortWatcher::bindOption(QAction* action) {
    action->setCheckable(true);
    action->setChecked(storedOption());
    console_.resume.enabled = action->isChecked();
    connect(action, &QAction::toggled, this, [this](bool on) {
        console_.resume.enabled = on;
        storeOption(on);
    });
}

bool PortWatcher::storedOption() {
    return store().value(kOptionKey, false).toBool();
}

void PortWatcher::storeOption(bool on) {
    store().setValue(kOptionKey, on);
}

}  // namespace purlo
