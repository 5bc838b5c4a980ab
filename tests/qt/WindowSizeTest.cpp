// SPDX-License-Identifier: GPL-3.0-or-later
// The window at another size: the steps and "follow the screen", every
// control at its rectangle times the scale, the captions' face and the
// canvas with it, the menu and the shortcuts, the stored choice, and the
// core's twips unchanged.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QWindow>
#include <cmath>
#include <vector>

#include "QtPrinters.h"
#include "app/Console.h"
#include "fakes/FakeSerialPort.h"
#include "support/ScratchDir.h"
#include "window/ControlPanel.h"
#include "window/MainWindow.h"

namespace purlo {
namespace {

double screenDpi() {
    return QGuiApplication::primaryScreen()->logicalDotsPerInch();
}

// Twips to pixels at a percentage of 96 dpi, worked out here on its own.
int pixelsAt(int percent, double twips) {
    return static_cast<int>(std::lround(twips * 96.0 * percent / 100.0 / 1440.0));
}

QRect rectAt(int percent, const TwipsRect& r) {
    const int left = pixelsAt(percent, r.left);
    const int top = pixelsAt(percent, r.top);
    return {left, top, pixelsAt(percent, r.left + r.width) - left,
            pixelsAt(percent, r.top + r.height) - top};
}

QSize clientAt(int percent) {
    return {pixelsAt(percent, kClientWidthTwips), pixelsAt(percent, kClientHeightTwips)};
}

TEST(WindowSizeSteps, PercentagesOf96DpiStepFromTheSizeTheWindowHas) {
    const WindowSize screen;
    EXPECT_EQ(screen.dotsPerInch(120), 120);
    EXPECT_EQ(WindowSize::percent(150).dotsPerInch(120), 144);
    EXPECT_TRUE(WindowSize::percent(175).followsScreen());  // only the offered sizes
    EXPECT_EQ(screen.larger(96), WindowSize::percent(125));
    EXPECT_EQ(screen.smaller(96), screen);                    // 100 % is the smallest
    EXPECT_EQ(screen.larger(120), WindowSize::percent(150));  // 120 dpi is 125 %
    EXPECT_EQ(screen.smaller(110), WindowSize::percent(100));
    EXPECT_EQ(screen.larger(288), screen);  // already beyond 250 %
    EXPECT_EQ(screen.smaller(288), WindowSize::percent(250));
    EXPECT_EQ(WindowSize::percent(200).smaller(72), WindowSize::percent(150));
}

TEST(WindowSizeSteps, KeysReadBackAndOthersAreRefused) {
    EXPECT_EQ(WindowSize::fromKey(WindowSize().key()), WindowSize());
    EXPECT_EQ(WindowSize::fromKey(WindowSize::percent(125).key()), WindowSize::percent(125));
    EXPECT_EQ(WindowSize::fromKey(u" 150 %"), WindowSize::percent(150));
    for (const char16_t* bad : {u"", u"90", u"175", u"big", u"%"}) {
        EXPECT_FALSE(WindowSize::fromKey(bad).has_value()) << QString::fromUtf16(bad).toStdString();
    }
}

TEST(WindowSizeSteps, TheChoiceIsKeptPerUser) {
    const testsupport::ScratchDir config("purlo-config");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(config.path().string()));
    EXPECT_TRUE(WindowSize::load().followsScreen());
    WindowSize::percent(200).save();
    EXPECT_EQ(WindowSize::load(), WindowSize::percent(200));
    EXPECT_TRUE(std::filesystem::exists(config / "purlo" / "console.conf"));
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("purlo"),
              QStringLiteral("console"))
        .setValue(QStringLiteral("window/size"), QStringLiteral("180"));
    EXPECT_TRUE(WindowSize::load().followsScreen());
}

