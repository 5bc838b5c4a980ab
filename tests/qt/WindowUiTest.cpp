// SPDX-License-Identifier: GPL-3.0-or-later
// The Ui port of the real window: multi-line text bytes, the list, dialogs,
// the yield, printing and the locale.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "QtPrinters.h"
#include "support/ScratchDir.h"
#include "text/RuntimeError.h"
#include "window/MainWindow.h"
#include "window/Printing.h"

namespace purlo {
namespace {

struct WindowUi : ::testing::Test {
    void SetUp() override {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    QPlainTextEdit* info() {
        return qobject_cast<QPlainTextEdit*>(window.widget(Control::Text_Info));
    }

    // Runs `act` on the modal dialog as soon as it is up.
    void whenModal(const std::function<void(QWidget*)>& act) {
        auto* poll = new QTimer(&window);
        QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                poll->stop();
                poll->deleteLater();
                act(modal);
            }
        });
        poll->start(5);
    }

    MainWindow window;
};

// Bytes that must come back exactly as they went in.
const char* const kInfoTexts[] = {
    "",
    "one line",
    "first\r\nsecond\r\n",
    "\r\n\r\n\r\nafter blank lines",
    "lone\rcarriage return and lone\nline feed",
    "Latin-1: caf\xe9, 25\260C, no-break\xa0space, \xff",
    "tab\tand control \x01\x7f bytes",
};

TEST_F(WindowUi, TextInfoGivesBackTheBytesItWasGiven) {
    for (const char* text : kInfoTexts) {
        window.setText(Control::Text_Info, text);
        EXPECT_EQ(window.text(Control::Text_Info), text);
    }
}

TEST_F(WindowUi, TextInfoShowsLinesNotCarriageReturns) {
    window.setText(Control::Text_Info, "first\r\nsecond");
    EXPECT_EQ(info()->document()->blockCount(), 2);
    EXPECT_EQ(info()->toPlainText(), QStringLiteral("first\nsecond"));
}

TEST_F(WindowUi, EditedTextKeepsCrLfLineBreaks) {
    window.setVisible(Control::Text_Info, true);
    window.setText(Control::Text_Info,
                   "ab\r\ncd\xa0"
                   "e");
    info()->setFocus();
    info()->moveCursor(QTextCursor::End);
    QTest::keyClicks(info(), "f");
    QTest::keyClick(info(), Qt::Key_Return);
    QTest::keyClicks(info(), "g");
    QTest::sendKeyEvent(QTest::Click, info(), Qt::Key_Eacute, QString::fromLatin1("\xe9"),
                        Qt::NoModifier);
    EXPECT_EQ(window.text(Control::Text_Info),
              "ab\r\ncd\xa0"
              "ef\r\ng\xe9");
    // Set again: the new bytes count, not the edit.
    window.setText(Control::Text_Info, "x\r\n");
    EXPECT_EQ(window.text(Control::Text_Info), "x\r\n");
}

TEST_F(WindowUi, ListAddsSelectsAndRemovesLines) {
    window.addListLine("first");
    window.addListLine("second \xb0");
    window.addListLine("third");
    EXPECT_EQ(window.listCount(), 3);
    EXPECT_EQ(window.listIndex(), -1);
    window.setListIndex(1);
    EXPECT_EQ(window.listIndex(), 1);
    EXPECT_EQ(window.text(Control::List_Info), "second \xb0");
    window.removeListLine(0);
    EXPECT_EQ(window.listCount(), 2);
    EXPECT_EQ(window.listIndex(), 0);
    EXPECT_EQ(window.text(Control::List_Info), "second \xb0");
    window.setListIndex(-1);
    EXPECT_EQ(window.listIndex(), -1);
    EXPECT_EQ(window.text(Control::List_Info), "");
    EXPECT_THROW(window.removeListLine(2), RuntimeError);
    EXPECT_THROW(window.setListIndex(2), RuntimeError);
    EXPECT_EQ(window.listCount(), 2);
}

TEST_F(WindowUi, SelectingTheLastOfManyLinesScrollsItIntoView) {
    auto* list = qobject_cast<QListWidget*>(window.widget(Control::List_Info));
    for (int i = 0; i < 50; ++i) window.addListLine("line " + std::to_string(i));
    window.setListIndex(49);
    QApplication::processEvents();
    EXPECT_TRUE(list->viewport()->rect().intersects(list->visualItemRect(list->item(49))));
}

