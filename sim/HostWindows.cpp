// SPDX-License-Identifier: GPL-3.0-or-later
#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <array>
#include <atomic>
#include <stdexcept>
#include <system_error>

#include "sim/Host.h"

namespace purlo::sim {

namespace {

// The console control handler runs on a thread of its own: it notes what
// happened and sends one byte to the wait's own socket, which wakes select().
SOCKET wakeSocket = INVALID_SOCKET;
sockaddr_in wakeAddress{};
std::atomic<DWORD> controlEvent{CTRL_C_EVENT};

BOOL WINAPI onControl(DWORD event) {
    controlEvent = event;
    const char byte = 0;
    ::sendto(wakeSocket, &byte, 1, 0, reinterpret_cast<const sockaddr*>(&wakeAddress),
             sizeof wakeAddress);
    return TRUE;
}

std::string controlName(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT: return "Ctrl+C";
        case CTRL_BREAK_EVENT: return "Ctrl+Break";
        case CTRL_CLOSE_EVENT: return "the console window closing";
        case CTRL_LOGOFF_EVENT: return "logoff";
        case CTRL_SHUTDOWN_EVENT: return "shutdown";
        default: return {};
    }
}

std::runtime_error socketError(const std::string& what) {
    const int code = WSAGetLastError();
    return std::runtime_error(what + ": " + std::system_category().message(code) + " (" +
                              std::to_string(code) + ")");
}

}  // namespace

Host::Host() {
    WSADATA data{};
    if (const int code = WSAStartup(MAKEWORD(2, 2), &data); code != 0) {
        throw std::runtime_error("cannot start Winsock: " + std::to_string(code));
    }
    wakeSocket = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    wakeAddress.sin_family = AF_INET;
    wakeAddress.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof wakeAddress;
    if (wakeSocket == INVALID_SOCKET ||
        ::bind(wakeSocket, reinterpret_cast<sockaddr*>(&wakeAddress), length) != 0 ||
        ::getsockname(wakeSocket, reinterpret_cast<sockaddr*>(&wakeAddress), &length) != 0) {
        const std::runtime_error e = socketError("cannot make the wait's socket");
        if (wakeSocket != INVALID_SOCKET) ::closesocket(wakeSocket);
        WSACleanup();
        throw e;
    }
    wake_ = static_cast<Link::Descriptor>(wakeSocket);
    SetConsoleCtrlHandler(onControl, TRUE);
}

Host::~Host() {
    SetConsoleCtrlHandler(onControl, FALSE);
    ::closesocket(wakeSocket);
    wakeSocket = INVALID_SOCKET;
    WSACleanup();
}

bool Host::hasPty() {
    return false;
}

std::string Host::name() const {
    std::array<char, 256> host{};
    if (gethostname(host.data(), static_cast<int>(host.size()) - 1) != 0 || host[0] == '\0') {
        return "localhost";
    }
    return host.data();
}

std::unique_ptr<Link> Host::openPty(const SimSettings&, std::string&) const {
    throw std::runtime_error(
        "Windows has no pseudo-terminals: serve the probe over TCP with --tcp PORT");
}

Wakeup Host::wait(const Link& link, int timeoutMs) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(wakeSocket, &readable);
    const auto data = static_cast<SOCKET>(link.dataFd());
    const auto accept = static_cast<SOCKET>(link.acceptFd());
    if (link.dataFd() >= 0) FD_SET(data, &readable);
    if (link.acceptFd() >= 0) FD_SET(accept, &readable);
    timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    Wakeup w;
    if (::select(0, &readable, nullptr, nullptr, &timeout) == SOCKET_ERROR) {
        throw socketError("select");
    }
    if (FD_ISSET(wakeSocket, &readable)) {
        char byte = 0;
        ::recv(wakeSocket, &byte, 1, 0);
        w.stop = true;
        w.stopCause = controlName(controlEvent);
    }
    // A PC that left shows as readable: the read learns it.
    w.data = link.dataFd() >= 0 && FD_ISSET(data, &readable);
    w.arrival = link.acceptFd() >= 0 && FD_ISSET(accept, &readable);
    return w;
}

}  // namespace purlo::sim
