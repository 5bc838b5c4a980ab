// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/NetworkAddress.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <utility>

#include "text/RuntimeError.h"

namespace purlo {

namespace {

struct Scheme {
    std::string_view prefix;
    NetworkKind kind;
};

constexpr std::array<Scheme, 3> kSchemes{{
    {"rfc2217://", NetworkKind::Rfc2217},
    {"tcp://", NetworkKind::RawTcp},
    {"socket://", NetworkKind::RawTcp},
}};

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    return std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
}

bool hostCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '.' || c == '-' || c == '_';
}

}  // namespace

std::string NetworkAddress::text() const {
    const bool v6 = host.find(':') != std::string::npos;
    return std::string(kind == NetworkKind::Rfc2217 ? "rfc2217://" : "tcp://") +
           (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::string_view trimAddress(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n\v\f";
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool isNetworkAddress(std::string_view device) {
    device = trimAddress(device);
    // RFC 3986's scheme: a letter, then letters, digits, '+', '-' and '.'.
    const auto end = std::find_if_not(device.begin(), device.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '+' || c == '-' || c == '.';
    });
    const auto length = static_cast<std::size_t>(end - device.begin());
    if (length == 0 || std::isalpha(static_cast<unsigned char>(device.front())) == 0) return false;
    const std::string_view rest = device.substr(length);
    if (rest.starts_with("://")) return true;
    // "rfc2217:/host:4002", a slash short: meant as an address all the same.
    return rest.starts_with(':') &&
           std::any_of(kSchemes.begin(), kSchemes.end(), [device, length](const Scheme& s) {
               return s.prefix.size() == length + 3 &&
                      startsWithNoCase(device, s.prefix.substr(0, length));
           });
}

NetworkAddress parseNetworkAddress(std::string_view text) {
    text = trimAddress(text);
    const std::string quoted = "\"" + std::string(text) + "\"";
    NetworkAddress a;
    std::string_view rest;
    const auto scheme = std::find_if(kSchemes.begin(), kSchemes.end(), [text](const Scheme& s) {
        return startsWithNoCase(text, s.prefix);
    });
    if (scheme == kSchemes.end())
        throw RuntimeError(quoted + ": not rfc2217://HOST:PORT or tcp://HOST:PORT");
    a.kind = scheme->kind;
    rest = text.substr(scheme->prefix.size());
    if (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);

    std::string_view portText;
    if (!rest.empty() && rest.front() == '[') {
        const auto close = rest.find(']');
        if (close == std::string_view::npos) throw RuntimeError(quoted + ": no closing bracket");
        a.host = std::string(rest.substr(1, close - 1));
        const auto afterHost = rest.substr(close + 1);
        if (afterHost.empty() || afterHost.front() != ':')
            throw RuntimeError(quoted + ": no port after the host");
        portText = afterHost.substr(1);
        // A zone ("%eth0") may follow the address.
        const std::string_view address = std::string_view(a.host).substr(0, a.host.find('%'));
        const bool hex = std::all_of(address.begin(), address.end(), [](char c) {
            return std::isxdigit(static_cast<unsigned char>(c)) != 0 || c == ':' || c == '.';
        });
        if (a.host.find(':') == std::string::npos || !hex)
            throw RuntimeError(quoted + ": not an IPv6 address in the brackets");
    } else {
        const auto colon = rest.rfind(':');
        if (colon == std::string_view::npos)
            throw RuntimeError(quoted + ": no port after the host");
        a.host = std::string(rest.substr(0, colon));
        portText = rest.substr(colon + 1);
        if (!std::all_of(a.host.begin(), a.host.end(), hostCharacter))
            throw RuntimeError(quoted + ": not a host name (IPv6 addresses go in brackets)");
    }
    if (a.host.empty()) throw RuntimeError(quoted + ": no host");
    unsigned port = 0;
    const auto* end = portText.data() + portText.size();
    const auto [ptr, ec] = std::from_chars(portText.data(), end, port);
    if (portText.empty() || ec != std::errc() || ptr != end || port < 1 || port > 65535)
        throw RuntimeError(quoted + ": the port is not a number from 1 to 65535");
    a.port = static_cast<std::uint16_t>(port);
    return a;
}

std::vector<std::string> rememberRecent(std::vector<std::string> recent, std::string_view used,
                                        std::size_t keep) {
    const auto same = [](std::string_view x, std::string_view y) {
        try {
            return parseNetworkAddress(x) == parseNetworkAddress(y);
        } catch (const RuntimeError&) {
            return x == y;
        }
    };
    std::erase_if(recent, [&](const std::string& r) { return same(r, used); });
    std::string first(used);
    try {
        first = parseNetworkAddress(used).text();
    } catch (const RuntimeError&) {
        // Kept as written: it is what was used.
    }
    recent.insert(recent.begin(), std::move(first));
    if (recent.size() > keep) recent.resize(keep);
    return recent;
}

std::chrono::milliseconds reconnectPause(int failed, bool dropping) {
    const std::chrono::milliseconds most = dropping ? kMaxDroppingPause : kMaxReconnectPause;
    std::chrono::milliseconds pause = kFirstReconnectPause;
    for (int i = 0; i < failed && pause < most; ++i) pause *= 2;
    return std::min(pause, most);
}

}  // namespace purlo
