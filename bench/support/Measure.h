// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/CpuTime.h"

namespace purlo::bench {

using testsupport::cpuSeconds;

// Seconds on a steady clock, for intervals.
double wallSeconds();

// A field of /proc/self/status in kB ("VmHWM", "VmRSS"); -1 when missing.
long statusKb(std::string_view field);

// The share of one core used between two readings, in percent.
struct CpuWindow {
    double cpu0 = cpuSeconds();
    double wall0 = wallSeconds();
    double percent() const {
        const double wall = wallSeconds() - wall0;
        return wall > 0 ? 100.0 * (cpuSeconds() - cpu0) / wall : 0.0;
    }
    double cpu() const { return cpuSeconds() - cpu0; }
    double wall() const { return wallSeconds() - wall0; }
};

// Order statistics of a set of samples (copied, so the caller's order stays).
double median(std::vector<double> v);
double percentile(std::vector<double> v, double p);  // p in 0..100
double maximum(const std::vector<double>& v);

// One figure for the table scripts/bench.sh prints: a line
//   result <key> <value> <unit>
// on stdout, beside whatever the program explains in words.
void result(std::string_view key, double value, std::string_view unit);

// The machine's load right now (first field of /proc/loadavg), for the record.
std::string loadAverage();

// Command-line options every benchmark takes:
//   --quick          a short run for CI: checks that the benchmark works, nothing more
//   --seconds N      duration of the timed part (where the benchmark has one)
//   --count N        number of samples (where the benchmark takes samples)
//   --megabytes N    size of the data (where the benchmark reads data)
//   --monitor        the monitor window open beside the console (where the
//                    benchmark runs the console); its figures' keys end "_monitor"
struct Options {
    bool quick = false;
    bool monitor = false;
    double seconds = -1;
    int count = -1;
    double megabytes = -1;
    std::vector<std::string> rest;  // anything else, for the benchmark itself

    double secondsOr(double normal, double quick) const;
    int countOr(int normal, int quick) const;
    double megabytesOr(double normal, double quick) const;
    // A figure's key for result(): "_monitor" appended when the monitor is open.
    std::string key(std::string_view name) const;
};
// An unknown option or a bad number ends the program with status 2 and the
// usage on standard error; --help prints the usage and ends with status 0.
Options parseOptions(int argc, char** argv);

}  // namespace purlo::bench
