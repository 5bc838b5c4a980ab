// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/VanishingRelay.h"

#include <arpa/inet.h>
#include <linux/filter.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace purlo::testsupport {

namespace {

sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    return a;
}

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// Copies what `from` has to `to`; false when `from` has ended.
bool pass(int from, int to) {
    std::array<char, 4096> buffer{};
    const ssize_t n = ::read(from, buffer.data(), buffer.size());
    if (n <= 0) return false;
    return ::send(to, buffer.data(), static_cast<std::size_t>(n), MSG_NOSIGNAL) == n;
}

}  // namespace

VanishingRelay::VanishingRelay(int target) : target_(target) {
    openListener();
    if (listener_ < 0) throw std::runtime_error("the relay cannot listen");
    thread_ = std::thread([this] { run(); });
}

VanishingRelay::~VanishingRelay() {
    stop_ = true;
    thread_.join();
    closeFd(listener_);
    closeFd(client_);
    closeFd(upstream_);
    for (int& fd : silenced_) closeFd(fd);
}

void VanishingRelay::openListener() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a = loopback(port_);
    socklen_t length = sizeof a;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(listener_, 4) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &length) != 0) {
        closeFd(listener_);
        return;
    }
    port_ = ntohs(a.sin_port);
}

void VanishingRelay::vanish() {
    vanishWanted_ = true;
    while (vanishWanted_) std::this_thread::yield();
}

void VanishingRelay::comeBack() {
    comeBackWanted_ = true;
    while (comeBackWanted_) std::this_thread::yield();
}

void VanishingRelay::run() {
    while (!stop_) {
        if (vanishWanted_) {
            if (client_ >= 0) {
                // "ret #0": every segment for this socket is dropped before
                // TCP sees it, so none is acknowledged and none ends it.
                std::array<sock_filter, 1> dropAll{{BPF_STMT(BPF_RET | BPF_K, 0)}};
                const sock_fprog program{1, dropAll.data()};
                ::setsockopt(client_, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program);
                silenced_.push_back(client_);
                client_ = -1;
            }
            closeFd(upstream_);
            closeFd(listener_);
            vanishWanted_ = false;
        }
        if (comeBackWanted_) {
            if (listener_ < 0) openListener();
            comeBackWanted_ = false;
        }
        std::array<pollfd, 3> fds{
            {{listener_, POLLIN, 0}, {client_, POLLIN, 0}, {upstream_, POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), 20) <= 0) continue;
        if ((fds[0].revents & POLLIN) != 0) {
            const int fd = ::accept(listener_, nullptr, nullptr);
            if (fd >= 0) {
                closeFd(client_);
                closeFd(upstream_);
                client_ = fd;
                upstream_ = ::socket(AF_INET, SOCK_STREAM, 0);
                const sockaddr_in a = loopback(target_);
                if (::connect(upstream_, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
                    closeFd(client_);
                    closeFd(upstream_);
                }
            }
            continue;
        }
        const bool ended = (fds[1].revents != 0 && !pass(client_, upstream_)) ||
                           (fds[2].revents != 0 && !pass(upstream_, client_));
        if (ended) {
            closeFd(client_);
            closeFd(upstream_);
        }
    }
}

ConnectionTo connectionTo(int port) {
    // sl local remote st tx:rx tr:when retrnsmt uid timeout(probes) inode ...
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::array<char, 32> remote{};
    std::snprintf(remote.data(), remote.size(), "0100007F:%04X", port);
    ConnectionTo found;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, rem, state, queues, timer, retransmits, uid, probes;
        fields >> slot >> local >> rem >> state >> queues >> timer >> retransmits >> uid >> probes;
        if (rem != remote.data() || state != "01") continue;
        found.established = true;
        found.unanswered = std::stoi(retransmits, nullptr, 16) + std::stoi(probes);
    }
    return found;
}

}  // namespace purlo::testsupport
