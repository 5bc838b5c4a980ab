// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include "link/PortCatalogue.h"

namespace purlo {

// The system's serial ports: QSerialPortInfo's list (udev), each with the
// link in /dev/serial/by-id that points at it, and what the device files say
// about opening them. Every call looks again.
class SystemPortCatalogue : public PortCatalogue {
  public:
    // `stableFolder` holds the stable links; `lockFolders` the lock files
    // serial programs leave while they hold a port ("LCK..ttyUSB0").
    explicit SystemPortCatalogue(QString stableFolder = QStringLiteral("/dev/serial/by-id"),
                                 QStringList lockFolders = {QStringLiteral("/var/lock"),
                                                            QStringLiteral("/run/lock"),
                                                            QStringLiteral("/tmp")});

    std::vector<PortInfo> ports() const override;
    bool exists(const std::string& device) const override;
    // Absent when there is no such device; no permission when this user may
    // not read and write it; busy when a live process other than this one
    // holds its lock file (a lock left by a program that ended does not count).
    PortAccess access(const std::string& device) const override;

    // The stable link that points at the device `location`; empty when none does.
    QString stablePathOf(const QString& location) const;

  private:
    bool lockedByAnother(const QString& device) const;

    QString stableFolder_;
    QStringList lockFolders_;
};

}  // namespace purlo
