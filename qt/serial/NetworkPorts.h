// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractSocket>
#include <string>
#include <string_view>
#include <vector>

namespace purlo::NetworkPorts {

// How many network ports "Port for Comm n" lists.
inline constexpr std::size_t kRecentKept = 5;

// The network ports used lately, newest first, per user
// (~/.config/purlo/ports.conf, beside the bindings).
std::vector<std::string> recent();
// `address` was bound or opened: it goes first.
void used(const std::string& address);

// What this run knows against `address`, as the chooser says it: that the
// server keeps dropping the connection (kDropsTold connections in a row ended
// before the probe sent a byte), else why the last attempt to reach it failed
// ("refused", "no route", "name not found", "timed out", …) or what was
// wrong with the connection made; empty when nothing is.
std::string failure(const std::string& address);
void failed(const std::string& address, const std::string& reason);
// A connection was made: the last failure is past.
void reached(const std::string& address);
// The probe sent something through `address`: the server does not drop.
void heard(const std::string& address);
// A connection to `address` ended before the probe sent a byte through it.
void droppedSilently(const std::string& address);
// The connections in a row that ended so, since the probe was last heard.
int silentDrops(const std::string& address);
// True the first time in this run that `address` is opened as raw TCP: the
// console says once that its line settings are the server's.
bool firstRawOpen(const std::string& address);
inline constexpr int kDropsTold = 3;
inline constexpr std::string_view kKeepsDropping = "the server keeps dropping the connection";

// The words for why a connection could not be made or was lost.
std::string reason(QAbstractSocket::SocketError error, const QString& errorString);

}  // namespace purlo::NetworkPorts
