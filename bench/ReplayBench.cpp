// SPDX-License-Identifier: GPL-3.0-or-later
// Replay at a human pace, through the real window: the time a seek takes in
// a large recording, and the CPU a playback costs while it plays at real
// time and while it is paused.
//
// The recording (100 MB by default) is a sample recording (see
// support/SampleRecording.h) written over and over. The playback is armed
// with "#"; the seeks are made as the replay bar makes them, the first one
// cold (it replays the file silently up to 95 % of it, keeping checkpoints on
// the way), then at random places. Then Start plays it at real time (the PC
// baud rate): first until the run has kept its checkpoints to the end (a
// stretch in each wait), then for a while, paused for as long, and the rest
// is skipped by a seek to the end. CPU is the process's own CPU time over
// wall time.
// Goals: every seek under 200 ms; real time and paused under 1 % of a core.
//
//   build/bin/bench_replay [--megabytes 100] [--seconds 10] [--quick]
#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "acquisition/Replaying.h"
#include "support/ConsoleWindow.h"
#include "support/Measure.h"
#include "support/SampleRecording.h"
#include "support/WorkDir.h"

using namespace purlo;
using namespace purlo::bench;

int main(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    const double megabytes = options.megabytesOr(100, 2);
    const double seconds = options.secondsOr(10, 1);
    useOffscreenUnlessSet();
    QApplication app(argc, argv);
    useProgramStyle();

    WorkDir dir("replay");
    const auto piece = static_cast<std::int64_t>(std::min(megabytes, 5.0) * 1e6);
    makeSampleRecording(dir / "piece.Spl", piece);
    {
        std::ifstream in(dir / "piece.Spl", std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        std::ofstream out(dir / "Purlo.Spl", std::ios::binary);
        for (double written = 0; written < megabytes * 1e6;
             written += static_cast<double>(bytes.size())) {
            out << bytes;
        }
    }
    const auto size = static_cast<std::int64_t>(std::filesystem::file_size(dir / "Purlo.Spl"));

    ConsoleWindow w(dir.path());
    Console& c = w.console;
    std::vector<double> warmMs;
    double coldMs = 0;
    double coldCpuMs = 0;
    double playingPercent = 0;
    double pausedPercent = 0;
    double indexSeconds = 0;
    double indexPercent = 0;
    double playedSeconds = 0;
    std::int64_t playedBytes = 0;
    bool ended = false;
    QTimer::singleShot(0, [&] {
        c.s.pc_baud_rate = 38400;        // the rate the sample recording was made at
        w.click(Control::Com_play_spl);  // arm
        std::string line;
        playbackMayRead(c, line);  // the start, as the first byte keeps it
        double t0 = wallSeconds();
        const double cpu0 = cpuSeconds();
        seekPlayback(c, size * 95 / 100);
        coldMs = (wallSeconds() - t0) * 1000;
        coldCpuMs = (cpuSeconds() - cpu0) * 1000;
        std::mt19937_64 random(7);
        for (int i = 0; i < options.countOr(20, 5); ++i) {
            t0 = wallSeconds();
            seekPlayback(c, static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(size)));
            warmMs.push_back((wallSeconds() - t0) * 1000);
        }
        seekPlayback(c, 0);

        // Real time from the start: the checkpoints are kept anew for the
        // run (a stretch in each wait) until they reach the end; then the
        // steady cost is measured, playing and paused.
        c.replay.setSpeed(1.0);
        CpuWindow span;
        CpuWindow indexing;
        std::int64_t from = 0;
        int phase = 0;
        double phaseStart = 0;
        auto* poll = new QTimer(&app);
        QObject::connect(poll, &QTimer::timeout, [&] {
            const double now = wallSeconds();
            if (phase == 0 && c.replay.checkpointsComplete) {
                indexSeconds = indexing.wall();
                indexPercent = indexing.percent();
                phase = 1;
                phaseStart = now;
                span = CpuWindow{};
                from = c.s.playback_pos;
            } else if (phase == 1 && now - phaseStart >= seconds) {
                playingPercent = span.percent();
                playedBytes = c.s.playback_pos - from;
                playedSeconds = span.wall();
                c.replay.setPaused(true);
                phase = 2;
                phaseStart = now;
                span = CpuWindow{};
            } else if (phase == 2 && now - phaseStart >= seconds) {
                pausedPercent = span.percent();
                c.replay.seek(size);
                c.replay.setPaused(false);
                phase = 3;
            }
        });
        poll->start(100);
        w.click(Control::Com_start_stop);  // returns at the end of the file
        ended = !c.s.playback_on;
        QCoreApplication::quit();
    });
    QApplication::exec();
    if (!ended || playedBytes <= 0) {
        std::fprintf(stderr, "bench_replay: the playback did not run as planned\n");
        return 1;
    }
    const double expectedBytes = playedSeconds * c.s.pc_baud_rate / 10.0;
    std::printf("Recording of %.1f MB (load %s)\n", static_cast<double>(size) / 1e6,
                loadAverage().c_str());
    std::printf(
        "Seek: first (cold, to 95 %%) %.1f ms (%.1f ms CPU); %zu more: median %.2f ms, "
        "max %.2f ms\n",
        coldMs, coldCpuMs, warmMs.size(), median(warmMs), maximum(warmMs));
    std::printf(
        "Real time at %d bit/s for %.0f s: %lld bytes played (%.1f %% of due), %.2f %% "
        "of a core\n",
        c.s.pc_baud_rate, seconds, static_cast<long long>(playedBytes),
        100.0 * static_cast<double>(playedBytes) / expectedBytes, playingPercent);
    std::printf("Paused for %.0f s: %.2f %% of a core\n", seconds, pausedPercent);
    std::printf(
        "Checkpoints kept to the end while playing at real time: after %.1f s, "
        "meanwhile %.2f %% of a core\n",
        indexSeconds, indexPercent);
    result("replay_seek_cold_ms", coldMs, "ms");
    result("replay_seek_cold_cpu_ms", coldCpuMs, "ms");
    result("replay_seek_warm_max_ms", maximum(warmMs), "ms");
    result("replay_real_time_cpu_percent", playingPercent, "%");
    result("replay_paused_cpu_percent", pausedPercent, "%");
    result("replay_checkpointing_seconds", indexSeconds, "s");
    result("replay_checkpointing_cpu_percent", indexPercent, "%");
    return 0;
}
