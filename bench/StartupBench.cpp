// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up: process start to the first frame of the window, and peak memory.
//
// Starts the real program (build/bin/purlo) again and again, offscreen, with
// PURLO_REPORT_FIRST_FRAME and PURLO_EXIT_AFTER_FIRST_FRAME set, and times
// each run from just before fork() to the moment its report line arrives on
// the pipe. The program's own figure (from the kernel's start time, 10 ms
// resolution) and its VmHWM come from that line; its CPU time (which other
// work on the machine hardly changes) from wait4(). Goals: under 150 ms;
// under 50 MB resident.
//
//   build/bin/bench_startup [--count 20] [--quick] [PROGRAM]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/Measure.h"
#include "support/WorkDir.h"

using namespace purlo::bench;

namespace {

struct Run {
    double launcherMs = 0;  // fork() to the report line
    double selfMs = 0;      // the program's own figure
    double cpuMs = 0;       // the program's CPU time, start to exit
    long peakKb = 0;
};

Run startOnce(const std::string& program, const std::filesystem::path& dir) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) throw std::runtime_error("pipe");
    const double t0 = wallSeconds();
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeFds[1], STDERR_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        if (chdir(dir.c_str()) != 0) _exit(127);
        setenv("PURLO_REPORT_FIRST_FRAME", "1", 1);
        setenv("PURLO_EXIT_AFTER_FIRST_FRAME", "1", 1);
        if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    FILE* err = fdopen(pipeFds[0], "r");
    Run run;
    bool reported = false;
    char line[512];
    std::string other;
    while (std::fgets(line, sizeof line, err) != nullptr) {
        if (!reported &&
            std::sscanf(line, "purlo: first frame %lf ms after process start, peak resident %ld kB",
                        &run.selfMs, &run.peakKb) == 2) {
            run.launcherMs = (wallSeconds() - t0) * 1000.0;
            reported = true;
        } else {
            other += line;
        }
    }
    std::fclose(err);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    run.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
                (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
    if (!reported || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error("the program did not report its first frame:\n" + other);
    }
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    const int count = options.countOr(20, 2);
    const std::string program = options.rest.empty() ? PURLO_PROGRAM : options.rest.front();
    WorkDir dir("startup");

    try {
        startOnce(program, dir.path());  // warms the file cache; not counted
        std::vector<double> launcher;
        std::vector<double> self;
        std::vector<double> peak;
        std::vector<double> cpu;
        for (int i = 0; i < count; ++i) {
            const Run r = startOnce(program, dir.path());
            launcher.push_back(r.launcherMs);
            self.push_back(r.selfMs);
            peak.push_back(static_cast<double>(r.peakKb));
            cpu.push_back(r.cpuMs);
        }
        std::printf("Start-up of %s, %d runs (load %s):\n", program.c_str(), count,
                    loadAverage().c_str());
        std::printf("  fork to first frame: median %.1f ms, max %.1f ms\n", median(launcher),
                    maximum(launcher));
        std::printf("  as the program saw it: median %.0f ms (10 ms resolution)\n", median(self));
        std::printf("  CPU time of a whole run (start, first frame, exit): median %.1f ms\n",
                    median(cpu));
        std::printf("  peak resident (VmHWM): %.1f MB at most\n", maximum(peak) / 1024.0);
        result("startup_first_frame_ms", median(launcher), "ms");
        result("startup_peak_resident_mb", maximum(peak) / 1024.0, "MB");
        result("startup_cpu_ms", median(cpu), "ms");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_startup: %s\n", e.what());
        return 1;
    }
    return 0;
}
