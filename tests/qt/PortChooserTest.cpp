// SPDX-License-Identifier: GPL-3.0-or-later
// "Port for Comm n" in the console menu, on a catalogue of ports the test
// sets, with the bindings in a settings folder of the test's own.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QListWidget>
#include <QMenu>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <cstdlib>
#include <optional>

#include "app/Console.h"
#include "fakes/FakePortCatalogue.h"
#include "fakes/FakeSerialPort.h"
#include "fakes/Harness.h"
#include "serial/QtSerialPort.h"
#include "serial/ports/PortBindings.h"
#include "serial/ports/PortChooser.h"
#include "window/MainWindow.h"

namespace purlo {
namespace {

using test::TempDir;

const std::string kFtdi = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A9KX1Q3E-if00-port0";

// PURLO_COMM1 to PURLO_COMM4 unset for one test.
class NoCommVariables {
  public:
    NoCommVariables() {
        for (int n = 1; n <= 4; ++n) {
            const std::string name = "PURLO_COMM" + std::to_string(n);
            if (const char* v = std::getenv(name.c_str())) saved_.emplace_back(name, v);
            unsetenv(name.c_str());
        }
    }
    ~NoCommVariables() {
        for (const auto& [name, value] : saved_) setenv(name.c_str(), value.c_str(), 1);
    }
    NoCommVariables(const NoCommVariables&) = delete;
    NoCommVariables& operator=(const NoCommVariables&) = delete;

  private:
    std::vector<std::pair<std::string, std::string>> saved_;
};

struct UserSettings {
    UserSettings() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(config.path().string()));
    }
    TempDir config;
};

struct PortChooserWindow : ::testing::Test {
    PortChooserWindow() : console(window, window.canvas(), port, dir.path()) {
        window.connectConsole(console);
        console.Form_Load();
        chooser().setCatalogue(ports);
        PortInfo& ftdi = ports.add("/dev/ttyUSB0", kFtdi, "FT232R USB UART");
        ftdi.manufacturer = "FTDI";
        ftdi.serialNumber = "A9KX1Q3E";
        ports.add("/dev/ttyACM0", "/dev/serial/by-id/usb-Acme_&_Co_Probe-if00", "Acme & Co Probe");
        ports.denied["/dev/ttyACM0"] = PortAccess::NoPermission;
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    ~PortChooserWindow() override {
        if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    }

    PortChooser& chooser() { return window.consoleMenu().portChooser(); }

    // Opens the console menu with a right-click on `c`, as the operator does.
    QMenu* rightClick(Control c) {
        QWidget* button = window.widget(c);
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(4, 4),
                                button->mapToGlobal(QPoint(4, 4)));
        QApplication::sendEvent(button, &event);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }

    // The chooser's entries as it lists them on opening, separators left out.
    QList<QAction*> open() {
        chooser().menu()->close();
        chooser().menu()->popup(window.mapToGlobal(QPoint(10, 10)));
        QList<QAction*> entries;
        for (QAction* a : chooser().menu()->actions()) {
            if (!a->isSeparator()) entries << a;
        }
        return entries;
    }

    static QStringList textsOf(const QList<QAction*>& entries) {
        QStringList out;
        for (const QAction* a : entries) out << a->text();
        return out;
    }
    static QStringList marked(const QList<QAction*>& entries) {
        QStringList out;
        for (const QAction* a : entries) {
            if (a->isChecked()) out << a->text();
        }
        return out;
    }

    NoCommVariables noVariables;
    UserSettings settings;
    TempDir dir;
    test::FakePortCatalogue ports;
    MainWindow window;
    test::FakeSerialPort port;
    Console console;
};

