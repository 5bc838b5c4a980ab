// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/TrafficLog.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <stdexcept>

namespace purlo::sim {

std::string escaped(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (u >= 0x20 && u < 0x7f) {
            out += c;
        } else {
            std::array<char, 8> hex{};
            std::snprintf(hex.data(), hex.size(), "\\x%02X", u);
            out += hex.data();
        }
    }
    return out;
}

TrafficLog::TrafficLog(const std::filesystem::path& file) : file_(std::fopen(file.c_str(), "w")) {
    if (!file_) {
        throw std::runtime_error("cannot create log " + file.string() + ": " +
                                 std::strerror(errno));
    }
    const std::time_t now = std::time(nullptr);
    std::array<char, 64> stamp{};
    std::strftime(stamp.data(), stamp.size(), "%Y-%m-%d %H:%M:%S", std::localtime(&now));
    std::fprintf(file_, "# purlo-probe-sim traffic log, started %s; seconds since start\n",
                 stamp.data());
    std::fflush(file_);
}

TrafficLog::~TrafficLog() {
    if (file_) std::fclose(file_);
}

void TrafficLog::fromPc(double seconds, std::string_view bytes) {
    write(seconds, "PC -> probe", "\"" + escaped(bytes) + "\"");
}

void TrafficLog::toPc(double seconds, std::string_view message) {
    if (!message.empty() && message.front() == '=') {
        std::string text = "echo record \"=\" + " + std::to_string(message.size() - 1) + " bytes:";
        for (std::size_t i = 1; i < message.size(); ++i) {
            std::array<char, 8> hex{};
            std::snprintf(hex.data(), hex.size(), " %02X", static_cast<unsigned char>(message[i]));
            text += hex.data();
        }
        write(seconds, "probe -> PC", text);
        return;
    }
    write(seconds, "probe -> PC", "\"" + escaped(message) + "\"");
}

void TrafficLog::note(double seconds, std::string_view text) {
    write(seconds, "note", text);
}

void TrafficLog::write(double seconds, std::string_view direction, std::string_view text) {
    if (!file_) return;
    std::fprintf(file_, "%10.3f  %-11.*s  %.*s\n", seconds, static_cast<int>(direction.size()),
                 direction.data(), static_cast<int>(text.size()), text.data());
    std::fflush(file_);
}

}  // namespace purlo::sim
