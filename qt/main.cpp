// SPDX-License-Identifier: GPL-3.0-or-later
// The probe console: one window on the console core, with the real serial port.
//
//   purlo              works in the current directory (a shell's, a script's)
//   purlo --desktop    works in ~/Purlo, made on first start (the menu entry)
//   purlo --monitor    opens the monitor window beside the console at start
//   purlo --tune       opens the tuning assistant beside the console at start
//   purlo --scale 150  the window at 150 % for this run (else as last chosen)
//
// For start-up checks, see FirstFrameReport.h (PURLO_REPORT_FIRST_FRAME).
#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QMessageBox>
#include <QStringList>
#include <QStyleFactory>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>

#include "app/Console.h"
#include "files/WorkingFolder.h"
#include "monitor/Clocks.h"
#include "monitor/MonitorHost.h"
#include "monitor/MonitorModel.h"
#include "monitor/MonitorSettings.h"
#include "purlo/Version.h"
#include "serial/CommPort.h"
#include "serial/PortWatcher.h"
#include "tuning/Assistant.h"
#include "tuning/ConsoleButtons.h"
#include "tuning/TuningHost.h"
#include "window/FirstFrameReport.h"
#include "window/MainWindow.h"

namespace {

constexpr const char* kUsage =
    "Usage: purlo [--desktop] [--monitor] [--tune] [--scale PERCENT] [Qt options]\n"
    "\n"
    "The service and tuning console for the Purlo ultrasonic level probe.\n"
    "It keeps purlo.Set, Purlo.Spl and Purlo.Txt in its current directory.\n"
    "\n"
    "  --desktop   work in ~/Purlo instead, made on first start with a copy of\n"
    "              the shipped Purlo.Txt (the desktop menu entry uses this)\n"
    "  --monitor   open the monitor window (trend, echo history) at start;\n"
    "              otherwise Ctrl+M or a right-click on a button opens it\n"
    "  --tune      open the tuning assistant at start (sweeps the probe's\n"
    "              frequency, burst length and voltage); otherwise Ctrl+T or a\n"
    "              right-click on a button opens it\n"
    "  --scale PERCENT  the window's size for this run: 100, 125, 150, 200,\n"
    "              250 (% of its size at 96 dpi) or screen (as the screen has\n"
    "              it); otherwise the size last chosen with Ctrl+Plus, Ctrl+Minus,\n"
    "              Ctrl+0 or the menu of a right-click on a button\n"
    "  --help      this text\n"
    "  --version   the program's version and licence\n"
    "\n"
    "Port n (Comm1 to Comm4) is the device in PURLO_COMMn when that is set\n"
    "(or a serial device server: rfc2217://HOST:PORT, tcp://HOST:PORT),\n"
    "else the port bound to it with \"Port for Comm n\" (right-click a button),\n"
    "else the first of /dev/ttyUSB<n-1> and /dev/ttyACM<n-1> that exists,\n"
    "else /dev/ttyS<n-1>.\n";

// The console's own options. A single dash starts a whole word, as in Qt's
// own options (-platform, -reverse), never a cluster of one-letter options.
struct Options {
    QCommandLineOption desktop{QStringLiteral("desktop")};
    QCommandLineOption monitor{QStringLiteral("monitor")};
    QCommandLineOption tune{QStringLiteral("tune")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}};
    QCommandLineOption version{QStringLiteral("version")};
    QCommandLineOption scale{QStringLiteral("scale"), QString(), QStringLiteral("PERCENT")};

    void addTo(QCommandLineParser& parser) const {
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.addOptions({desktop, monitor, tune, help, version, scale});
    }
};

// The options QGuiApplication and QApplication take out of argv themselves
// (and the X11 platform's), so that they pass the check of the console's own.
void addQtOptions(QCommandLineParser& parser) {
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin",
                             "qwindowgeometry", "qwindowicon", "qwindowtitle", "session", "display",
                             "geometry", "name", "title", "style", "stylesheet", "qmljsdebugger"}) {
        parser.addOption({QString::fromLatin1(name), QString(), QStringLiteral("value")});
    }
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        parser.addOption(QCommandLineOption(QString::fromLatin1(name)));
    }
}

QStringList argumentList(int argc, char* argv[]) {
    QStringList list;
    for (int i = 0; i < argc; ++i) list << QString::fromLocal8Bit(argv[i]);
    return list;
}

