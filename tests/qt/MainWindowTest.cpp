// SPDX-License-Identifier: GPL-3.0-or-later
// The real window against the control table: every control where the table
// puts it, with its caption, tooltip, colour, visibility and tab order.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <algorithm>
#include <cmath>
#include <vector>

#include "QtPrinters.h"
#include "window/MainWindow.h"

namespace purlo {
namespace {

// Twips to pixels worked out here on its own, from the screen's logical DPI.
int pixels(int twips) {
    const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInch();
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

QRect expectedRect(const TwipsRect& r) {
    const int left = pixels(r.left);
    const int top = pixels(r.top);
    return {left, top, pixels(r.left + r.width) - left, pixels(r.top + r.height) - top};
}

QColor expectedColour(Colour c) {
    if (c.buttonFace) return QApplication::palette().color(QPalette::Button);
    return {c.rgb.r, c.rgb.g, c.rgb.b};
}

QString q(std::string_view s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

struct WindowLayout : ::testing::Test {
    MainWindow window;
};

TEST_F(WindowLayout, IsOnlyTheFixedClientArea) {
    const QSize client(pixels(kClientWidthTwips), pixels(kClientHeightTwips));
    EXPECT_EQ(window.size(), client);
    EXPECT_EQ(window.minimumSize(), client);
    EXPECT_EQ(window.maximumSize(), client);
    EXPECT_EQ(window.windowTitle(), QStringLiteral(" Purlo"));
    EXPECT_EQ(window.windowCaption(), " Purlo");
    EXPECT_TRUE(window.findChildren<QMenuBar*>().isEmpty());
    EXPECT_TRUE(window.findChildren<QToolBar*>().isEmpty());
    EXPECT_TRUE(window.findChildren<QStatusBar*>().isEmpty());
    EXPECT_EQ(window.canvas().geometry(), QRect(QPoint(0, 0), client));
}

TEST_F(WindowLayout, HasEveryControlOfTheTable) {
    for (const ControlInfo& info : controlTable()) {
        SCOPED_TRACE(std::string(info.name));
        auto* w = window.findChild<QWidget*>(q(info.name));
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w, window.widget(info.id));
        EXPECT_EQ(w->parentWidget(), &window);
        EXPECT_EQ(w->geometry(), expectedRect(info.rect));
        EXPECT_EQ(w->toolTip(), q(info.tooltip));
        EXPECT_EQ(!w->isHidden(), info.visible);
        EXPECT_EQ(window.visible(info.id), info.visible);
        EXPECT_EQ(window.text(info.id), info.caption);
        // Qt's own accessibility describes the control; nothing overrides it.
        EXPECT_TRUE(w->accessibleName().isEmpty());

        switch (info.kind) {
            case ControlKind::Button: {
                auto* button = qobject_cast<QPushButton*>(w);
                ASSERT_NE(button, nullptr);
                EXPECT_EQ(button->text(), q(info.caption));
                QAccessibleInterface* a11y = QAccessible::queryAccessibleInterface(button);
                ASSERT_NE(a11y, nullptr);
                EXPECT_EQ(a11y->text(QAccessible::Name), q(info.caption));
                break;
            }
            case ControlKind::TextBox:
                ASSERT_NE(qobject_cast<QLineEdit*>(w), nullptr);
                EXPECT_EQ(qobject_cast<QLineEdit*>(w)->text(), q(info.caption));
                break;
            case ControlKind::MultiLineText: {
                auto* edit = qobject_cast<QPlainTextEdit*>(w);
                ASSERT_NE(edit, nullptr);
                EXPECT_EQ(edit->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
                break;
            }
            case ControlKind::ListBox: ASSERT_NE(qobject_cast<QListWidget*>(w), nullptr); break;
            case ControlKind::Panel: ASSERT_NE(qobject_cast<QLabel*>(w), nullptr); break;
        }
    }
}

QPalette::ColorRole backRole(ControlKind kind) {
    if (kind == ControlKind::Button) return QPalette::Button;
    if (kind == ControlKind::Panel) return QPalette::Window;
    return QPalette::Base;
}

QPalette::ColorRole textRole(ControlKind kind) {
    return kind == ControlKind::Button ? QPalette::ButtonText : QPalette::Text;
}

TEST_F(WindowLayout, ColoursEveryControlAsTheTableSays) {
    for (const ControlInfo& info : controlTable()) {
        SCOPED_TRACE(std::string(info.name));
        const QWidget* w = window.widget(info.id);
        if (info.back) {
            EXPECT_EQ(w->palette().color(backRole(info.kind)), expectedColour(*info.back));
        }
        if (info.fore) {
            EXPECT_EQ(w->palette().color(textRole(info.kind)), expectedColour(*info.fore));
        }
    }
    EXPECT_TRUE(window.widget(Control::Label1)->autoFillBackground());
    EXPECT_EQ(window.widget(Control::Label1)->palette().color(QPalette::Window), QColor(0, 0, 128));
}

TEST_F(WindowLayout, TextLinesAreYellowOnBlackInASansSerifFace) {
    for (Control c : {Control::Text_top, Control::Text_mid, Control::Text_bot}) {
        const QWidget* w = window.widget(c);
        EXPECT_EQ(w->palette().color(QPalette::Base), QColor(0, 0, 0));
        EXPECT_EQ(w->palette().color(QPalette::Text), QColor(255, 255, 0));
        EXPECT_EQ(w->font().styleHint(), QFont::SansSerif);
    }
}

TEST_F(WindowLayout, RecolouringAndFaceColour) {
    window.setBackColour(Control::Com_start_stop, Colour::palette(6));
    EXPECT_EQ(window.widget(Control::Com_start_stop)->palette().color(QPalette::Button),
              QColor(128, 128, 0));
    window.setBackColour(Control::Com_start_stop, Colour::face());
    EXPECT_EQ(window.widget(Control::Com_start_stop)->palette().color(QPalette::Button),
              QApplication::palette().color(QPalette::Button));
    window.setTextColour(Control::Text_command_to_send, Colour::palette(4));
    EXPECT_EQ(window.widget(Control::Text_command_to_send)->palette().color(QPalette::Text),
              QColor(128, 0, 0));
}

TEST_F(WindowLayout, TabOrderFollowsTheTabIndexes) {
    std::vector<const ControlInfo*> expected;
    for (const ControlInfo& info : controlTable()) {
        if (window.widget(info.id)->focusPolicy() & Qt::TabFocus) expected.push_back(&info);
    }
    std::sort(expected.begin(), expected.end(),
              [](auto* a, auto* b) { return a->tabIndex < b->tabIndex; });
    // Every button, box and the list take part; the panel does not.
    EXPECT_EQ(expected.size(), kControlCount - 1);

    std::vector<QWidget*> chain;
    QWidget* first = window.widget(expected.front()->id);
    QWidget* w = first;
    do {
        for (const ControlInfo* info : expected) {
            if (window.widget(info->id) == w) chain.push_back(w);
        }
        w = w->nextInFocusChain();
    } while (w != first && chain.size() <= expected.size());
    ASSERT_EQ(chain.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(chain[i], window.widget(expected[i]->id))
            << "tab stop " << i << ": " << expected[i]->name;
    }
}

TEST_F(WindowLayout, CaptionsAndTextsAreEightBit) {
    const std::string caption = "25\260C & 1";  // degree sign, an ampersand
    window.setText(Control::Com_view_temperature, caption);
    EXPECT_EQ(window.text(Control::Com_view_temperature), caption);
    QAccessibleInterface* a11y =
        QAccessible::queryAccessibleInterface(window.widget(Control::Com_view_temperature));
    EXPECT_EQ(a11y->text(QAccessible::Name), QString::fromLatin1("25\260C & 1"));
    window.setText(Control::Text_top, "caf\xe9");
    EXPECT_EQ(window.text(Control::Text_top), "caf\xe9");
    window.setWindowCaption(" 1234 mm [*]");
    EXPECT_EQ(window.windowCaption(), " 1234 mm [*]");
    EXPECT_TRUE(window.windowTitle().startsWith(QStringLiteral(" 1234 mm")));
}

TEST_F(WindowLayout, ShowsAndHidesControls) {
    window.setVisible(Control::Text_Info, true);
    EXPECT_TRUE(window.visible(Control::Text_Info));
    EXPECT_FALSE(window.widget(Control::Text_Info)->isHidden());
    window.setVisible(Control::Text_Info, false);
    EXPECT_FALSE(window.visible(Control::Text_Info));
}

}  // namespace
}  // namespace purlo
