// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/NetworkPorts.h"

#include <QSettings>
#include <map>

#include "link/NetworkAddress.h"
#include "text/RuntimeError.h"

namespace purlo::NetworkPorts {

namespace {

QSettings store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("purlo"),
                     QStringLiteral("ports"));
}

const QString kRecentKey = QStringLiteral("network/recent");

// One spelling per address, so "socket://" and "tcp://" share a note.
std::string key(const std::string& address) {
    try {
        return parseNetworkAddress(address).text();
    } catch (const RuntimeError&) {
        return address;
    }
}

std::map<std::string, std::string>& failures() {
    static std::map<std::string, std::string> notes;
    return notes;
}

}  // namespace

std::vector<std::string> recent() {
    std::vector<std::string> out;
    for (const QString& a : store().value(kRecentKey).toStringList()) {
        if (isNetworkAddress(a.toStdString())) out.push_back(a.toStdString());
    }
    return out;
}

void used(const std::string& address) {
    QStringList list;
    for (const std::string& a : rememberRecent(recent(), address, kRecentKept))
        list << QString::fromStdString(a);
    QSettings s = store();
    s.setValue(kRecentKey, list);
}

std::string failure(const std::string& address) {
    const auto found = failures().find(key(address));
    return found == failures().end() ? std::string() : found->second;
}

void failed(const std::string& address, const std::string& reason) {
    failures()[key(address)] = reason;
}

void reached(const std::string& address) {
    failures().erase(key(address));
}

std::string reason(QAbstractSocket::SocketError error, const QString& errorString) {
    switch (error) {
        case QAbstractSocket::ConnectionRefusedError: return "refused";
        case QAbstractSocket::HostNotFoundError: return "name not found";
        case QAbstractSocket::SocketTimeoutError: return "timed out";
        case QAbstractSocket::NetworkError:
            // Qt reports an unreachable host or network, and a connection
            // timed out by keep-alive, as a network error.
            if (errorString.contains(QStringLiteral("unreachable"), Qt::CaseInsensitive))
                return "no route";
            if (errorString.contains(QStringLiteral("timed out"), Qt::CaseInsensitive))
                return "timed out";
            break;
        case QAbstractSocket::RemoteHostClosedError: return "closed by the server";
        default: break;
    }
    return errorString.toStdString();
}

}  // namespace purlo::NetworkPorts
