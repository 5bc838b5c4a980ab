// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/FirstFrameReport.h"

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>
#else
#include <unistd.h>
#endif

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>

#include "platform/System.h"

namespace purlo {

namespace {

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

#ifdef _WIN32
// Milliseconds since the system started this process; negative when unknown.
double msSinceProcessStart() {
    FILETIME created{};
    FILETIME unused{};
    FILETIME now{};
    if (!GetProcessTimes(GetCurrentProcess(), &created, &unused, &unused, &unused)) return -1;
    GetSystemTimeAsFileTime(&now);
    const auto ticks = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32U) |
                                   t.dwLowDateTime);
    };
    return (ticks(now) - ticks(created)) / 10000.0;  // 100 ns ticks
}

long peakResidentKb() {
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return -1;
    return static_cast<long>(counters.PeakWorkingSetSize / 1024);
}
#else
// Milliseconds since the kernel started this process; negative when unknown.
double msSinceProcessStart() {
    std::ifstream in("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), {});
    // The command name in parentheses may hold blanks: count fields after it.
    const auto close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    // Field 22 (starttime) is the 20th after the name.
    for (int i = 3; i <= 22 && fields >> field; ++i) {
    }
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double started = std::stod(field) / static_cast<double>(sysconf(_SC_CLK_TCK));
    return (static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9 - started) * 1000.0;
}

long peakResidentKb() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}
#endif

// Watches the whole application: the canvas covers the window, so the
// window itself may never get a paint event of its own.
class FirstPaintWatcher : public QObject {
  public:
    explicit FirstPaintWatcher(QWidget& window) : QObject(&window), window_(window) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == &window_) {
            QCoreApplication::instance()->removeEventFilter(this);
            // The children are painted in the same pass, after the window:
            // report when the whole frame is done.
            QTimer::singleShot(0, this, [this] { report(); });
        }
        return false;
    }

  private:
    void report() {
        std::error_code ec;
        std::fprintf(
            stderr, "purlo: first frame %.1f ms after process start, peak resident %ld kB, in %s\n",
            msSinceProcessStart(), peakResidentKb(),
            platform::utf8(std::filesystem::current_path(ec)).c_str());
        std::fflush(stderr);
        if (isSet("PURLO_EXIT_AFTER_FIRST_FRAME")) QCoreApplication::exit(0);
        deleteLater();
    }

    QWidget& window_;
};

}  // namespace

void reportFirstFrame(QWidget& window) {
    if (!isSet("PURLO_REPORT_FIRST_FRAME")) return;
    QCoreApplication::instance()->installEventFilter(new FirstPaintWatcher(window));
}

}  // namespace purlo
