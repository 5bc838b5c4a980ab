// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include "link/PortCatalogue.h"

namespace purlo {

// The system's serial ports: QSerialPortInfo's list (udev), each with the
// link in /dev/serial/by-id that points at it, and what the device files say
// about opening them. Every call looks again.
//
// On Windows (one .cpp a system, chosen by the build) the ports are the COM
// ports of HARDWARE\DEVICEMAP\SERIALCOMM, with what the SetupAPI says about
// their adapters; an adapter's stable name is its device instance id
// ("USB\VID_0403&PID_6001\A50285BI", with the adapter's serial number), and
// a port is busy when another program holds it open. The folders below are
// not used there.
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

    // The device to open for `device`, a stable name or a device: on Windows
    // the COM port an adapter's instance id has now (itself when none has
    // it); elsewhere `device` itself, whose links the system follows.
    static std::string locationOf(const std::string& device);
    // Whether `device` is there and this user may open it: what a watcher of
    // a lost port waits for.
    static bool ready(const std::string& device);
    // This program holds the port `location` open (or no longer): it does
    // not count as busy. Only Windows needs telling; elsewhere the lock
    // files name the program.
    static void noteHeld(const std::string& location, bool held);

  private:
    bool lockedByAnother(const QString& device) const;

    QString stableFolder_;
    QStringList lockFolders_;
};

}  // namespace purlo
