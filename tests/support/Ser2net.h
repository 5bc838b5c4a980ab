// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Debian's ser2net on 127.0.0.1 in front of a serial device (the simulator's
// pseudo-terminal), raw TCP or RFC 2217, on a port that was free when the
// fixture was made. No test framework in here; the tests and the benchmarks
// share it.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "support/SimProcess.h"

namespace purlo::testsupport {

// A TCP port on 127.0.0.1 nobody listens on now (the system's choice).
inline int freeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
                    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) == 0;
    ::close(fd);
    return ok ? ntohs(a.sin_port) : 0;
}

// Whether something listens on 127.0.0.1:`port`, read from /proc/net/tcp: a
// test connection would make ser2net open its device.
inline bool listening(int port) {
    std::ifstream table("/proc/net/tcp");
    std::string line;
    char wanted[32];
    std::snprintf(wanted, sizeof wanted, "0100007F:%04X", port);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        if (local == wanted && state == "0A") return true;
    }
    return false;
}

// One ser2net with one port. Two ports on one device in one ser2net would
// keep each other out for a while after a connection ends ("Port's device
// already in use"), so each kind gets a server of its own.
class Ser2net {
  public:
    enum class Kind { RawTcp, Rfc2217 };

    // `device`: the serial device the port leads to, at `lineSettings`
    // ("9600n81") until a client sets others.
    Ser2net(const std::filesystem::path& folder, const std::filesystem::path& device, Kind kind,
            const std::string& lineSettings = "9600n81")
        : kind_(kind), port_(freeLoopbackPort()) {
        const bool raw = kind == Kind::RawTcp;
        config_ = folder / (raw ? "ser2net-raw.yaml" : "ser2net-rfc2217.yaml");
        std::ofstream(config_) << "%YAML 1.1\n---\n"
                               << "connection: &probe\n"
                               << "  accepter: " << (raw ? "" : "telnet(rfc2217),")
                               << "tcp,127.0.0.1," << port_ << "\n"
                               << "  connector: serialdev," << device.string() << ","
                               << lineSettings << ",local\n"
                               << "  options:\n    kickolduser: true\n";
    }

    // Starts it; true once its port listens (within 5 s).
    bool start() {
        process_.reset();
        process_.emplace("/usr/sbin/ser2net",
                         std::vector<std::string>{"-d", "-u", "-c", config_.string()});
        for (int i = 0; i < 250; ++i) {
            if (listening(port_)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    // Ends it at once, as a server switched off does.
    void kill() {
        if (process_) process_->stop(SIGKILL);
        process_.reset();
    }

    int port() const { return port_; }
    std::string address() const {
        return (kind_ == Kind::RawTcp ? "tcp://127.0.0.1:" : "rfc2217://127.0.0.1:") +
               std::to_string(port_);
    }

  private:
    Kind kind_;
    int port_;
    std::filesystem::path config_;
    std::optional<SimProcess> process_;
};

}  // namespace purlo::testsupport
