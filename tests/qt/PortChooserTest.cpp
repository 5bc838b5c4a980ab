// SPDX-License-Identifier: GPL-3.0-or-later
// "Port for Comm n" in the console menu, on a catalogue of ports the test
// sets, with the bindings in a settings folder of the test's own.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTcpServer>
#include <QTest>
#include <array>
#include <cstdlib>
#include <optional>
#include <thread>

#include "app/Console.h"
#include "fakes/FakePortCatalogue.h"
#include "fakes/FakeSerialPort.h"
#include "fakes/Harness.h"
#include "serial/CommPort.h"
#include "serial/NetworkPorts.h"
#include "serial/PortWatcher.h"
#include "serial/ports/NetworkPortDialog.h"
#include "serial/ports/PortBindings.h"
#include "serial/ports/PortChooser.h"
#include "text/RuntimeError.h"
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
    ASSERT_EQ(entries.size(), 4);
    EXPECT_EQ(entries[3]->text(), QStringLiteral("Network port…"));
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
    EXPECT_EQ(textsOf(open()), (QStringList{"Automatic (/dev/ttyS1, absent)",
                                            "No serial ports found", "Network port…"}));
}

TEST_F(PortChooserWindow, NetworkPortAsksWithoutStoppingAnythingBindsAndListsTheServer) {
    const auto networkDialog = [this] {
        for (QAction* a : open()) {
            if (a->objectName() == QStringLiteral("NetworkPortAction")) a->trigger();
        }
        // Shown without a loop of its own: the trigger has returned.
        return window.findChild<NetworkPortDialog*>();
    };
    NetworkPortDialog* dialog = networkDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    // RFC 2217 on 4002, raw TCP on 4001, as the README's ser2net has them.
    auto* portBox = dialog->findChild<QSpinBox*>(QStringLiteral("Port"));
    auto* kindBox = dialog->findChild<QComboBox*>(QStringLiteral("Kind"));
    EXPECT_EQ(kindBox->currentIndex(), 0);
    EXPECT_EQ(portBox->value(), 4002);
    kindBox->setCurrentIndex(1);
    EXPECT_EQ(portBox->value(), 4001);
    portBox->setValue(5000);
    kindBox->setCurrentIndex(0);
    EXPECT_EQ(portBox->value(), 5000);  // a port of one's own stays
    dialog->findChild<QLineEdit*>(QStringLiteral("Host"))->setText(QStringLiteral("bad host"));
    dialog->accept();
    EXPECT_TRUE(dialog->isVisible());  // explained, still open
    EXPECT_TRUE(dialog->findChild<QLabel*>(QStringLiteral("Problem"))->isVisibleTo(dialog));
    EXPECT_EQ(PortBindings::binding(1), "");

    dialog->findChild<QLineEdit*>(QStringLiteral("Host"))->setText(QStringLiteral("::1"));
    dialog->findChild<QSpinBox*>(QStringLiteral("Port"))->setValue(4002);
    QSignalSpy changed(&chooser(), &PortChooser::bindingChanged);
    dialog->accept();
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(PortBindings::binding(1), "rfc2217://[::1]:4002");
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // Listed and marked from now on; the next dialog starts from it.
    EXPECT_EQ(marked(open()), QStringList{"rfc2217://[::1]:4002"});
    dialog = networkDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->address(), "rfc2217://[::1]:4002");
    dialog->findChild<QComboBox*>(QStringLiteral("Kind"))->setCurrentIndex(1);
    dialog->findChild<QLineEdit*>(QStringLiteral("Host"))->setText(QStringLiteral("gw.plant"));
    dialog->accept();
    EXPECT_EQ(PortBindings::binding(1), "tcp://gw.plant:4001");  // the raw port beside it
    const QStringList texts = textsOf(open());
    EXPECT_EQ(texts.mid(texts.size() - 3),
              (QStringList{"tcp://gw.plant:4001", "rfc2217://[::1]:4002", "Network port…"}));
}

// A network port says why it cannot be used wherever the chooser names it:
// in the environment, bound, and among the recent ones while a lost server
// is waited for.
TEST_F(PortChooserWindow, SaysWhyANetworkPortWasNotReachedWhereverItIsNamed) {
    QTcpServer gone;  // a port that was free a moment ago refuses
    ASSERT_TRUE(gone.listen(QHostAddress::LocalHost));
    const quint16 port = gone.serverPort();
    const std::string address = "rfc2217://127.0.0.1:" + std::to_string(port);
    gone.close();
    const auto first = [this] { return open().constFirst()->text().toStdString(); };

    setenv("PURLO_COMM1", address.c_str(), 1);
    CommPort network;  // Start's attempt, as the console's port makes it
    EXPECT_THROW(network.setPortOpen(true), RuntimeError);
    EXPECT_EQ(first(), "PURLO_COMM1=" + address + " (refused)");
    setenv("PURLO_COMM1", "tcp://gw.plant", 1);
    EXPECT_EQ(first(), "PURLO_COMM1=tcp://gw.plant (no port after the host)");

    // Bound by hand in ports.conf to no address: listed, marked, not choosable.
    unsetenv("PURLO_COMM1");
    PortBindings::bind(1, "tcp://[gw]:1");
    QList<QAction*> entries = open();
    const QStringList bound = marked(entries);
    ASSERT_EQ(bound.size(), 1);
    EXPECT_EQ(bound.front().toStdString(), "tcp://[gw]:1 (not an IPv6 address in the brackets)");
    EXPECT_FALSE(entries[textsOf(entries).indexOf(bound.front())]->isEnabled());

    // A server lost under acquisition: the watcher's tries say why, then that it is back.
    const std::string lost = "tcp://127.0.0.1:" + std::to_string(port);
    NetworkPorts::used(lost);
    PortWatcher watcher(console);
    watcher.watchFor(lost);
    const auto listed = [&] { return textsOf(open()).contains(QString::fromStdString(lost)); };
    EXPECT_TRUE(QTest::qWaitFor([&] { return NetworkPorts::failure(lost) == "refused"; }, 3000));
    EXPECT_TRUE(textsOf(open()).contains(QString::fromStdString(lost + " (refused)")));
    ASSERT_TRUE(gone.listen(QHostAddress::LocalHost, port));
    EXPECT_TRUE(QTest::qWaitFor([&] { return NetworkPorts::failure(lost).empty(); }, 5000));
    EXPECT_TRUE(listed());
    watcher.stop();
}

