// SPDX-License-Identifier: GPL-3.0-or-later
// The window's title as the window manager reads it, on a real X server: a
// blank caption must leave the title bar blank, not show the program's name.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QProcess>
#include <QTest>

#include "window/MainWindow.h"

namespace purlo {
namespace {

// _NET_WM_NAME of the window, as `xprop` prints it between its quotes.
QString netWmName(const QWidget& w) {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(w.winId()),
                                          QStringLiteral("_NET_WM_NAME")});
    EXPECT_TRUE(xprop.waitForFinished(10000));
    const QString out = QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
    const auto quote = out.indexOf(QLatin1Char('"'));
    EXPECT_GE(quote, 0) << out.toStdString();
    return out.mid(quote + 1).chopped(1);
}

void showCaption(MainWindow& window, std::string_view caption) {
    window.setWindowCaption(caption);
    QTest::qWait(100);  // past a frame, so the newest caption is shown
}

TEST(WindowTitleOnX11, ABlankCaptionLeavesTheTitleBarBlank) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    MainWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    showCaption(window, "");
    EXPECT_EQ(netWmName(window).trimmed(), QString()) << "the application's name shows";
    EXPECT_EQ(window.windowCaption(), "");
    EXPECT_EQ(window.windowTitle(), QString());
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&window)->text(QAccessible::Name), QString());

    showCaption(window, " 500 mm");
    EXPECT_EQ(netWmName(window), QStringLiteral(" 500 mm"));
    EXPECT_EQ(window.windowCaption(), " 500 mm");

    showCaption(window, "");
    EXPECT_EQ(netWmName(window).trimmed(), QString());
    EXPECT_EQ(window.windowCaption(), "");
}

}  // namespace
}  // namespace purlo
