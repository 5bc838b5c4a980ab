// SPDX-License-Identifier: GPL-3.0-or-later
// The option "Resume when the port comes back" in the console menu: off
// unless chosen, kept per user, given to the console as it changes.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QListWidget>
#include <QMessageBox>
#include <QSettings>
#include <QTimer>

#include "fakes/Harness.h"
#include "serial/PortWatcher.h"
#include "serial/ports/PortChooser.h"
#include "window/MainWindow.h"

namespace purlo {
namespace {

struct ResumeOption : ::testing::Test {
    ResumeOption() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(config.path().string()));
    }
    test::TempDir config;
    MainWindow window;
    test::FakeSerialPort port;
    test::TempDir work;
    Console console{window, window.canvas(), port, work.path()};
};

TEST_F(ResumeOption, FollowsThePortEntryIsOffUnlessChosenAndIsKeptPerUser) {
    const auto actions = window.consoleMenu().menu().actions();
    QAction* resume = window.consoleMenu().resumeAction();
    const auto at = actions.indexOf(resume);
    ASSERT_GE(at, 1);
    EXPECT_EQ(actions.value(at - 1), window.consoleMenu().portChooser().menuAction());
    EXPECT_EQ(resume->text(), "Resume when the port comes back");

    {
        PortWatcher watcher(console);
        watcher.bindOption(resume);
        EXPECT_TRUE(resume->isCheckable());
        EXPECT_FALSE(resume->isChecked());
        EXPECT_FALSE(console.resume.enabled);
        EXPECT_EQ(console.resume.watcher, &watcher);
        resume->trigger();
        EXPECT_TRUE(console.resume.enabled);
    }
    // Gone with its watcher: the console cannot wait any more.
    EXPECT_EQ(console.resume.watcher, nullptr);

    // The next start of the program finds it on.
    MainWindow next;
    Console nextConsole{next, next.canvas(), port, work.path()};
    PortWatcher watcher(nextConsole);
    watcher.bindOption(next.consoleMenu().resumeAction());
    EXPECT_TRUE(next.consoleMenu().resumeAction()->isChecked());
    EXPECT_TRUE(nextConsole.resume.enabled);
    next.consoleMenu().resumeAction()->trigger();
    EXPECT_FALSE(PortWatcher::storedOption());
}

// The returning device is noticed by the watcher's timer, which may fire in
// any event loop. Acquisition must not start inside a dialog's loop: only
// once the program is back in its own.
TEST_F(ResumeOption, TheWatcherResumesFromTheProgramsOwnLoopNotFromADialogs) {
    port.device = (work.path() / "ttyUSB0").string();
    test::writeFile(port.device, "");  // a device node the user may open
    PortWatcher watcher(console);
    console.resume.enabled = true;
    console.Form_Load();

    bool waitedThroughTheDialog = false;
    bool stopped = false;
    QEventLoop programLoop;  // the application's own loop, as in the program
    QTimer stop;             // Stop once acquisition has resumed; then the program loop ends
    QObject::connect(&stop, &QTimer::timeout, [&] {
        if (stopped) {
            programLoop.quit();
        } else if (console.s.port_open) {
            stopped = true;
            console.click(Control::Com_start_stop);
        }
    });
    QTimer::singleShot(0, [&] {
        // Acquisition on a silent port; the port goes after a moment.
        QTimer::singleShot(100, [&] { port.vanish(); });
        console.click(Control::Com_start_stop);
        EXPECT_TRUE(watcher.watching());
        port.comeBack();
        // A dialog stays open for three of the watcher's looks.
        QTimer::singleShot(3 * PortWatcher::kLookEveryMs, [&] {
            waitedThroughTheDialog = console.resume.waiting && !console.s.port_open;
            // Resumed in here: Stop, so that the dialog can end and the test fail.
            if (console.s.port_open) console.click(Control::Com_start_stop);
            if (QWidget* box = QApplication::activeModalWidget()) box->close();
        });
        QMessageBox::information(&window, QStringLiteral("Purlo"), QStringLiteral("busy"));
        stop.start(10);
    });
    QTimer::singleShot(5000, &programLoop, &QEventLoop::quit);
    programLoop.exec();

    EXPECT_TRUE(waitedThroughTheDialog);
    EXPECT_TRUE(stopped);
    EXPECT_EQ(port.opens, 2);
    const auto* list = qobject_cast<const QListWidget*>(window.widget(Control::List_Info));
    ASSERT_GE(list->count(), 2);
    EXPECT_EQ(list->item(list->count() - 1)->text(),
              QStringLiteral("* Comm1 is back; acquisition resumed."));
}

}  // namespace
}  // namespace purlo
