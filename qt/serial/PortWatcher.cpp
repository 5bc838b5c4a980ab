// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/PortWatcher.h"

#include <QAction>
#include <QSettings>
#include <QThread>

#include "acquisition/Resume.h"
#include "app/Console.h"
#include "link/NetworkAddress.h"
#include "serial/NetworkPort.h"
#include "serial/NetworkPorts.h"
#include "serial/ports/SystemPortCatalogue.h"
#include "text/RuntimeError.h"

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
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &PortWatcher::tryServer);
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, [this] { serverAnswered(true); });
    connect(&server_, &QAbstractSocket::connected, this, [this] {
        // A connection alone is no return: the server has to keep it.
        retry_.stop();
        settle_.start();
    });
    connect(&server_, &QAbstractSocket::errorOccurred, this, [this] { serverAnswered(false); });
    console_.resume.watcher = this;
}

PortWatcher::~PortWatcher() {
    if (console_.resume.watcher == this) console_.resume.watcher = nullptr;
}

void PortWatcher::watchFor(std::string_view device) {
    stop();
    device_ = std::string(device);
    if (!isNetworkAddress(device_)) {
        timer_.start();
        return;
    }
    // A server that dropped the connections before the probe said a word
    // goes on from the pause it had reached.
    attempt_ = NetworkPorts::silentDrops(device_);
    retry_.start(pause());
}

std::chrono::milliseconds PortWatcher::pause() const {
    return reconnectPause(attempt_, NetworkPorts::silentDrops(device_) > 0);
}

void PortWatcher::stop() {
    timer_.stop();
    retry_.stop();
    settle_.stop();
    server_.abort();
}

void PortWatcher::tryServer() {
    NetworkAddress address;
    try {
        address = parseNetworkAddress(device_);
    } catch (const RuntimeError&) {
        return;  // cannot be reached, so never back
    }
    // No answer since the last try.
    if (server_.state() == QAbstractSocket::ConnectingState)
        NetworkPorts::failed(device_, "timed out");
    server_.abort();
    server_.connectToHost(QString::fromStdString(address.host), address.port);
    // A server that does not answer at all is tried again, as one that refuses.
    retry_.start(NetworkPort::kConnectTimeoutMs);
}

void PortWatcher::serverAnswered(bool up) {
    // Only a look: the console makes its own connection when it resumes.
    if (up) {
        NetworkPorts::reached(device_);
    } else {
        // Accepted and ended at once: the server drops connections.
        if (settle_.isActive()) NetworkPorts::droppedSilently(device_);
        // What the chooser says about the server while it is waited for.
        NetworkPorts::failed(device_, NetworkPorts::reason(server_.error(), server_.errorString()));
    }
    settle_.stop();
    server_.abort();
    retry_.stop();
    if (!up) {
        ++attempt_;
        retry_.start(pause());
        return;
    }
    // Out of the socket's signal, as resuming runs acquisition until it ends.
    QTimer::singleShot(0, this, [this] {
        tellConsole();
        // Not resumed (the console was busy): look again after a while.
        if (console_.resume.waiting && !watching()) retry_.start(pause());
    });
}

void PortWatcher::look() {
    // The device is back once it is there and this user may open it.
    if (SystemPortCatalogue::ready(device_)) tellConsole();
}

void PortWatcher::tellConsole() {
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
        // Unticked while a lost port is waited for: the wait is over.
        if (!on) console_.resume.cancel();
    });
}

bool PortWatcher::storedOption() {
    return store().value(kOptionKey, false).toBool();
}

void PortWatcher::storeOption(bool on) {
    store().setValue(kOptionKey, on);
}

}  // namespace purlo
