// SPDX-License-Identifier: GPL-3.0-or-later
#include "Measure.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace purlo::bench {

double wallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

long statusKb(std::string_view field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() > field.size() && line.compare(0, field.size(), field) == 0 &&
            line[field.size()] == ':') {
            return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
        }
    }
    return -1;
}

double median(std::vector<double> v) {
    return percentile(std::move(v), 50);
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return std::nan("");
    std::sort(v.begin(), v.end());
    // Nearest rank: the smallest sample with at least p percent at or below it.
    const auto rank =
        static_cast<std::size_t>(std::ceil(p / 100.0 * static_cast<double>(v.size())));
    return v[std::clamp<std::size_t>(rank, 1, v.size()) - 1];
}

double maximum(const std::vector<double>& v) {
    return v.empty() ? std::nan("") : *std::max_element(v.begin(), v.end());
}

void result(std::string_view key, double value, std::string_view unit) {
    std::printf("result %.*s %.6g %.*s\n", static_cast<int>(key.size()), key.data(), value,
                static_cast<int>(unit.size()), unit.data());
    std::fflush(stdout);
}

std::string loadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string first;
    in >> first;
    return first;
}

double Options::secondsOr(double normal, double quickValue) const {
    return seconds > 0 ? seconds : (quick ? quickValue : normal);
}
int Options::countOr(int normal, int quickValue) const {
    return count > 0 ? count : (quick ? quickValue : normal);
}
double Options::megabytesOr(double normal, double quickValue) const {
    return megabytes > 0 ? megabytes : (quick ? quickValue : normal);
}

std::string Options::key(std::string_view name) const {
    std::string k(name);
    if (monitor) k += "_monitor";
    return k;
}

Options parseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> double {
            if (i + 1 >= argc) throw std::invalid_argument(arg + " needs a value");
            return std::stod(argv[++i]);
        };
        if (arg == "--quick") {
            o.quick = true;
        } else if (arg == "--monitor") {
            o.monitor = true;
        } else if (arg == "--seconds") {
            o.seconds = value();
        } else if (arg == "--count") {
            o.count = static_cast<int>(value());
        } else if (arg == "--megabytes") {
            o.megabytes = value();
        } else {
            o.rest.push_back(arg);
        }
    }
    return o;
}

}  // namespace purlo::bench
