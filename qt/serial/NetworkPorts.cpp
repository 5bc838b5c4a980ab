// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/NetworkPorts.h"

#include <QSettings>
#include <map>
#include <utility>

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

struct Server {
    std::string failure;
    int silentDrops = 0;
    bool rawOpened = false;
};

std::map<std::string, Server>& servers() {
    static std::map<std::string, Server> known;
    return known;
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
    const auto found = servers().find(key(address));
    if (found == servers().end()) return {};
    if (found->second.silentDrops >= kDropsTold) return std::string(kKeepsDropping);
    return found->second.failure;
}

void failed(const std::string& address, const std::string& reason) {
    servers()[key(address)].failure = reason;
}

void reached(const std::string& address) {
    servers()[key(address)].failure.clear();
}

void heard(const std::string& address) {
    servers()[key(address)].silentDrops = 0;
}

void droppedSilently(const std::string& address) {
    ++servers()[key(address)].silentDrops;
}

bool firstRawOpen(const std::string& address) {
    bool& opened = servers()[key(address)].rawOpened;
    return !std::exchange(opened, true);
}

int silentDrops(const std::string& address) {
    const auto found = servers().find(key(address));
    return found == servers().end() ? 0 : found->second.silentDrops;
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
