// SPDX-License-Identifier: GPL-3.0-or-later
// The window connected to a console: clicks reach their handlers, the bare
// window and the panel behave apart, Exit and closing end the program.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "QtPrinters.h"
#include "app/Console.h"
#include "fakes/FakeSerialPort.h"
#include "window/ControlPanel.h"
#include "window/MainWindow.h"

namespace purlo {
namespace {

struct ConnectedWindow : ::testing::Test {
    ConnectedWindow()
        : console(window, window.canvas(), port, std::filesystem::temp_directory_path()) {}

    void SetUp() override {
        // Handlers may open modal dialogs; each is cancelled as soon as it is
        // up, so no test can wait on one.
        QObject::connect(&dialogCloser, &QTimer::timeout, [this] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                ++dialogs;
                dialog->reject();
            }
        });
        dialogCloser.start(5);
        window.connectConsole(console);
        console.Form_Load();
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    void TearDown() override {
        // Exit stops every event loop; a short application loop turns that
        // back off for the tests that follow in the same process.
        if (console.ending()) {
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
            QCoreApplication::exec();
        }
    }

    // Clicks as the operator does: through the window, which finds the
    // widget under the pointer.
    void clickAt(QPoint p) { QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, p); }

    // A point of the control that no other control covers (the panel lies
    // beneath them all).
    QPoint uncoveredPointOf(Control c) const {
        const QRect r = window.widget(c)->geometry().intersected(window.rect());
        for (int y = r.top(); y <= r.bottom(); ++y) {
            for (int x = r.left(); x <= r.right(); ++x) {
                bool covered = false;
                for (const ControlInfo& info : controlTable()) {
                    const QWidget* other = window.widget(info.id);
                    if (info.id == c || info.id == Control::Label1 || other->isHidden()) continue;
                    if (other->geometry().contains(x, y)) covered = true;
                }
                if (!covered) return {x, y};
            }
        }
        ADD_FAILURE() << "no free point";
        return {};
    }

    MainWindow window;
    test::FakeSerialPort port;
    Console console;
    QTimer dialogCloser;
    int dialogs = 0;
};

TEST_F(ConnectedWindow, StartsAsFormLoadLeavesIt) {
    EXPECT_EQ(window.text(Control::Com_Comm_port), "Comm1");
    EXPECT_EQ(window.text(Control::Com_baudrate_pc), "300");
    ASSERT_EQ(window.listCount(), 1);
    EXPECT_EQ(window.listIndex(), 0);
    EXPECT_EQ(window.text(Control::List_Info),
              "Info's: DbClick here for Purlo commande list and start info's.");
}

TEST_F(ConnectedWindow, AButtonClickRunsItsHandler) {
    auto* button = qobject_cast<QPushButton*>(window.widget(Control::Com_draw_top_mid_bot_line));
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(button->text(), QStringLiteral("L2"));
    clickAt(button->geometry().center());
    EXPECT_EQ(button->text(), QStringLiteral("L3"));
}

TEST_F(ConnectedWindow, AClickOnTheBareWindowRunsFormClick) {
    clickAt(uncoveredPointOf(Control::Text_Info));  // hidden, so bare surface
    EXPECT_EQ(window.windowCaption(), " Begin transmission with Start button.");
    EXPECT_EQ(window.widget(Control::Com_start_stop)->palette().color(QPalette::Button),
              QColor(128, 128, 0));
    // The slot baselines went onto the canvas in dark grey.
    const int y = window.scale().toPixels(console.s.slot_y_top);
    EXPECT_EQ(window.canvas().image().pixel(10, y), qRgb(128, 128, 128));
}

TEST_F(ConnectedWindow, AClickOnThePanelOrAControlDoesNotRunFormClick) {
    clickAt(uncoveredPointOf(Control::Label1));
    clickAt(uncoveredPointOf(Control::Text_top));
    clickAt(uncoveredPointOf(Control::List_Info));
    clickAt(uncoveredPointOf(Control::Com_view_koef));
    EXPECT_EQ(window.windowCaption(), " Purlo");
    EXPECT_EQ(window.widget(Control::Com_start_stop)->palette().color(QPalette::Button),
              QColor(192, 255, 192));
}

TEST_F(ConnectedWindow, DoubleClicksAndKeysReachTheirHandlers) {
    auto* list = qobject_cast<ListBox*>(window.widget(Control::List_Info));
    auto* box = qobject_cast<TextBox*>(window.widget(Control::Text_command_to_send));
    auto* info = window.widget(Control::Text_Info);
    ASSERT_NE(list, nullptr);
    ASSERT_NE(box, nullptr);

    // The hint line opens the command list in Text_Info.
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                       list->visualItemRect(list->item(0)).center());
    EXPECT_TRUE(window.visible(Control::Text_Info));
    EXPECT_EQ(window.text(Control::Com_view_program_info), "Close");

    // Any key in Text_Info counts as an edit, and still edits.
    EXPECT_FALSE(console.s.info_text_modified);
    info->setFocus();
    QTest::keyClick(info, Qt::Key_X);
    EXPECT_TRUE(console.s.info_text_modified);
    EXPECT_NE(window.text(Control::Text_Info).find('x'), std::string::npos);

    // The command box opens the help page of the command in it.
    window.setText(Control::Text_command_to_send, "Z");
    QTest::mouseDClick(box, Qt::LeftButton);
    EXPECT_EQ(dialogs, 1);
}

TEST_F(ConnectedWindow, TheListReportsADoubleClickBelowItsLines) {
    auto* list = qobject_cast<ListBox*>(window.widget(Control::List_Info));
    QSignalSpy spy(list, &ListBox::doubleClickedAnywhere);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                       QPoint(5, list->viewport()->height() - 3));
    EXPECT_EQ(spy.count(), 1);
}

TEST_F(ConnectedWindow, ExitEndsTheProgramAndReleasesThePort) {
    port.open = true;
    console.s.port_open = true;
    QTest::mouseClick(qobject_cast<QPushButton*>(window.widget(Control::Com_exit)), Qt::LeftButton);
    EXPECT_TRUE(console.ending());
    EXPECT_FALSE(port.open);
    EXPECT_TRUE(window.isHidden());
}

TEST_F(ConnectedWindow, ClosingTheWindowDoesWhatExitDoes) {
    port.open = true;
    console.s.port_open = true;
    EXPECT_TRUE(window.close());
    EXPECT_TRUE(console.ending());
    EXPECT_FALSE(port.open);
    EXPECT_TRUE(window.isHidden());
}

TEST_F(ConnectedWindow, ExitInsideAWaitingLoopEndsIt) {
    // A handler loop waiting on yields, as the receive loop does; Exit
    // clicked meanwhile must end it.
    QTimer::singleShot(30, [&] {
        QTest::mouseClick(qobject_cast<QPushButton*>(window.widget(Control::Com_exit)),
                          Qt::LeftButton);
    });
    int passes = 0;
    while (!console.ending() && passes < 1000) {
        window.yield(Wait::UntilEvent);
        ++passes;
    }
    EXPECT_TRUE(console.ending());
    EXPECT_LT(passes, 1000);
}

}  // namespace
}  // namespace purlo