TEST_F(WindowUi, MessageBoxShowsTextAndTitleAndAnswers) {
    QString title, text;
    bool plain = false;
    bool noIcon = false;
    int buttons = 0;
    whenModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        plain = box->textFormat() == Qt::PlainText;
        noIcon = box->icon() == QMessageBox::NoIcon;
        buttons = static_cast<int>(box->buttons().size());
        box->button(QMessageBox::Cancel)->click();
    });
    EXPECT_EQ(window.messageBox("<b>one</b>\r\ntwo", "", Buttons::OkCancel), Answer::Cancel);
    EXPECT_EQ(title, QStringLiteral("Purlo"));
    EXPECT_EQ(text, QStringLiteral("<b>one</b>\ntwo"));
    EXPECT_TRUE(plain);
    EXPECT_TRUE(noIcon);
    EXPECT_EQ(buttons, 2);

    whenModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        buttons = static_cast<int>(box->buttons().size());
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(window.messageBox(" Error.", "Help \xb0", Buttons::Ok), Answer::Ok);
    EXPECT_EQ(title, QString::fromLatin1("Help \xb0"));
    EXPECT_EQ(buttons, 1);
}

TEST_F(WindowUi, InputBoxReturnsTheTextOrNothing) {
    QString prompt, title, shown;
    whenModal([&](QWidget* w) {
        auto* dialog = qobject_cast<QInputDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        prompt = dialog->labelText();
        title = dialog->windowTitle();
        shown = dialog->textValue();
        dialog->setTextValue(QString::fromLatin1("-12.5 \xb0"));
        dialog->accept();
    });
    EXPECT_EQ(window.inputBox("Offset\r\nin mm", "Zero point", "0"),
              std::optional<std::string>("-12.5 \xb0"));
    EXPECT_EQ(prompt, QStringLiteral("Offset\nin mm"));
    EXPECT_EQ(title, QStringLiteral("Zero point"));
    EXPECT_EQ(shown, QStringLiteral("0"));

    whenModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_EQ(window.inputBox("Offset", "", "7"), std::nullopt);
}

TEST_F(WindowUi, AWaitingYieldRunsAPostedEvent) {
    bool ran = false;
    QMetaObject::invokeMethod(
        qApp, [&] { ran = true; }, Qt::QueuedConnection);
    window.yield(Wait::UntilEvent);
    EXPECT_TRUE(ran);
}

TEST_F(WindowUi, AWaitingYieldWakesOnATimer) {
    bool fired = false;
    QTimer::singleShot(30, [&] { fired = true; });
    int passes = 0;
    while (!fired && passes < 500) {
        window.yield(Wait::UntilEvent);
        ++passes;
    }
    EXPECT_TRUE(fired);
}

TEST_F(WindowUi, AWaitingYieldWithNothingToDoStillReturns) {
    QApplication::processEvents();
    bool watchdog = false;
    QTimer::singleShot(5000, [&] { watchdog = true; });
    QElapsedTimer clock;
    clock.start();
    window.yield(Wait::UntilEvent);
    EXPECT_FALSE(watchdog) << "the yield only returned when the 5 s watchdog fired";
    EXPECT_LT(clock.elapsed(), 2000);
}

TEST_F(WindowUi, ABusyYieldRunsPendingEventsEveryFewMilliseconds) {
    window.yield(Wait::No);
    bool ran = false;
    QMetaObject::invokeMethod(
        qApp, [&] { ran = true; }, Qt::QueuedConnection);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    window.yield(Wait::No);
    EXPECT_TRUE(ran);
}

TEST_F(WindowUi, PrintingWithoutAPrinterFails) {
    if (!QPrinterInfo::defaultPrinter().isNull())
        GTEST_SKIP() << "a real printer is configured here";
    EXPECT_FALSE(window.printWindow());
}

TEST_F(WindowUi, PrintsTheWindowOnAPage) {
    const testsupport::ScratchDir dir("purlo-print");
    const auto pdf = dir / "window.pdf";
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf.string()));
    EXPECT_TRUE(printImage(window.grab(), printer));
    ASSERT_TRUE(std::filesystem::exists(pdf));
    EXPECT_GT(std::filesystem::file_size(pdf), 1000u);

    // A job that cannot start is a failure, not a silent success.
    printer.setOutputFileName(QString::fromStdString((dir / "missing" / "window.pdf").string()));
    EXPECT_FALSE(printImage(window.grab(), printer));
}

// The separator follows the locale from the change on, as the application
// announces a change of the user's locale to every window.
TEST_F(WindowUi, DecimalSeparatorComesFromTheLocale) {
    const QLocale before;
    const auto change = [this](const QLocale& to) {
        QLocale::setDefault(to);
        QEvent changed(QEvent::LocaleChange);
        QApplication::sendEvent(&window, &changed);
    };
    change(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(window.decimalSeparator(), ',');
    change(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(window.decimalSeparator(), '.');
    change(before);
}

}  // namespace
}  // namespace purlo
