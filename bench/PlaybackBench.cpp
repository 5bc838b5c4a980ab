// SPDX-License-Identifier: GPL-3.0-or-later
// Playback: a recording made against the simulated probe, played headless
// through the real window and canvas with every echo record drawn.
//
// The recording (10 MB by default) is made first by the console core against
// the probe model in memory (see support/SampleRecording.h). Then the real
// window plays it: "#" arms the playback, Start runs it to the end of the
// file. Throughput is the file's size over the wall time of the Start click;
// real time is 3840 bytes a second (38400 bit/s). Meanwhile a thread posts a
// click every 20 ms; each is a mouse click on the bare window (its handler
// runs Form_Click), and its delay is from the post to that handler.
// Goals: at least 10 MB/s; every click handled within 50 ms; with the monitor
// window open (--monitor), at least 10 MB/s still.
//
//   build/bin/bench_playback [--megabytes 10] [--quick] [--monitor] [RECORDING]
//
// With RECORDING, that file is played when it exists, and made there first
// when it does not (to profile the playback alone).
#include <QApplication>
#include <QMouseEvent>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "support/ConsoleWindow.h"
#include "support/Measure.h"
#include "support/SampleRecording.h"
#include "support/WorkDir.h"

using namespace purlo;
using namespace purlo::bench;

namespace {

constexpr double kRealTimeBytesPerSecond = 3840.0;
constexpr auto kClickInterval = std::chrono::milliseconds(20);

// A click on the bare window (the canvas), sent when the event loop comes
// round to the posted event.
class ClickEvent : public QEvent {
  public:
    explicit ClickEvent(double posted) : QEvent(kType), posted(posted) {}
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 9);
    double posted;
};

class Clicker : public QObject {
  public:
    explicit Clicker(QWidget& target) : target_(target) {
        QObject::connect(&static_cast<Canvas&>(target), &Canvas::clicked, this,
                         [this] { delaysMs.push_back((wallSeconds() - postedAt_) * 1000.0); });
    }
    ~Clicker() override { stop(); }

    void start() {
        thread_ = std::thread([this] {
            while (!stop_) {
                // One click at a time: the next is posted after the last was handled.
                if (!pending_) {
                    pending_ = true;
                    QCoreApplication::postEvent(this, new ClickEvent(wallSeconds()));
                }
                std::this_thread::sleep_for(kClickInterval);
            }
        });
    }
    void stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    std::vector<double> delaysMs;

  protected:
    void customEvent(QEvent* event) override {
        if (event->type() != ClickEvent::kType) return;
        postedAt_ = static_cast<ClickEvent*>(event)->posted;
        const QPointF at(10, 10);
        QMouseEvent press(QEvent::MouseButtonPress, at, target_.mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, target_.mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&target_, &press);
        QCoreApplication::sendEvent(&target_, &release);
        pending_ = false;
    }

  private:
    QWidget& target_;
    double postedAt_ = 0;
    std::atomic<bool> pending_{false};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace

int main(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    const double megabytes = options.megabytesOr(10, 0.2);
    useOffscreenUnlessSet();
    QApplication app(argc, argv);
    useProgramStyle();

    WorkDir dir("playback");
    const double made0 = wallSeconds();
    const std::filesystem::path given = options.rest.empty() ? "" : options.rest.front();
    if (given.empty() || !std::filesystem::exists(given)) {
        makeSampleRecording(dir / "Purlo.Spl", static_cast<std::int64_t>(megabytes * 1e6));
        if (!given.empty()) std::filesystem::copy_file(dir / "Purlo.Spl", given);
    } else {
        std::filesystem::copy_file(given, dir / "Purlo.Spl");
    }
    const auto size = static_cast<std::int64_t>(std::filesystem::file_size(dir / "Purlo.Spl"));
    const double madeSeconds = wallSeconds() - made0;

    ConsoleWindow w(dir.path(), options.monitor);
    Clicker clicker(w.window.canvas());
    CpuWindow span;
    double seconds = 0;
    double cpuSeconds = 0;
    double cpuPercent = 0;
    bool played = false;
    QTimer::singleShot(0, [&] {
        w.click(Control::Com_play_spl);  // arm
        clicker.start();
        span = CpuWindow{};
        w.click(Control::Com_start_stop);  // returns at the end of the file
        seconds = span.wall();
        cpuSeconds = span.cpu();
        cpuPercent = span.percent();
        clicker.stop();
        played = !w.console.s.playback_on;
        QCoreApplication::quit();
    });
    QApplication::exec();
    const long records = w.window.highestPlayCount();
    if (!played || records == 0) {
        std::fprintf(stderr, "bench_playback: the playback did not run to its end\n");
        return 1;
    }

    const double mbPerSecond = static_cast<double>(size) / 1e6 / seconds;
    const auto& delays = clicker.delaysMs;
    std::printf("Recording of %.1f MB made (or copied) in %.1f s (%ld echo records)\n",
                static_cast<double>(size) / 1e6, madeSeconds, records);
    std::printf(
        "Playback (load %s): %.2f s, %.2f MB/s, %.0f times real time at 38400 bit/s, "
        "%.0f %% of a core\n",
        loadAverage().c_str(), seconds, mbPerSecond,
        static_cast<double>(size) / kRealTimeBytesPerSecond / seconds, cpuPercent);
    std::printf("  per CPU second (what a machine to itself would give): %.2f MB/s\n",
                static_cast<double>(size) / 1e6 / cpuSeconds);
    std::printf("  records drawn: %ld (slot text line set %ld times)\n", records,
                w.window.textSets(Control::Text_top));
    std::printf("  clicks during playback: %zu, delay median %.2f ms, max %.2f ms\n", delays.size(),
                median(delays), maximum(delays));
    std::printf("  peak resident (VmHWM) of the whole run: %.1f MB\n", statusKb("VmHWM") / 1024.0);
    result(options.key("playback_mb_per_s"), mbPerSecond, "MB/s");
    result(options.key("playback_mb_per_cpu_s"), static_cast<double>(size) / 1e6 / cpuSeconds,
           "MB/s");
    result(options.key("playback_x_real_time"),
           static_cast<double>(size) / kRealTimeBytesPerSecond / seconds, "x");
    result(options.key("playback_click_max_ms"), delays.empty() ? -1 : maximum(delays), "ms");
    return 0;
}
