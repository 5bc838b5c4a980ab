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

// `text` without the blanks (spaces, tabs, line ends) around it: an address
// pasted into PURLO_COMMn or a settings file often carries some.
std::string_view trimAddress(std::string_view text);

// Whether `device` names a network port, as opposed to a device file: it
// begins (blanks aside) with a scheme, "NAME://", or with the name of one of
// the known schemes and a colon, in any case. Whether it is a usable address
// is parseNetworkAddress's to say ("telnet://…" is a network port that
// cannot be used, not a file of that name).
bool isNetworkAddress(std::string_view device);

// Reads a network port's address, blanks around it aside. Throws RuntimeError
// saying what is wrong (an unknown scheme, no host, a port that is not 1 to
// 65535, an unclosed bracket).
NetworkAddress parseNetworkAddress(std::string_view text);

// The list of recently used network ports with `used` put first, duplicates
// (in any spelling) dropped and at most `keep` entries kept.
std::vector<std::string> rememberRecent(std::vector<std::string> recent, std::string_view used,
                                        std::size_t keep);

// The pause before the next attempt to reach a server that went away, after
// `failed` attempts since the probe was last heard: from kFirstReconnectPause,
// doubling, to kMaxReconnectPause; to kMaxDroppingPause when the server has
// `dropping` (it accepted a connection and ended it before the probe sent a
// byte: its device in use, another console taking it over, a relay whose far
// side is down), so that such a server is not hammered.
inline constexpr std::chrono::milliseconds kFirstReconnectPause{250};
inline constexpr std::chrono::milliseconds kMaxReconnectPause{2000};
inline constexpr std::chrono::milliseconds kMaxDroppingPause{60000};
std::chrono::milliseconds reconnectPause(int failed, bool dropping = false);

}  // namespace purlo
