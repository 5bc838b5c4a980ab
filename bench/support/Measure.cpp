// SPDX-License-Identifier: GPL-3.0-or-later
#include "Measure.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

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

namespace {

[[noreturn]] void usage(const char* program, const std::string& error) {
    // A benchmark takes its first free argument as a file or program to use or
    // even to write: an option it does not know must never end up there.
    std::FILE* out = error.empty() ? stdout : stderr;
    if (!error.empty()) std::fprintf(out, "%s: %s\n", program, error.c_str());
    std::fprintf(out,
                 "usage: %s [--quick] [--monitor] [--seconds N] [--count N] [--megabytes N] "
                 "[FILE]\n",
                 program);
    std::exit(error.empty() ? 0 : 2);
}

}  // namespace

Options parseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> double {
            if (i + 1 >= argc) usage(argv[0], arg + " needs a value");
            const std::string_view text = argv[++i];
            double v = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
            if (error != std::errc{} || end != text.data() + text.size()) {
                usage(argv[0], arg + ": not a number: " + std::string(text));
            }
            return v;
        };
        if (arg == "--help" || arg == "-h") {
            usage(argv[0], "");
        } else if (arg.size() > 1 && arg[0] == '-') {
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
                usage(argv[0], "unknown option " + arg);
            }
        } else {
            o.rest.push_back(arg);
        }
    }
    return o;
}

}  // namespace purlo::bench
