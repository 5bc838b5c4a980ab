// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/TrafficLog.h"

#include <array>
#include <cstdio>
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

TrafficLog::TrafficLog(const std::filesystem::path& file) {
    std::error_code ec;
    file_ = platform::File::open(file, platform::OpenMode::Truncate, ec);
    if (ec) throw std::runtime_error("cannot create log " + file.string() + ": " + ec.message());
    const std::time_t now = std::time(nullptr);
    std::array<char, 64> stamp{};
    std::strftime(stamp.data(), stamp.size(), "%Y-%m-%d %H:%M:%S", std::localtime(&now));
    file_.write(std::string("# purlo-probe-sim traffic log, started ") + stamp.data() +
                    "; seconds since start\n",
                ec);
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

// Each entry goes to the file as it happens (no buffer), so `tail -f` follows
// the line; a failed write loses that entry only.
void TrafficLog::write(double seconds, std::string_view direction, std::string_view text) {
    if (!file_.isOpen()) return;
    std::array<char, 32> head{};
    std::snprintf(head.data(), head.size(), "%10.3f  %-11.*s  ", seconds,
                  static_cast<int>(direction.size()), direction.data());
    std::string line = head.data();
    line.append(text);
    line += '\n';
    std::error_code ignored;
    file_.write(line, ignored);
}

}  // namespace purlo::sim