// The window made at a size, and the same window changed to it while shown.
class ScaledWindow : public ::testing::TestWithParam<int> {
  protected:
    static void expectLaidOutAt(MainWindow& window, int percent) {
        EXPECT_EQ(window.size(), clientAt(percent));
        EXPECT_EQ(window.minimumSize(), clientAt(percent));
        EXPECT_EQ(window.maximumSize(), clientAt(percent));
        for (const ControlInfo& info : controlTable()) {
            SCOPED_TRACE(std::string(info.name));
            EXPECT_EQ(window.widget(info.id)->geometry(), rectAt(percent, info.rect));
            // The captions' face grows as much as the layout.
            EXPECT_NEAR(window.widget(info.id)->font().pointSizeF(),
                        8.0 * 96.0 * percent / 100.0 / screenDpi(), 1e-9);
        }
        // The scroll bars grow too.
        const int bar = QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        const int scaledBar =
            static_cast<int>(std::lround(bar * 96.0 * percent / 100.0 / screenDpi()));
        window.widget(Control::Text_Info)->show();
        QApplication::processEvents();
        EXPECT_EQ(qobject_cast<QPlainTextEdit*>(window.widget(Control::Text_Info))
                      ->verticalScrollBar()
                      ->width(),
                  scaledBar);
        window.widget(Control::Text_Info)->hide();
        Canvas& canvas = window.canvas();
        EXPECT_EQ(canvas.geometry(), QRect(QPoint(0, 0), clientAt(percent)));
        EXPECT_EQ(canvas.image().size(), clientAt(percent) * canvas.image().devicePixelRatio());
        // The core's view stays in twips.
        EXPECT_EQ(canvas.widthTwips(), static_cast<float>(kClientWidthTwips));
    }

    // A line along a row and one along a column, at their twips times the
    // scale, one pixel wide.
    static void expectLinesAt(Canvas& canvas, int percent) {
        canvas.clear();
        canvas.setForeColour(15);
        canvas.drawLine(1500, 1500, 3000, 1500);
        canvas.drawLine(4500, 300, 4500, 900);
        const QImage& image = canvas.image();
        const int y = pixelsAt(percent, 1500);
        const QRgb white = qRgb(255, 255, 255);
        EXPECT_EQ(image.pixel(pixelsAt(percent, 2000), y), white);
        EXPECT_NE(image.pixel(pixelsAt(percent, 2000), y - 1), white);
        EXPECT_NE(image.pixel(pixelsAt(percent, 2000), y + 1), white);
        EXPECT_EQ(image.pixel(pixelsAt(percent, 1500), y), white);
        EXPECT_EQ(image.pixel(pixelsAt(percent, 3000), y), white);
        EXPECT_NE(image.pixel(pixelsAt(percent, 3000) + 1, y), white);
        EXPECT_EQ(image.pixel(pixelsAt(percent, 4500), pixelsAt(percent, 600)), white);
        EXPECT_NE(image.pixel(pixelsAt(percent, 4500) + 1, pixelsAt(percent, 600)), white);
        EXPECT_NE(image.pixel(pixelsAt(percent, 4500) - 1, pixelsAt(percent, 600)), white);
    }
};

TEST_P(ScaledWindow, EveryControlIsAtItsRectangleTimesTheScale) {
    MainWindow window(WindowSize::percent(GetParam()));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.windowSize(), WindowSize::percent(GetParam()));
    expectLaidOutAt(window, GetParam());
    expectLinesAt(window.canvas(), GetParam());
    // On the screen as well: the message list's grey at a point of it.
    const QImage shot = window.grab().toImage();
    const QPoint inList(pixelsAt(GetParam(), 8300), pixelsAt(GetParam(), 6050));
    EXPECT_EQ(shot.pixel(inList * shot.devicePixelRatio()), qRgb(224, 224, 224));
}

TEST_P(ScaledWindow, AChangeWhileShownLaysTheWindowOutAsIfMadeAtThatSize) {
    MainWindow window;
    const QSize today = window.size();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QSignalSpy changed(&window, &MainWindow::windowSizeChanged);
    window.setWindowSize(WindowSize::percent(GetParam()));
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).value<WindowSize>(), WindowSize::percent(GetParam()));
    expectLaidOutAt(window, GetParam());
    expectLinesAt(window.canvas(), GetParam());
    window.setWindowSize(WindowSize::percent(GetParam()));
    EXPECT_EQ(changed.count(), 1);  // no change, no signal
    window.setWindowSize(WindowSize());
    EXPECT_EQ(window.size(), today);
}

INSTANTIATE_TEST_SUITE_P(Percent, ScaledWindow, ::testing::Values(150, 200));

