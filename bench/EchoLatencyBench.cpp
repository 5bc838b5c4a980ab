// SPDX-License-Identifier: GPL-3.0-or-later
// Echo record: from the last byte of a 160-byte record to the frame that
// shows it, and the draw cost of one record alone.
//
// Latency: the real window, canvas and serial adapter on the core, offscreen,
// with Comm1 on a pseudo-terminal. A thread plays the probe on the master
// side (the probe model answers the request cycle); on "=" it writes the
// marker and 159 sample bytes, pauses, notes the time and writes the last
// byte. The last bytes alternate between 0xFF and 0x00, so the last column of
// the trace flips between a bar and nothing: the first paint event of the
// canvas whose region holds that column while the image shows the new state
// is the frame that shows the byte. Goal: within 16 ms.
//
// Draw cost: Draw_one_sample on the same window and canvas, fed by a port
// that answers at once, until its lines are in the canvas's image; each call
// timed alone, without the paint that follows (timed apart). Goal: median
// under 1 ms.
//
//   build/bin/bench_echo [--count 200] [--quick]
#include <poll.h>
#include <unistd.h>

#include <QApplication>
#include <QPaintEvent>
#include <QTimer>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "diagram/EchoDrawing.h"
#include "diagram/Slots.h"
#include "sim/EchoPhysics.h"
#include "sim/ProbeModel.h"
#include "support/ConsoleWindow.h"
#include "support/EchoingPort.h"
#include "support/Measure.h"
#include "support/Pty.h"
#include "support/SettingsFixture.h"
#include "support/WorkDir.h"

using namespace purlo;
using namespace purlo::bench;

namespace {

constexpr int kSampleBytes = 160;
// Narrow enough that the whole record lies in the visible diagram area.
constexpr int kZoomHorizontal = 5;
constexpr int kMaxRecords = 100000;

std::string modelRecordBody() {
    sim::ProbeModel model;
    sim::Rng rng(7);
    return sim::sampleBytes(model.lastBurst(), model.parameters().sampleRate, kSampleBytes - 1,
                            0.01, rng);
}

// The probe on the master side of the pty.
class ProbeThread {
  public:
    explicit ProbeThread(int fd) : fd_(fd), body_(modelRecordBody()) {
        times_.resize(kMaxRecords);
        thread_ = std::thread([this] { run(); });
    }
    ~ProbeThread() {
        stop_ = true;
        thread_.join();
    }
    // Records whose last byte has been (or is being) written.
    int written() const { return written_.load(std::memory_order_acquire); }
    double writeTime(int record) const { return times_[static_cast<std::size_t>(record)]; }
    static char lastByte(int record) { return record % 2 == 0 ? '\xFF' : '\x00'; }

  private:
    void run() {
        std::array<char, 256> buffer{};
        const double start = wallSeconds();
        while (!stop_) {
            // The probe's own lines: a distance before every burst.
            model_.advance(wallSeconds() - start - model_.now());
            send(model_.takeOutput());
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 10) <= 0) continue;
            const ssize_t n = read(fd_, buffer.data(), buffer.size());
            for (ssize_t i = 0; i < n; ++i) {
                if (buffer[static_cast<std::size_t>(i)] == '=') {
                    sendRecord();
                } else {
                    model_.receive(buffer[static_cast<std::size_t>(i)]);
                    send(model_.takeOutput());
                }
            }
        }
    }
    void sendRecord() {
        const int record = written_.load(std::memory_order_relaxed);
        if (record >= kMaxRecords) return;
        send("=" + body_);
        // The console has taken the rest and waits for the last byte.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        times_[static_cast<std::size_t>(record)] = wallSeconds();
        written_.store(record + 1, std::memory_order_release);
        send(std::string(1, lastByte(record)));
    }
    void send(const std::string& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
            if (n <= 0) return;
            done += static_cast<std::size_t>(n);
        }
    }

    int fd_;
    std::string body_;
    sim::ProbeModel model_;
    std::vector<double> times_;
    std::atomic<int> written_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Watches the canvas's paint events for the frame that shows each last byte.
class FrameWatcher : public QObject {
  public:
    FrameWatcher(ConsoleWindow& w, const ProbeThread& probe, QPoint pixel, int wanted)
        : w_(w), probe_(probe), pixel_(pixel), wanted_(wanted) {}
    std::vector<double> latenciesMs;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::Paint) return false;
        const int record = static_cast<int>(latenciesMs.size());
        if (record >= probe_.written()) return false;
        const bool bar = ProbeThread::lastByte(record) != 0;
        const QRgb shown = w_.window.canvas().image().pixel(pixel_);
        const bool showsIt = bar ? shown != qRgb(0, 0, 0) : shown == qRgb(0, 0, 0);
        if (showsIt && static_cast<QPaintEvent*>(event)->region().contains(pixel_)) {
            latenciesMs.push_back((wallSeconds() - probe_.writeTime(record)) * 1000.0);
            if (static_cast<int>(latenciesMs.size()) == wanted_) {
                QTimer::singleShot(0, [this] { w_.click(Control::Com_start_stop); });
            }
        }
        return false;
    }

  private:
    ConsoleWindow& w_;
    const ProbeThread& probe_;
    QPoint pixel_;
    int wanted_;
};

