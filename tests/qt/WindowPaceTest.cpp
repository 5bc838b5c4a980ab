// SPDX-License-Identifier: GPL-3.0-or-later
// How the real window keeps pace with a loop that runs flat out: texts it
// rewrites many times a frame, the busy yield, and the program's report of
// its first frame.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "window/MainWindow.h"

namespace purlo {
namespace {

struct WindowPace : ::testing::Test {
    void SetUp() override {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    QString shown(Control c) { return qobject_cast<QLineEdit*>(window.widget(c))->text(); }
    MainWindow window;
};

TEST_F(WindowPace, ATextRewrittenWithinAFrameIsReadAtOnceAndShownAtTheNextYield) {
    window.setText(Control::Text_top, "first");
    EXPECT_EQ(shown(Control::Text_top), QStringLiteral("first"));  // not shown lately: at once
    window.setText(Control::Text_top, "second");
    window.setText(Control::Text_top, "third");
    EXPECT_EQ(window.text(Control::Text_top), "third");
    window.yield(Wait::UntilEvent);
    EXPECT_EQ(shown(Control::Text_top), QStringLiteral("third"));
    EXPECT_EQ(window.text(Control::Text_top), "third");
}

TEST_F(WindowPace, TheWindowCaptionToo) {
    window.setWindowCaption(" 1000 mm");
    window.setWindowCaption(" 1001 mm");
    EXPECT_EQ(window.windowCaption(), " 1001 mm");
    QApplication::processEvents();  // any event loop shows it
    EXPECT_EQ(window.windowTitle(), QStringLiteral(" 1001 mm"));
}

TEST_F(WindowPace, ADialogOpensOverTheNewestTexts) {
    window.setText(Control::Text_mid, "old");
    window.setText(Control::Text_mid, "new");
    QString whileOpen;
    QTimer::singleShot(0, [&] {
        whileOpen = shown(Control::Text_mid);
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    window.messageBox("Close me", "", Buttons::Ok);
    EXPECT_EQ(whileOpen, QStringLiteral("new"));
}

TEST_F(WindowPace, ABusyLoopStillRunsPendingEvents) {
    window.yield(Wait::No);
    bool ran = false;
    QMetaObject::invokeMethod(
        qApp, [&] { ran = true; }, Qt::QueuedConnection);
    QElapsedTimer clock;
    clock.start();
    while (!ran && clock.elapsed() < 5000) window.yield(Wait::No);
    EXPECT_TRUE(ran);
}

TEST(FirstFrameReport, TellsWhenTheWindowWasFirstPaintedAndCanEndThere) {
    QTemporaryDir dir;
    QProcess purlo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("PURLO_REPORT_FIRST_FRAME"), QStringLiteral("1"));
    env.insert(QStringLiteral("PURLO_EXIT_AFTER_FIRST_FRAME"), QStringLiteral("1"));
    purlo.setProcessEnvironment(env);
    purlo.setWorkingDirectory(dir.path());
    purlo.start(QStringLiteral(PURLO_PROGRAM), {});
    ASSERT_TRUE(purlo.waitForFinished(30000));
    EXPECT_EQ(purlo.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(purlo.exitCode(), 0);
    const QString err = QString::fromLocal8Bit(purlo.readAllStandardError());
    const QRegularExpression report(QStringLiteral(
        "purlo: first frame [0-9]+\\.[0-9] ms after process start, peak resident [0-9]+ kB, in "
        "(.+)\\n"));
    const QRegularExpressionMatch match = report.match(err);
    ASSERT_TRUE(match.hasMatch()) << err.toStdString();
    EXPECT_EQ(QDir(match.captured(1)).canonicalPath(), QDir(dir.path()).canonicalPath());
    EXPECT_EQ(err.count(QStringLiteral("first frame")), 1);
}

}  // namespace
}  // namespace purlo
