// SPDX-License-Identifier: GPL-3.0-or-later
// The option "Resume when the port comes back" in the console menu: off
// unless chosen, kept per user, given to the console as it changes.
#include <gtest/gtest.h>

#include <QAction>
#include <QSettings>

#include "MainWindow.h"
#include "PortWatcher.h"
#include "fakes/Harness.h"

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

TEST_F(ResumeOption, StandsBeforeMonitorIsOffUnlessChosenAndIsKeptPerUser) {
    const auto actions = window.consoleMenu().menu().actions();
    QAction* resume = window.consoleMenu().resumeAction();
    const auto at = actions.indexOf(resume);
    ASSERT_GE(at, 0);
    EXPECT_EQ(actions.value(at + 1), window.consoleMenu().monitorAction());
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

}  // namespace
}  // namespace purlo
