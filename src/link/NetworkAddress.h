// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace purlo {

// How a serial device server carries the line.
enum class NetworkKind {
    Rfc2217,  // Telnet with the COM-PORT-OPTION: line settings set from here
    RawTcp,   // the bytes as they are; the line settings live on the server
};

// A probe behind a serial device server: "rfc2217://HOST:PORT" or
// "tcp://HOST:PORT" ("socket://" is another spelling of "tcp://"), the host a
// name, an IPv4 address or an IPv6 address in brackets.
struct NetworkAddress {
    NetworkKind kind = NetworkKind::Rfc2217;
    std::string host;  // without brackets
    std::uint16_t port = 0;

    // The address as the console writes it: "rfc2217://…" or "tcp://…",
    // brackets around an IPv6 host.
    std::string text() const;
    friend bool operator==(const NetworkAddress&, const NetworkAddress&) = default;
};

// Whether `device` names a network port (begins with one of the schemes,
// in any case), as opposed to a device file.
bool isNetworkAddress(std::string_view device);

// Reads a network port's address. Throws RuntimeError saying what is wrong
// (no scheme, no host, a port that is not 1 to 65535, an unclosed bracket).
NetworkAddress parseNetworkAddress(std::string_view text);

// The list of recently used network ports with `used` put first, duplicates
// (in any spelling) dropped and at most `keep` entries kept.
std::vector<std::string> rememberRecent(std::vector<std::string> recent, std::string_view used,
                                        std::size_t keep);

// The pause before the n-th (from 0) attempt to reach a server that went
// away: growing from kFirstReconnectPause, doubling, to kMaxReconnectPause.
inline constexpr std::chrono::milliseconds kFirstReconnectPause{250};
inline constexpr std::chrono::milliseconds kMaxReconnectPause{2000};
std::chrono::milliseconds reconnectPause(int attempt);

}  // namespace purlo
