// SPDX-License-Identifier: GPL-3.0-or-later
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>

#include "sim/Host.h"
#include "sim/PtyLink.h"

namespace purlo::sim {

// Signals arrive through a descriptor, so the poll loop handles them like any
// other event and the link is removed on the way out.
Host::Host() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    wake_ = signalfd(-1, &signals, SFD_CLOEXEC);
    if (wake_ < 0) throw std::runtime_error(std::string("signalfd: ") + std::strerror(errno));
}

Host::~Host() {
    ::close(static_cast<int>(wake_));
}

bool Host::hasPty() {
    return true;
}

std::string Host::name() const {
    std::array<char, 256> host{};
    if (gethostname(host.data(), host.size() - 1) != 0 || host[0] == '\0') return "localhost";
    return host.data();
}

std::unique_ptr<Link> Host::openPty(const SimSettings& settings, std::string& address) const {
    auto pty = std::make_unique<PtyLink>(settings.probe.initialBaud);
    if (!settings.link.empty()) pty->linkAt(settings.link);
    address = settings.link.empty() ? pty->slaveName() : settings.link.string();
    return pty;
}

Wakeup Host::wait(const Link& link, int timeoutMs) {
    std::array<pollfd, 3> fds = {{{static_cast<int>(link.dataFd()), POLLIN, 0},
                                  {static_cast<int>(wake_), POLLIN, 0},
                                  {static_cast<int>(link.acceptFd()), POLLIN, 0}}};
    Wakeup w;
    if (poll(fds.data(), fds.size(), timeoutMs) < 0) {
        if (errno == EINTR) return w;
        throw std::runtime_error(std::string("poll: ") + std::strerror(errno));
    }
    if (fds[1].revents & POLLIN) {
        w.stop = true;
        signalfd_siginfo info{};
        if (read(static_cast<int>(wake_), &info, sizeof info) > 0) {
            w.stopCause = strsignal(static_cast<int>(info.ssi_signo));
        }
    }
    w.linkFailed = link.failed(fds[0].revents);
    // A PC that left shows as a hang-up: the read learns it.
    w.data = (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
    w.arrival = (fds[2].revents & POLLIN) != 0;
    return w;
}

}  // namespace purlo::sim
