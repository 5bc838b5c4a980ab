// SPDX-License-Identifier: GPL-3.0-or-later
// purlo-probe-sim: a simulated Purlo level probe on a pseudo-terminal or a
// TCP port (on Windows, TCP only).
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "purlo/Version.h"
#include "sim/Host.h"
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
        std::fprintf(stderr, "purlo-probe-sim: %s\n\n%s", e.what(),
                     usageText(Host::hasPty()).c_str());
        return 2;
    }
    if (settings.help) {
        std::fputs(usageText(Host::hasPty()).c_str(), stdout);
        return 0;
    }
    if (settings.version) {
        std::fputs(purlo::versionText("purlo-probe-sim").c_str(), stdout);
        return 0;
    }

    try {
        Host host;
        TrafficLog log = settings.log.empty() ? TrafficLog() : TrafficLog(settings.log);
        std::unique_ptr<Link> link;
        std::string address;  // what the console is pointed at
        if (settings.tcpPort >= 0) {
            auto tcp = std::make_unique<TcpLink>(settings.tcpPort);
            address = "tcp://" + host.name() + ":" + std::to_string(tcp->port());
            link = std::move(tcp);
        } else {
            link = host.openPty(settings, address);
        }
        Simulator simulator(settings, *link, log);

        // stdout carries only the address, so a script can read it and go on.
        std::printf("%s\n", address.c_str());
        std::fflush(stdout);
        std::fprintf(stderr, "purlo-probe-sim: probe on %s%s; Ctrl+C ends it\n",
                     link->name().c_str(), settings.fast ? " (no pacing)" : "");
        return simulator.run(host);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "purlo-probe-sim: %s\n", e.what());
        return 1;
    }
}
