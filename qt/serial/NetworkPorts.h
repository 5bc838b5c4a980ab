// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractSocket>
#include <string>
#include <vector>

namespace purlo::NetworkPorts {

// How many network ports "Port for Comm n" lists.
inline constexpr std::size_t kRecentKept = 5;

// The network ports used lately, newest first, per user
// (~/.config/purlo/ports.conf, beside the bindings).
std::vector<std::string> recent();
// `address` was bound or opened: it goes first.
void used(const std::string& address);

// Why the last attempt to reach `address` failed in this run ("refused",
// "no route", "name not found", "timed out", …); empty once it was reached.
std::string failure(const std::string& address);
void failed(const std::string& address, const std::string& reason);
void reached(const std::string& address);

// The words for why a connection could not be made or was lost.
std::string reason(QAbstractSocket::SocketError error, const QString& errorString);

}  // namespace purlo::NetworkPorts