// Draw_one_sample alone, on the window's canvas, at the program's start-up
// zoom; then the paint of what it drew, timed apart.
void measureDrawCost(ConsoleWindow& w, const std::filesystem::path& dir, int draws,
                     std::vector<double>& drawMs, std::vector<double>& paintMs) {
    EchoingPort port("=" + modelRecordBody() + '\xFF');
    Console drawing(w.window, w.window.canvas(), port, dir);
    drawing.Form_Load();
    drawing.s.sample_length = kSampleBytes;
    drawing.s.port_open = true;
    draw_3_diagrams_vertical_position(drawing);
    QCoreApplication::processEvents();
    for (int i = 0; i < draws; ++i) {
        const double t0 = wallSeconds();
        Draw_one_sample(drawing);
        // The canvas may keep lines to draw them later: image() draws them.
        w.window.canvas().image();
        const double t1 = wallSeconds();
        QCoreApplication::processEvents();
        const double t2 = wallSeconds();
        drawMs.push_back((t1 - t0) * 1000.0);
        paintMs.push_back((t2 - t1) * 1000.0);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    const int records = std::min(options.countOr(200, 5), kMaxRecords);
    useOffscreenUnlessSet();
    QApplication app(argc, argv);
    useProgramStyle();

    Pty pty;
    setenv("PURLO_COMM1", pty.slavePath().c_str(), 1);
    WorkDir dir("echo");
    ConsoleState settings = testsupport::startUpSettings();
    settings.pc_baud_rate = 38400;
    settings.zoom_horizontal = kZoomHorizontal;
    testsupport::writeSettingsFile(dir.path(), settings);
    ConsoleWindow w(dir.path());
    ProbeThread probe(pty.master());

    // The last sample's column, halfway up its bar.
    const ConsoleState& s = w.console.s;
    draw_3_diagrams_vertical_position(w.console);
    const TwipsScale& scale = w.window.scale();
    const QPoint pixel(scale.toPixels((kSampleBytes * 8 - 1) * kZoomHorizontal),
                       scale.toPixels(s.slot_y_top - s.zoom_vertical / 2.0));
    FrameWatcher watcher(w, probe, pixel, records);
    w.window.canvas().installEventFilter(&watcher);

    bool timedOut = false;
    QTimer::singleShot(10000 + records * 1000, [&] {
        timedOut = true;
        w.click(Control::Com_start_stop);
    });
    std::vector<double> drawMs;
    std::vector<double> paintMs;
    // Everything runs inside the application's event loop: once it has been
    // told to quit, Qt paints no more.
    QTimer::singleShot(0, [&] {
        w.click(Control::Com_start_stop);  // returns when the last record was seen
        w.window.canvas().removeEventFilter(&watcher);
        if (!timedOut) measureDrawCost(w, dir.path(), options.quick ? 20 : 2000, drawMs, paintMs);
        QCoreApplication::quit();
    });
    QApplication::exec();
    if (timedOut || watcher.latenciesMs.empty()) {
        std::fprintf(stderr, "bench_echo: only %zu of %d records reached the screen (%d sent)\n",
                     watcher.latenciesMs.size(), records, probe.written());
        return 1;
    }

    const auto& lat = watcher.latenciesMs;
    std::printf("Echo record, last byte to the frame that shows it, %zu records (load %s):\n",
                lat.size(), loadAverage().c_str());
    std::printf("  median %.2f ms, 90th percentile %.2f ms, max %.2f ms\n", median(lat),
                percentile(lat, 90), maximum(lat));
    std::printf("Draw_one_sample on the real canvas (start-up zoom), %zu records:\n",
                drawMs.size());
    std::printf(
        "  draw median %.3f ms (90th percentile %.3f ms); the paint after it median %.3f ms\n",
        median(drawMs), percentile(drawMs, 90), median(paintMs));
    result("echo_latency_median_ms", median(lat), "ms");
    result("echo_latency_max_ms", maximum(lat), "ms");
    result("echo_draw_median_ms", median(drawMs), "ms");
    result("echo_paint_median_ms", median(paintMs), "ms");
    return 0;
}
