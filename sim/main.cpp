// SPDX-License-Identifier: GPL-3.0-or-later
// purlo-probe-sim: a simulated Purlo level probe on a pseudo-terminal or a
// TCP port.
#include <sys/signalfd.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "purlo/Version.h"
#include "sim/PtyLink.h"
#include "sim/SimOptions.h"
#include "sim/Simulator.h"
#include "sim/TcpLink.h"
#include "sim/TrafficLog.h"

int main(int argc, char** argv) {
    using namespace purlo::sim;
    SimSettings settings;
    try {
        settings = parseArguments(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& e) {
        std::fprintf(stderr, "purlo-probe-sim: %s\n\n%s", e.what(), usageText().c_str());
        return 2;
    }
    if (settings.help) {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }
    if (settings.version) {
        std::fputs(purlo::versionText("purlo-probe-sim").c_str(), stdout);
        return 0;
    }

    // Signals arrive through a descriptor, so the poll loop handles them like
    // any other event and the link is removed on the way out.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    const int signalFd = signalfd(-1, &signals, SFD_CLOEXEC);
    if (signalFd < 0) {
        std::perror("purlo-probe-sim: signalfd");
        return 1;
    }

    try {
        TrafficLog log = settings.log.empty() ? TrafficLog() : TrafficLog(settings.log);
        std::unique_ptr<Link> link;
        std::string address;  // what the console is pointed at
        if (settings.tcpPort >= 0) {
            auto tcp = std::make_unique<TcpLink>(settings.tcpPort);
            char host[256] = "localhost";
            if (gethostname(host, sizeof host - 1) != 0 || host[0] == '\0') {
                std::snprintf(host, sizeof host, "localhost");
            }
            address = "tcp://" + std::string(host) + ":" + std::to_string(tcp->port());
            link = std::move(tcp);
        } else {
            auto pty = std::make_unique<PtyLink>(settings.probe.initialBaud);
            if (!settings.link.empty()) pty->linkAt(settings.link);
            address = settings.link.empty() ? pty->slaveName() : settings.link.string();
            link = std::move(pty);
        }
        Simulator simulator(settings, *link, log);

        // stdout carries only the address, so a script can read it and go on.
        std::printf("%s\n", address.c_str());
        std::fflush(stdout);
        std::fprintf(stderr, "purlo-probe-sim: probe on %s%s; Ctrl+C ends it\n",
                     link->name().c_str(), settings.fast ? " (no pacing)" : "");
        return simulator.run(signalFd);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "purlo-probe-sim: %s\n", e.what());
        return 1;
    }
}
