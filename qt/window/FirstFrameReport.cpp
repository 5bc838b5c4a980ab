// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/FirstFrameReport.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/System.h"

namespace purlo {

namespace {

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

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
            platform::msSinceProcessStart(), platform::peakResidentKb(),
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