// The rows of a column that are drawn (not black).
std::vector<int> drawnRows(const QImage& image, int x) {
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y) {
        if (image.pixel(x, y) != qRgb(0, 0, 0)) rows.push_back(y);
    }
    return rows;
}

TEST(CanvasRescaled, APictureAlreadyDrawnLosesNoLineAndNewLinesAreOnePixel) {
    Canvas canvas{TwipsScale(192)};  // 200 %
    canvas.setForeColour(8);
    // A line on an odd row: shrunk to half, a plain resize would keep only
    // the even rows.
    const int odd = 301;
    const float twips = static_cast<float>(odd * 1440.0 / 192.0);
    canvas.drawLine(0, twips, 3000, twips);
    ASSERT_EQ(drawnRows(canvas.image(), 100), std::vector<int>({odd}));
    canvas.setScale(TwipsScale(96));
    EXPECT_EQ(canvas.size(), clientAt(100));
    EXPECT_EQ(canvas.image().size(), clientAt(100));
    EXPECT_EQ(drawnRows(canvas.image(), 50), std::vector<int>({odd / 2}));
    EXPECT_EQ(canvas.image().pixel(50, odd / 2), qRgb(128, 128, 128));
    // Grown again it is thicker, until drawn anew; a new line is one pixel.
    canvas.setScale(TwipsScale(144));
    const std::vector<int> grown = drawnRows(canvas.image(), 75);
    ASSERT_FALSE(grown.empty());
    EXPECT_LE(grown.size(), 2U);
    canvas.drawLine(4500, 300, 4500, 900);
    const int x = pixelsAt(150, 4500);
    EXPECT_EQ(drawnRows(canvas.image(), x).size(),
              static_cast<std::size_t>(pixelsAt(150, 900) - pixelsAt(150, 300) + 1));
    EXPECT_EQ(canvas.image().pixel(x + 1, pixelsAt(150, 600)), qRgb(0, 0, 0));
}

TEST(WindowAtScreenSize, KeepsTodaysFaceAndStyle) {
    MainWindow window;
    EXPECT_EQ(window.font().pointSizeF(), 8.0);
    // The scroll bars keep the application's style.
    const auto* list = qobject_cast<QAbstractScrollArea*>(window.widget(Control::List_Info));
    EXPECT_EQ(list->verticalScrollBar()->style(), QApplication::style());
}

// The window with a console behind it: the menu, the shortcuts and clicks.
struct SizedConsole : ::testing::Test {
    SizedConsole() : console(window, window.canvas(), port, dir.path()) {
        window.connectConsole(console);
        console.Form_Load();
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    void clickAt(QPoint p) { QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, p); }

    testsupport::ScratchDir dir{"purlo-size"};
    MainWindow window;
    test::FakeSerialPort port;
    Console console;
};

