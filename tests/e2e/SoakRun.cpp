// SPDX-License-Identifier: GPL-3.0-or-later
// purlo-soak: a long acquisition session of the real console (its window on
// Qt's offscreen platform, the real serial port) against the probe simulator,
// with the operator's view clicks now and then, and the resident memory
// sampled throughout. Reports the growth after a warm-up and fails when it is
// above the limit given, when no data flowed, or when anything went wrong.
//
//   purlo-soak [--seconds N] [--warmup N] [--max-growth-kb N] [-- SIMULATOR OPTIONS]
//
// The simulator runs with --fast (no pacing at the line rate) unless other
// options follow "--".
#include <QApplication>
#include <QListWidget>
#include <QStyleFactory>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "e2e/LiveConsole.h"

namespace {

struct Options {
    int seconds = 60;
    int warmup = -1;        // -1: a quarter of the run, at most 60 s
    long maxGrowthKb = -1;  // -1: report only
    std::vector<std::string> sim{"--fast"};
};

[[noreturn]] void usage() {
    std::fputs(
        "usage: purlo-soak [--seconds N] [--warmup N] [--max-growth-kb N] [-- SIMULATOR OPTIONS]\n",
        stderr);
    std::exit(2);
}

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto number = [&] {
            if (i + 1 >= argc) usage();
            return std::atol(argv[++i]);
        };
        if (a == "--seconds") {
            o.seconds = static_cast<int>(number());
        } else if (a == "--warmup") {
            o.warmup = static_cast<int>(number());
        } else if (a == "--max-growth-kb") {
            o.maxGrowthKb = number();
        } else if (a == "--") {
            o.sim.assign(argv + i + 1, argv + argc);
            break;
        } else {
            usage();
        }
    }
    if (o.seconds < 2) usage();
    if (o.warmup < 0) o.warmup = std::min(60, o.seconds / 4);
    if (o.warmup >= o.seconds) usage();
    return o;
}

// Resident memory of this process in KiB, from the kernel's own count.
long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kb = 0;
            status >> kb;
            return kb;
        }
        status.ignore(4096, '\n');
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const Options options = parse(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Purlo"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    using purlo::Control;
    std::vector<std::string> simOptions = options.sim;
    simOptions.insert(simOptions.end(),
                      {"--level-speed", "20", "--noise", "3", "--spikes", "0.01"});
    purlo::e2e::LiveConsole live(simOptions);
    if (!live.startSimulator()) {
        std::fputs("purlo-soak: the simulator did not start\n", stderr);
        return 2;
    }

    // The operator's clicks on the view now and then: another slot, the
    // raster, the zoom, the screen cleared.
    const Control viewClicks[] = {
        Control::Com_draw_top_mid_bot_line, Control::Com_raster_on_off,
        Control::Com_zoom_horizontal_plus,  Control::Com_zoom_vertical_plus,
        Control::Com_zoom_horizontal_min,   Control::Com_zoom_vertical_min,
        Control::Com_clear_screen};
    std::size_t nextClick = 0;
    QTimer operatorClicks;
    QObject::connect(&operatorClicks, &QTimer::timeout,
                     [&] { live.console.click(viewClicks[nextClick++ % std::size(viewClicks)]); });

    struct Sample {
        int second;
        long kb;
    };
    std::vector<Sample> samples;
    int elapsed = 0;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        ++elapsed;
        samples.push_back({elapsed, residentKb()});
        if (elapsed % 10 == 0 || elapsed == options.warmup) {
            std::printf("%5d s  %8ld KiB  %10zu bytes in  %7d echo records\n", elapsed,
                        samples.back().kb, live.serial.bytesIn, live.serial.echoRequests);
            std::fflush(stdout);
        }
        if (elapsed >= options.seconds) {
            sampler.stop();
            operatorClicks.stop();
            live.console.click(Control::Com_start_stop);  // Stop, nested in the loop
        }
    });

    const auto* list = qobject_cast<const QListWidget*>(live.window.widget(Control::List_Info));
    std::printf("purlo-soak: %d s of acquisition, warm-up %d s, simulator options:",
                options.seconds, options.warmup);
    for (const auto& o : options.sim) std::printf(" %s", o.c_str());
    std::printf("\n");
    sampler.start(1000);
    operatorClicks.start(2500);
    live.console.click(Control::Com_start_stop);  // returns when the session ends

    // Anything in the list beyond its hint line is a failure message.
    std::vector<std::string> problems;
    for (int i = 1; i < list->count(); ++i) problems.push_back(list->item(i)->text().toStdString());
    const bool ranToTheEnd = elapsed >= options.seconds;

    long baseline = -1;
    long peak = -1;
    for (const Sample& s : samples) {
        if (s.second == options.warmup) baseline = s.kb;
        if (s.second > options.warmup) peak = std::max(peak, s.kb);
    }
    const long growth = peak - baseline;
    std::printf(
        "\nsession: %d s, %zu bytes received (%.0f per second), %d echo records (%.1f per "
        "second)\n",
        elapsed, live.serial.bytesIn,
        static_cast<double>(live.serial.bytesIn) / std::max(elapsed, 1), live.serial.echoRequests,
        static_cast<double>(live.serial.echoRequests) / std::max(elapsed, 1));
    std::printf(
        "resident memory: %ld KiB after the warm-up, peak %ld KiB after it: growth %ld KiB\n",
        baseline, peak, growth);

    int status = 0;
    if (!ranToTheEnd) {
        std::fprintf(stderr, "purlo-soak: the session ended early after %d s\n", elapsed);
        status = 1;
    }
    if (live.serial.echoRequests == 0 || live.serial.bytesIn == 0) {
        std::fputs("purlo-soak: no data flowed\n", stderr);
        status = 1;
    }
    for (const auto& p : problems) {
        std::fprintf(stderr, "purlo-soak: the list shows: %s\n", p.c_str());
        status = 1;
    }
    if (options.maxGrowthKb >= 0 && growth > options.maxGrowthKb) {
        std::fprintf(stderr, "purlo-soak: memory grew by %ld KiB, more than %ld KiB\n", growth,
                     options.maxGrowthKb);
        status = 1;
    }
    return status;
}
