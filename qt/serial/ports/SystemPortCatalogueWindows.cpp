// SPDX-License-Identifier: GPL-3.0-or-later
#include <windows.h>
// After windows.h, which it needs.
#include <setupapi.h>

#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QString>
#include <algorithm>
#include <set>
#include <utility>

#include "serial/ports/SystemPortCatalogue.h"

namespace purlo {

namespace {

// The COM ports this program holds open.
QMutex heldMutex;
std::set<std::string>& heldPorts() {
    static std::set<std::string> ports;
    return ports;
}

QString upper(const std::string& text) {
    return QString::fromStdString(text).toUpper();
}

// "\\.\COM5" and "com5" are COM5.
QString portName(const std::string& device) {
    QString name = upper(device);
    if (name.startsWith(QLatin1String("\\\\.\\"))) name = name.mid(4);
    return name;
}

// The COM ports the system has now: the values of HARDWARE\DEVICEMAP\SERIALCOMM.
std::vector<QString> serialComm() {
    std::vector<QString> out;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS)
        return out;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        wchar_t data[256];
        DWORD nameLength = 256;
        DWORD dataBytes = sizeof data;
        DWORD type = 0;
        const LONG r = RegEnumValueW(key, i, name, &nameLength, nullptr, &type,
                                     reinterpret_cast<BYTE*>(data), &dataBytes);
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r != ERROR_SUCCESS || type != REG_SZ) continue;
        QString port = QString::fromWCharArray(data, static_cast<int>(dataBytes / sizeof(wchar_t)));
        port = port.left(port.indexOf(QChar(0)) < 0 ? port.size() : port.indexOf(QChar(0)));
        if (!port.isEmpty()) out.push_back(port.toUpper());
    }
    RegCloseKey(key);
    std::sort(out.begin(), out.end(), [](const QString& a, const QString& b) {
        // COM2 before COM10.
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

QString property(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD which) {
    wchar_t text[512];
    DWORD type = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(set, &device, which, &type,
                                           reinterpret_cast<BYTE*>(text),
                                           sizeof text - sizeof(wchar_t), nullptr))
        return {};
    text[511] = 0;
    return QString::fromWCharArray(text);
}

// What the SetupAPI knows about a COM port's adapter.
struct Adapter {
    QString instanceId;  // "USB\VID_0403&PID_6001\A50285BI"
    QString description;
    QString manufacturer;
};

// The adapters of the present COM ports, by port name: the Ports device
// class and the COM port interface (where a driver registers only that).
std::vector<std::pair<QString, Adapter>> adapters() {
    static const GUID kPortsClass = {
        0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
    static const GUID kComPortInterface = {
        0x86e0d1e0, 0x8089, 0x11d0, {0x9c, 0xe4, 0x08, 0x00, 0x3e, 0x30, 0x1f, 0x73}};
    std::vector<std::pair<QString, Adapter>> out;
    const std::pair<const GUID*, DWORD> kinds[] = {
        {&kPortsClass, DIGCF_PRESENT}, {&kComPortInterface, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE}};
    for (const auto& [guid, flags] : kinds) {
        HDEVINFO set = SetupDiGetClassDevsW(guid, nullptr, nullptr, flags);
        if (set == INVALID_HANDLE_VALUE) continue;
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
            HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
            if (key == INVALID_HANDLE_VALUE) continue;
            wchar_t name[64] = {};
            DWORD bytes = sizeof name - sizeof(wchar_t);
            DWORD type = 0;
            const bool named =
                RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name),
                                 &bytes) == ERROR_SUCCESS &&
                type == REG_SZ;
            RegCloseKey(key);
            if (!named) continue;
            const QString port = QString::fromWCharArray(name).toUpper();
            if (std::any_of(out.begin(), out.end(), [&](const auto& a) { return a.first == port; }))
                continue;
            Adapter adapter;
            wchar_t id[512] = {};
            if (SetupDiGetDeviceInstanceIdW(set, &device, id, 511, nullptr))
                adapter.instanceId = QString::fromWCharArray(id);
            adapter.description = property(set, device, SPDRP_DEVICEDESC);
            adapter.manufacturer = property(set, device, SPDRP_MFG);
            out.emplace_back(port, std::move(adapter));
        }
        SetupDiDestroyDeviceInfoList(set);
    }
    return out;
}