// Moves into the operator's working folder; returns what the operator should
// be told (nothing when all went well).
QString enterDesktopFolder() {
    const std::filesystem::path program = QCoreApplication::applicationFilePath().toStdString();
    const purlo::WorkingFolder w =
        purlo::prepareDesktopFolder(purlo::homeFolder(), purlo::shippedInfoFile(program));
    QString problem = QString::fromStdString(w.problem);
    if (!w.folder.empty()) {
        std::error_code ec;
        std::filesystem::current_path(w.folder, ec);
        if (ec) {
            problem += QStringLiteral(" The folder %1 could not be entered (%2).")
                           .arg(QString::fromStdString(w.folder.string()),
                                QString::fromStdString(ec.message()));
        }
    }
    if (!problem.isEmpty()) std::fprintf(stderr, "purlo: %s\n", qPrintable(problem));
    return problem.trimmed();
}

}  // namespace

int main(int argc, char* argv[]) {
    // Every option is read and checked before the window system starts, so a
    // mistyped option gets its answer in a terminal without a display too.
    const Options options;
    QCommandLineParser parser;
    options.addTo(parser);
    addQtOptions(parser);
    const auto refuse = [](const QString& reason) {
        std::fprintf(stderr, "purlo: %s\n\n%s", qPrintable(reason), kUsage);
        return 2;
    };
    if (!parser.parse(argumentList(argc, argv))) return refuse(parser.errorText());
    if (parser.isSet(options.help)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (parser.isSet(options.version)) {
        std::fputs(purlo::versionText("purlo").c_str(), stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        return refuse(QStringLiteral("unexpected argument '%1'")
                          .arg(parser.positionalArguments().constFirst()));
    }
    std::optional<purlo::WindowSize> scale;
    if (parser.isSet(options.scale)) {
        scale = purlo::WindowSize::fromKey(parser.value(options.scale));
        if (!scale) {
            return refuse(QStringLiteral("--scale takes 100, 125, 150, 200, 250 or screen"));
        }
    }
    const bool desktop = parser.isSet(options.desktop);
    const bool monitor = parser.isSet(options.monitor);
    const bool tune = parser.isSet(options.tune);

    QApplication app(argc, argv);  // takes its own options out of argv
    // The window's size: from the command line for this run, else as chosen last.
    const purlo::WindowSize windowSize = scale ? *scale : purlo::WindowSize::load();

    QApplication::setApplicationName(QStringLiteral("Purlo"));
    QApplication::setApplicationVersion(QString::fromLatin1(purlo::kVersion));
    // The installed menu entry and icon, so the window is shown as the menu shows it.
    QGuiApplication::setDesktopFileName(QStringLiteral("purlo"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("purlo")));
    // Fusion draws buttons and boxes in the colours they are given.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    const QString folderProblem = desktop ? enterDesktopFolder() : QString();

    // The monitor's model lives as long as the console and hears it from the
    // start, so the trend holds everything whenever the monitor is opened.
    const purlo::SystemSteadyClock steadyClock;
    const purlo::SystemWallClock wallClock;
    purlo::MonitorOptions monitorOptions;
    monitorOptions.workingFolder = std::filesystem::current_path();
    monitorOptions.csvLog = purlo::MonitorSettings::load().csvLog;
    purlo::MonitorModel monitorModel(steadyClock, wallClock, std::move(monitorOptions));
    const QString referenceProblem = purlo::loadReferenceAtStart(monitorModel);
    // Whoever hears the console: the monitor's model and the tuning assistant.
    purlo::ObserverList observers;

    purlo::MainWindow window(windowSize);
    // A size the operator chooses is the size of the next start.
    QObject::connect(&window, &purlo::MainWindow::windowSizeChanged,
                     [](purlo::WindowSize size) { size.save(); });
    purlo::CommPort serial;
    purlo::Console console(window, window.canvas(), serial, std::filesystem::current_path());
    serial.setNotes([&console](const std::string& line) { console.addInfo(line); });
    // The tuning assistant hears the console from the start too: it must
    // know whether live acquisition runs when it is opened.
    purlo::tuning::ConsoleButtons tuningButtons(console);
    purlo::tuning::Assistant assistant(tuningButtons, steadyClock, wallClock);
    observers.add(monitorModel);
    observers.add(assistant);
    console.setObserver(observers);
    window.connectConsole(console);
    purlo::PortWatcher portWatcher(console);
    portWatcher.bindOption(window.consoleMenu().resumeAction());
    purlo::MonitorHost monitorHost(monitorModel, window);
    monitorHost.setStartMessage(referenceProblem);

    console.Form_Load();
    purlo::reportFirstFrame(window);
    window.show();
    purlo::TuningHost tuningHost(assistant, console, window);
    if (monitor) monitorHost.open();
    if (tune) tuningHost.open();
    if (!folderProblem.isEmpty()) {
        QTimer::singleShot(0, &window, [&window, folderProblem] {
            QMessageBox::warning(&window, QStringLiteral("Purlo"), folderProblem);
        });
    }
    return QApplication::exec();
}