TEST_F(PortChooserWindow, IsTheFirstEntryOfTheMenuOfEveryButtonAndFollowsTheCommButton) {
    for (Control c : {Control::Com_start_stop, Control::Com_Comm_port}) {
        QMenu* menu = rightClick(c);
        ASSERT_NE(menu, nullptr);
        ASSERT_FALSE(menu->actions().isEmpty());
        EXPECT_EQ(menu->actions().constFirst(), chooser().menuAction());
        EXPECT_EQ(menu->actions().constFirst()->text(), QStringLiteral("Port for Comm1"));
        EXPECT_EQ(menu->actions().constFirst()->menu(), chooser().menu());
        menu->close();
    }
    // The right-clicks clicked nothing.
    EXPECT_EQ(window.text(Control::Com_Comm_port), "Comm1");
    EXPECT_EQ(window.text(Control::Com_start_stop), "Start");

    QTest::mouseClick(window.widget(Control::Com_Comm_port), Qt::LeftButton);
    QTest::mouseClick(window.widget(Control::Com_Comm_port), Qt::LeftButton);
    QMenu* menu = rightClick(Control::Com_baudrate_pc);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->actions().constFirst()->text(), QStringLiteral("Port for Comm3"));
    menu->close();
}

// The entries themselves are the core's (PortChoices); here: what the menu
// makes of them, that it lists again on opening, and what choosing does.
TEST_F(PortChooserWindow, MarksTheMappedPortListsAgainOnOpeningAndBindsTheShownComm) {
    QList<QAction*> entries = open();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[2]->text(), QStringLiteral("/dev/ttyACM0 – Acme && Co Probe (no permission: "
                                                 "add your user to the group dialout)"));
    EXPECT_EQ(marked(entries),
              (QStringList{"Automatic (/dev/ttyUSB0)", "/dev/ttyUSB0 – FT232R USB UART"}));
    EXPECT_EQ(entries[1]->toolTip(),
              QString::fromStdString("Manufacturer: FTDI\nSerial number: A9KX1Q3E\n" + kFtdi));

    // Comm2 (the button clicked once) is bound to the adapter on ttyUSB0.
    QTest::mouseClick(window.widget(Control::Com_Comm_port), Qt::LeftButton);
    QSignalSpy changed(&chooser(), &PortChooser::bindingChanged);
    entries = open();
    EXPECT_EQ(marked(entries), QStringList{"Automatic (/dev/ttyS1, absent)"});
    console.resume.waiting = true;  // as after a lost port: another choice ends the wait
    entries[1]->trigger();
    EXPECT_EQ(changed.count(), 1);
    EXPECT_FALSE(console.resume.waiting);
    EXPECT_EQ(PortBindings::binding(2), kFtdi);
    EXPECT_EQ(PortBindings::binding(1), "");

    // Pulled: the next opening shows it absent, still bound.
    ports.unplug("/dev/ttyUSB0");
    entries = open();
    EXPECT_EQ(marked(entries), QStringList{QString::fromStdString(kFtdi + " (absent)")});

    // "Automatic" drops the binding.
    entries.constFirst()->trigger();
    EXPECT_EQ(PortBindings::binding(2), "");
    EXPECT_EQ(changed.count(), 2);

    ports.listed.clear();
    EXPECT_EQ(textsOf(open()),
              (QStringList{"Automatic (/dev/ttyS1, absent)", "No serial ports found"}));
}

// The real serial adapter: a bound adapter that is gone makes Start fail as
// any port that cannot be opened does; no other device is taken instead.
TEST(BoundPortAbsent, StartFailsWithThePortMessage) {
    NoCommVariables noVariables;
    UserSettings settings;
    TempDir dir;
    PortBindings::bind(1, (dir / "usb-FTDI_FT232R_USB_UART_A9KX1Q3E-if00-port0").string());
    MainWindow window;
    QtSerialPort serial;
    Console console(window, window.canvas(), serial, dir.path());
    window.connectConsole(console);
    console.Form_Load();
    window.show();
    QTest::mouseClick(window.widget(Control::Com_start_stop), Qt::LeftButton);
    EXPECT_EQ(window.text(Control::Com_start_stop), "Start");
    ASSERT_GE(window.listCount(), 1);
    EXPECT_EQ(window.listIndex(), window.listCount() - 1);
    EXPECT_FALSE(serial.portOpen());
    EXPECT_EQ(serial.deviceName(), PortBindings::binding(1));
    auto* list = qobject_cast<QListWidget*>(window.widget(Control::List_Info));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->item(window.listCount() - 1)->text(),
              QStringLiteral("* Error while setting Comm. Port or baudrate!"));
}

}  // namespace
}  // namespace purlo