// A USB adapter's instance id names the bus, its ids and, when the adapter
// has one, its serial number; without one the last part is a place on the
// bus ("5&2b3e1a&0&2"), which is no serial number.
void describeInstance(const QString& instanceId, PortInfo& p) {
    const QStringList parts = instanceId.split(QLatin1Char('\\'));
    if (parts.size() != 3) return;
    static const QRegularExpression ids(QStringLiteral("VID_([0-9A-F]{4}).*PID_([0-9A-F]{4})"),
                                        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = ids.match(parts[1]);
    if (m.hasMatch()) {
        p.vendorId = static_cast<std::uint16_t>(m.captured(1).toUInt(nullptr, 16));
        p.productId = static_cast<std::uint16_t>(m.captured(2).toUInt(nullptr, 16));
    }
    if (!parts[2].contains(QLatin1Char('&'))) p.serialNumber = parts[2].toStdString();
    // Only a USB adapter's id stays the same on another socket or after a reboot.
    if (parts[0].compare(QLatin1String("USB"), Qt::CaseInsensitive) == 0 ||
        parts[0].compare(QLatin1String("FTDIBUS"), Qt::CaseInsensitive) == 0)
        p.stablePath = instanceId.toStdString();
}

bool listed(const QString& port) {
    const std::vector<QString> ports = serialComm();
    return std::find(ports.begin(), ports.end(), port) != ports.end();
}

}  // namespace

SystemPortCatalogue::SystemPortCatalogue(QString stableFolder, QStringList lockFolders)
    : stableFolder_(std::move(stableFolder)), lockFolders_(std::move(lockFolders)) {}

QString SystemPortCatalogue::stablePathOf(const QString& location) const {
    const QString port = portName(location.toStdString());
    for (const auto& [name, adapter] : adapters()) {
        if (name != port) continue;
        PortInfo p;
        describeInstance(adapter.instanceId, p);
        return QString::fromStdString(p.stablePath);
    }
    return {};
}

std::vector<PortInfo> SystemPortCatalogue::ports() const {
    const std::vector<std::pair<QString, Adapter>> known = adapters();
    std::vector<PortInfo> out;
    for (const QString& port : serialComm()) {
        PortInfo p;
        p.location = port.toStdString();
        const auto a = std::find_if(known.begin(), known.end(),
                                    [&port](const auto& k) { return k.first == port; });
        if (a != known.end()) {
            p.description = a->second.description.toStdString();
            p.manufacturer = a->second.manufacturer.toStdString();
            describeInstance(a->second.instanceId, p);
        }
        out.push_back(std::move(p));
    }
    return out;
}

std::string SystemPortCatalogue::locationOf(const std::string& device) {
    const QString wanted = upper(device);
    if (!wanted.contains(QLatin1Char('\\')) || wanted.startsWith(QLatin1String("\\\\.\\")))
        return device;
    for (const auto& [port, adapter] : adapters()) {
        if (adapter.instanceId.toUpper() == wanted) return port.toStdString();
    }
    return device;
}

bool SystemPortCatalogue::exists(const std::string& device) const {
    return listed(portName(locationOf(device)));
}

bool SystemPortCatalogue::ready(const std::string& device) {
    return listed(portName(locationOf(device)));
}

void SystemPortCatalogue::noteHeld(const std::string& location, bool held) {
    const QMutexLocker lock(&heldMutex);
    if (held) {
        heldPorts().insert(portName(location).toStdString());
    } else {
        heldPorts().erase(portName(location).toStdString());
    }
}

PortAccess SystemPortCatalogue::access(const std::string& device) const {
    const QString port = portName(locationOf(device));
    {
        const QMutexLocker lock(&heldMutex);
        if (heldPorts().count(port.toStdString()) > 0) return PortAccess::Usable;
    }
    // A COM port is opened by one program at a time: the open says whether
    // another holds it.
    const std::wstring path = (QStringLiteral("\\\\.\\") + port).toStdWString();
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return PortAccess::Usable;
    }
    switch (GetLastError()) {
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION: return PortAccess::Busy;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return listed(port) ? PortAccess::Usable : PortAccess::Absent;
        default: return listed(port) ? PortAccess::Usable : PortAccess::Absent;
    }
}

bool SystemPortCatalogue::lockedByAnother(const QString& /*device*/) const {
    return false;
}

}  // namespace purlo