// A Telnet server of the test's own on loopback, in a thread (the port waits
// for its answers while it opens): it answers the COM-PORT-OPTION with DO, or
// DONT as a Telnet server without RFC 2217 does, and acknowledges every baud
// rate asked as 9600, as a box whose line is fixed does.
class FixedLineServer {
  public:
    explicit FixedLineServer(bool takesComPort) : listener_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listener_, 1);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &length);
        address = "rfc2217://127.0.0.1:" + std::to_string(ntohs(a.sin_port));
        thread_ = std::thread([this, takesComPort] { serve(takesComPort); });
    }
    ~FixedLineServer() {
        ::shutdown(listener_, SHUT_RDWR);
        thread_.join();
        ::close(listener_);
    }
    FixedLineServer(const FixedLineServer&) = delete;
    FixedLineServer& operator=(const FixedLineServer&) = delete;

    std::string address;

  private:
    void serve(bool takesComPort) {
        const int c = ::accept(listener_, nullptr, nullptr);
        if (c < 0) return;
        const std::string answer{'\xff', takesComPort ? '\xfd' : '\xfe', '\x2c'};
        bool up = ::write(c, answer.data(), answer.size()) > 0;
        const std::string setBaud{'\xff', '\xfa', '\x2c', '\x01'};
        const std::string ack{'\xff', '\xfa', '\x2c', 'e', 0, 0, '\x25', '\x80', '\xff', '\xf0'};
        std::array<char, 512> buffer{};
        for (ssize_t n = 0; up && (n = ::read(c, buffer.data(), buffer.size())) > 0;) {
            const std::string got(buffer.data(), static_cast<std::size_t>(n));
            for (auto at = got.find(setBaud); up && at != std::string::npos;
                 at = got.find(setBaud, at + 1))
                up = ::write(c, ack.data(), ack.size()) > 0;
        }
        ::close(c);
    }

    int listener_;
    std::thread thread_;
};

TEST(Rfc2217Server, ThatRefusesTheComPortOptionFailsTheOpenSuggestingRawTcp) {
    NoCommVariables noVariables;
    UserSettings settings;
    FixedLineServer server(false);
    setenv("PURLO_COMM1", server.address.c_str(), 1);
    CommPort port;
    EXPECT_THROW(port.setPortOpen(true), RuntimeError);
    EXPECT_FALSE(port.portOpen());
    EXPECT_EQ(NetworkPorts::failure(server.address),
              "refuses the COM-PORT-OPTION (no RFC 2217): try tcp" +
                  server.address.substr(server.address.find("://")));
}

TEST(Rfc2217Server, ThatSetsAnotherBaudRateIsSaidOnceForTheRateAsked) {
    NoCommVariables noVariables;
    UserSettings settings;
    FixedLineServer server(true);
    setenv("PURLO_COMM1", server.address.c_str(), 1);
    CommPort port;
    std::vector<std::string> notes;
    port.setNotes([&notes](const std::string& line) { notes.push_back(line); });
    port.setSettings("19200,N,8,1");
    port.setPortOpen(true);
    const auto read = [&] {
        QTest::qWait(300);
        port.inBufferCount();
    };
    read();
    port.setSettings("19200,N,8,1");  // asked again, set otherwise again
    read();
    EXPECT_EQ(notes, std::vector<std::string>{"* Error while setting Baud Rate! * Check Comport!"});
    EXPECT_EQ(NetworkPorts::failure(server.address), "the server set 9600 baud, not 19200");
    port.setSettings("9600,N,8,1");
    read();
    EXPECT_EQ(notes.size(), 1u);
    EXPECT_EQ(NetworkPorts::failure(server.address), "");
    port.setPortOpen(false);
}

// The real serial adapter: a bound adapter that is gone makes Start fail as
// any port that cannot be opened does; no other device is taken instead.
TEST(BoundPortAbsent, StartFailsWithThePortMessage) {
    NoCommVariables noVariables;
    UserSettings settings;
    TempDir dir;
    PortBindings::bind(1, (dir / "usb-FTDI_FT232R_USB_UART_A9KX1Q3E-if00-port0").string());
    MainWindow window;
    CommPort serial;
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
