// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/TcpLink.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace purlo::sim {

namespace {

std::runtime_error failure(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

// IPv6 with IPv4 mapped onto it where the system has IPv6; IPv4 alone otherwise.
int listenOn(int port, int& family) {
    for (const int f : {AF_INET6, AF_INET}) {
        const int fd = ::socket(f, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) continue;
        const int yes = 1;
        const int no = 0;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_storage address{};
        socklen_t length = 0;
        if (f == AF_INET6) {
            ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &no, sizeof no);
            auto& a = reinterpret_cast<sockaddr_in6&>(address);
            a.sin6_family = AF_INET6;
            a.sin6_addr = in6addr_any;
            a.sin6_port = htons(static_cast<std::uint16_t>(port));
            length = sizeof a;
        } else {
            auto& a = reinterpret_cast<sockaddr_in&>(address);
            a.sin_family = AF_INET;
            a.sin_addr.s_addr = htonl(INADDR_ANY);
            a.sin_port = htons(static_cast<std::uint16_t>(port));
            length = sizeof a;
        }
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
            ::listen(fd, 4) == 0) {
            family = f;
            return fd;
        }
        const int error = errno;
        ::close(fd);
        errno = error;
        if (error == EADDRINUSE || error == EACCES) break;  // IPv4 would fail alike
    }
    return -1;
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
    listener_ = listenOn(port, family);
    if (listener_ < 0) throw failure("cannot listen on TCP port " + std::to_string(port));
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    if (::getsockname(listener_, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        const std::runtime_error e = failure("cannot read the TCP port");
        ::close(listener_);
        throw e;
    }
    port_ = ntohs(family == AF_INET6 ? reinterpret_cast<sockaddr_in6&>(bound).sin6_port
                                     : reinterpret_cast<sockaddr_in&>(bound).sin_port);
}

TcpLink::~TcpLink() {
    if (client_ >= 0) ::close(client_);
    ::close(listener_);
}

std::string TcpLink::name() const {
    return "TCP port " + std::to_string(port_);
}

void TcpLink::acceptPending() {
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    const int fd = ::accept4(listener_, reinterpret_cast<sockaddr*>(&peer), &length,
                             SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;  // gone again before we looked
    if (client_ >= 0) {
        ::close(fd);
        note("a PC at " + peerOf(peer) + " turned away: another one is connected");
        return;
    }
    const int yes = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    client_ = fd;
    note("PC connected from " + peerOf(peer));
}

void TcpLink::dropClient(const std::string& why) {
    ::close(client_);
    client_ = -1;
    note("PC " + why);
}

std::size_t TcpLink::read(char* buffer, std::size_t size) {
    if (client_ < 0) return 0;
    const ssize_t n = ::recv(client_, buffer, size, 0);
    if (n > 0) return static_cast<std::size_t>(n);
    if (n == 0) {
        dropClient("left");
    } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        dropClient(std::string("lost: ") + std::strerror(errno));
    }
    return 0;
}

std::size_t TcpLink::write(std::string_view bytes) {
    if (client_ < 0) return bytes.size();
    const ssize_t n = ::send(client_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        dropClient(std::string("lost: ") + std::strerror(errno));
        return bytes.size();
    }
    return 0;
}

}  // namespace purlo::sim
