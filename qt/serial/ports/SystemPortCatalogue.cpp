// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/ports/SystemPortCatalogue.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <cerrno>
#include <csignal>
#include <utility>

namespace purlo {

namespace {

// The lock file names serial programs use for a device: its path below /dev
// with '/' as '_' ("/dev/ttyUSB0" -> "LCK..ttyUSB0").
QString lockName(const QString& device) {
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("LCK..") + name;
}

// The process a lock file names: its first number (UUCP locks hold it in
// ASCII, padded with blanks; Qt's lock files on a line of its own, followed
// by the program's name).
struct LockOwner {
    qint64 pid = 0;
    QByteArray program;  // empty when the lock does not say
};

LockOwner lockOwner(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    bool ok = false;
    LockOwner owner;
    owner.pid = file.readLine(64).trimmed().toLongLong(&ok);
    if (!ok) return {};
    owner.program = file.readLine(256).trimmed();
    return owner;
}

// Whether the lock's process still runs: a process of that number that is
// another program took the number of one that ended without removing its lock.
bool ownerAlive(const LockOwner& owner) {
    if (owner.pid <= 0) return false;
    if (::kill(static_cast<pid_t>(owner.pid), 0) != 0 && errno != EPERM) return false;
    if (owner.program.isEmpty()) return true;
    QFile comm(QStringLiteral("/proc/%1/comm").arg(owner.pid));
    if (!comm.open(QIODevice::ReadOnly)) return true;
    // The kernel keeps the first 15 bytes of a program's name.
    return comm.readAll().trimmed() == owner.program.left(15);
}

}  // namespace

SystemPortCatalogue::SystemPortCatalogue(QString stableFolder, QStringList lockFolders)
    : stableFolder_(std::move(stableFolder)), lockFolders_(std::move(lockFolders)) {}

QString SystemPortCatalogue::stablePathOf(const QString& location) const {
    const QString device = QFileInfo(location).canonicalFilePath();
    if (device.isEmpty()) return {};
    const QFileInfoList links =
        QDir(stableFolder_).entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    for (const QFileInfo& link : links) {
        if (link.isSymLink() && link.canonicalFilePath() == device) return link.absoluteFilePath();
    }
    return {};
}

std::vector<PortInfo> SystemPortCatalogue::ports() const {
    std::vector<PortInfo> out;
    const QList<QSerialPortInfo> available = QSerialPortInfo::availablePorts();
    out.reserve(static_cast<std::size_t>(available.size()));
    for (const QSerialPortInfo& q : available) {
        PortInfo p;
        p.location = q.systemLocation().toStdString();
        p.stablePath = stablePathOf(q.systemLocation()).toStdString();
        p.description = q.description().toStdString();
        p.manufacturer = q.manufacturer().toStdString();
        p.serialNumber = q.serialNumber().toStdString();
        if (q.hasVendorIdentifier()) p.vendorId = q.vendorIdentifier();
        if (q.hasProductIdentifier()) p.productId = q.productIdentifier();
        out.push_back(std::move(p));
    }
    return out;
}

std::string SystemPortCatalogue::locationOf(const std::string& device) {
    return device;
}

void SystemPortCatalogue::noteHeld(const std::string& /*location*/, bool /*held*/) {}

bool SystemPortCatalogue::ready(const std::string& device) {
    // A new USB node gets its group's permissions a moment after it appears.
    const QFileInfo node(QString::fromStdString(device));
    return node.exists() && node.isReadable() && node.isWritable();
}

bool SystemPortCatalogue::exists(const std::string& device) const {
    // Follows links: a stable link whose device is gone does not count.
    return QFileInfo::exists(QString::fromStdString(device));
}

PortAccess SystemPortCatalogue::access(const std::string& device) const {
    if (!exists(device)) return PortAccess::Absent;
    if (::access(device.c_str(), R_OK | W_OK) != 0) return PortAccess::NoPermission;
    return lockedByAnother(QString::fromStdString(device)) ? PortAccess::Busy : PortAccess::Usable;
}

bool SystemPortCatalogue::lockedByAnother(const QString& device) const {
    QStringList names{lockName(device)};
    const QString target = QFileInfo(device).canonicalFilePath();
    if (!target.isEmpty() && target != device) names << lockName(target);
    for (const QString& folder : lockFolders_) {
        for (const QString& name : std::as_const(names)) {
            const LockOwner owner = lockOwner(folder + QLatin1Char('/') + name);
            if (owner.pid != ::getpid() && ownerAlive(owner)) return true;
        }
    }
    return false;
}

}  // namespace purlo
