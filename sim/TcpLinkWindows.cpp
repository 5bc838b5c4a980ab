// SPDX-License-Identifier: GPL-3.0-or-later
// The TCP link on Winsock; Host starts Winsock before one is made.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <stdexcept>
#include <system_error>

#include "sim/TcpLink.h"

namespace purlo::sim {

namespace {

std::string errorText(int code) {
    return std::system_category().message(code) + " (" + std::to_string(code) + ")";
}

std::runtime_error failure(const std::string& what) {
    return std::runtime_error(what + ": " + errorText(WSAGetLastError()));
}

SOCKET socketOf(Link::Descriptor d) {
    return static_cast<SOCKET>(d);
}

bool setNonBlocking(SOCKET s) {
    u_long yes = 1;
    return ::ioctlsocket(s, FIONBIO, &yes) == 0;
}

// IPv6 with IPv4 mapped onto it where the system has IPv6; IPv4 alone otherwise.
SOCKET listenOn(int port, int& family) {
    for (const int f : {AF_INET6, AF_INET}) {
        const SOCKET s = ::socket(f, SOCK_STREAM, IPPROTO_TCP);
        if (s == INVALID_SOCKET) continue;
        const DWORD no = 0;
        sockaddr_storage address{};
        int length = 0;
        if (f == AF_INET6) {
            ::setsockopt(s, IPPROTO_IPV6, IPV6_V6ONLY, reinterpret_cast<const char*>(&no),
                         sizeof no);
            auto& a = reinterpret_cast<sockaddr_in6&>(address);
            a.sin6_family = AF_INET6;
            a.sin6_addr = in6addr_any;
            a.sin6_port = htons(static_cast<u_short>(port));
            length = sizeof a;
        } else {
            auto& a = reinterpret_cast<sockaddr_in&>(address);
            a.sin_family = AF_INET;
            a.sin_addr.s_addr = htonl(INADDR_ANY);
            a.sin_port = htons(static_cast<u_short>(port));
            length = sizeof a;
        }
        if (::bind(s, reinterpret_cast<sockaddr*>(&address), length) == 0 && ::listen(s, 4) == 0 &&
            setNonBlocking(s)) {
            family = f;
            return s;
        }
        const int error = WSAGetLastError();
        ::closesocket(s);
        WSASetLastError(error);
        if (error == WSAEADDRINUSE || error == WSAEACCES) break;  // IPv4 would fail alike
    }
    return INVALID_SOCKET;
}

std::string peerOf(const sockaddr_storage& a) {
    char text[INET6_ADDRSTRLEN] = "?";
    if (a.ss_family == AF_INET6) {
        ::inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(a).sin6_addr, text,
                    sizeof text);
    } else if (a.ss_family == AF_INET) {
        ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(a).sin_addr, text, sizeof text);
    }
    return text;
}

}  // namespace

TcpLink::TcpLink(int port) {
    int family = AF_INET;
    const SOCKET listener = listenOn(port, family);
    if (listener == INVALID_SOCKET) {
        throw failure("cannot listen on TCP port " + std::to_string(port));
    }
    listener_ = static_cast<Descriptor>(listener);
    sockaddr_storage bound{};
    int length = sizeof bound;
    if (::getsockname(listener, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        const std::runtime_error e = failure("cannot read the TCP port");
        ::closesocket(listener);
        throw e;
    }
    port_ = ntohs(family == AF_INET6 ? reinterpret_cast<sockaddr_in6&>(bound).sin6_port
                                     : reinterpret_cast<sockaddr_in&>(bound).sin_port);
}

TcpLink::~TcpLink() {
    if (client_ >= 0) ::closesocket(socketOf(client_));
    ::closesocket(socketOf(listener_));
}

std::string TcpLink::name() const {
    return "TCP port " + std::to_string(port_);
}

void TcpLink::acceptPending() {
    sockaddr_storage peer{};
    int length = sizeof peer;
    const SOCKET s = ::accept(socketOf(listener_), reinterpret_cast<sockaddr*>(&peer), &length);
    if (s == INVALID_SOCKET) return;  // gone again before we looked
    if (client_ >= 0) {
        ::closesocket(s);
        note("a PC at " + peerOf(peer) + " turned away: another one is connected");
        return;
    }
    const BOOL yes = TRUE;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&yes), sizeof yes);
    setNonBlocking(s);
    client_ = static_cast<Descriptor>(s);
    note("PC connected from " + peerOf(peer));
}

void TcpLink::dropClient(const std::string& why) {
    ::closesocket(socketOf(client_));
    client_ = -1;
    note("PC " + why);
}

std::size_t TcpLink::read(char* buffer, std::size_t size) {
    if (client_ < 0) return 0;
    const int n = ::recv(socketOf(client_), buffer, static_cast<int>(size), 0);
    if (n > 0) return static_cast<std::size_t>(n);
    if (n == 0) {
        dropClient("left");
    } else if (const int error = WSAGetLastError(); error != WSAEWOULDBLOCK && error != WSAEINTR) {
        dropClient("lost: " + errorText(error));
    }
    return 0;
}

std::size_t TcpLink::write(std::string_view bytes) {
    if (client_ < 0) return bytes.size();
    const int n = ::send(socketOf(client_), bytes.data(), static_cast<int>(bytes.size()), 0);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (const int error = WSAGetLastError(); error != WSAEWOULDBLOCK && error != WSAEINTR) {
        dropClient("lost: " + errorText(error));
        return bytes.size();
    }
    return 0;
}

}  // namespace purlo::sim