TEST_F(SizedConsole, TheMenuOffersEverySizeBeforeTheMonitorAndMarksTheOneChosen) {
    const QList<QAction*> entries = window.consoleMenu().menu().actions();
    QMenu& sizes = window.consoleMenu().windowSizeMenu();
    ASSERT_TRUE(entries.contains(sizes.menuAction()));
    EXPECT_LT(entries.indexOf(sizes.menuAction()),
              entries.indexOf(window.consoleMenu().monitorAction()));
    const auto shown = [&](bool onlyChecked) {
        QStringList texts;
        for (QAction* a : sizes.actions()) {
            if (a->isCheckable() && (a->isChecked() || !onlyChecked)) texts << a->text();
        }
        return texts;
    };
    EXPECT_EQ(shown(false),
              QStringList({"100 %", "125 %", "150 %", "200 %", "250 %", "Follow the screen"}));
    EXPECT_EQ(shown(true), QStringList({"Follow the screen"}));

    sizes.actions().at(2)->trigger();
    EXPECT_EQ(window.size(), clientAt(150));
    EXPECT_EQ(shown(true), QStringList({"150 %"}));
    // A shortcut moves the mark too.
    QTest::keyClick(&window, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(shown(true), QStringList({"200 %"}));
}

TEST_F(SizedConsole, CtrlPlusMinusAndZeroStepTheSize) {
    const int from = static_cast<int>(std::lround(screenDpi() / 96.0 * 100.0));
    ASSERT_EQ(from, 100) << "the steps below assume a 96-dpi screen";
    QWidget* start = window.widget(Control::Com_start_stop);
    start->setFocus();
    QTest::keyClick(start, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(window.windowSize(), WindowSize::percent(125));
    QTest::keyClick(start, Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(window.windowSize(), WindowSize::percent(150));
    QTest::keyClick(start, Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_EQ(window.windowSize(), WindowSize::percent(200));
    QTest::keyClick(start, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(window.windowSize(), WindowSize::percent(150));
    EXPECT_EQ(window.size(), clientAt(150));
    QTest::keyClick(start, Qt::Key_0, Qt::ControlModifier);
    EXPECT_TRUE(window.windowSize().followsScreen());
    EXPECT_EQ(window.size(), clientAt(100));
    // The keys did nothing else: Start did not run.
    EXPECT_EQ(window.text(Control::Com_start_stop), "Start");
    EXPECT_EQ(window.listCount(), 1);
}

TEST_F(SizedConsole, InTextInfoTheShortcutsStillCountAsKeysAndEditNothing) {
    auto* list = qobject_cast<ListBox*>(window.widget(Control::List_Info));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                       list->visualItemRect(list->item(0)).center());
    ASSERT_TRUE(window.visible(Control::Text_Info));
    auto* info = qobject_cast<QPlainTextEdit*>(window.widget(Control::Text_Info));
    info->setFocus();
    const QString text = info->toPlainText();
    const qreal face = info->font().pointSizeF();
    EXPECT_FALSE(console.s.info_text_modified);
    QTest::keyClick(info, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_TRUE(console.s.info_text_modified);
    EXPECT_EQ(window.windowSize(), WindowSize::percent(125));
    console.s.info_text_modified = false;
    QTest::keyClick(info, Qt::Key_0, Qt::ControlModifier);
    EXPECT_TRUE(console.s.info_text_modified);
    EXPECT_TRUE(window.windowSize().followsScreen());
    // The box zoomed nothing of its own and took no character.
    EXPECT_EQ(info->toPlainText(), text);
    EXPECT_EQ(info->font().pointSizeF(), face);
}

TEST_F(SizedConsole, AWindowGrownPastTheScreensEdgeIsMovedBackOntoIt) {
    const QRect free = window.screen()->availableGeometry();
    window.move(free.topLeft() + QPoint(40, 30));
    window.setWindowSize(WindowSize::percent(125));
    EXPECT_EQ(window.frameGeometry().topLeft(), free.topLeft() + QPoint(40, 30));
    window.setWindowSize(WindowSize::percent(250));
    const QRect frame = window.frameGeometry();
    ASSERT_GT(frame.width(), free.width()) << "a screen this large needs no move";
    EXPECT_EQ(frame.topLeft(), free.topLeft());
}

TEST_F(SizedConsole, ClicksMeanTheSameAtEverySize) {
    window.setWindowSize(WindowSize::percent(200));
    // On the panel between two rows of buttons: nothing.
    const QPoint panel(pixelsAt(200, 7000), pixelsAt(200, 4044));
    ASSERT_EQ(window.childAt(panel), window.widget(Control::Label1));
    clickAt(panel);
    EXPECT_EQ(window.windowCaption(), " Purlo");
    // Left of the panel, on the bare window: Form_Click, whose slot baselines
    // land at their twips times the scale.
    const QPoint bare(pixelsAt(200, 4000), pixelsAt(200, 4000));
    ASSERT_EQ(window.childAt(bare), &window.canvas());
    clickAt(bare);
    EXPECT_EQ(window.windowCaption(), " Begin transmission with Start button.");
    const int y = pixelsAt(200, console.s.slot_y_top);
    const QImage& image = window.canvas().image();
    EXPECT_EQ(image.pixel(10, y), qRgb(128, 128, 128));
    EXPECT_NE(image.pixel(10, y + 1), qRgb(128, 128, 128));
    EXPECT_NE(image.pixel(10, y - 1), qRgb(128, 128, 128));
}

}  // namespace
}  // namespace purlo
