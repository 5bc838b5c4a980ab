// The probe console: one window on the console core, with the real serial port.
//
//   purlo              works in the current directory (a shell's, a script's)
//   purlo --desktop    works in ~/Purlo, made on first start (the menu entry)
//
// For start-up checks, see FirstFrameReport.h (PURLO_REPORT_FIRST_FRAME).
#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QStyleFactory>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "FirstFrameReport.h"
#include "MainWindow.h"
#include "QtSerialPort.h"
#include "app/Console.h"
#include "files/WorkingFolder.h"

namespace {

constexpr const char* kUsage =
    "Usage: purlo [--desktop] [Qt options]\n"
    "\n"
    "The service and tuning console for the Purlo ultrasonic level probe.\n"
    "It keeps purlo.Set, Purlo.Spl and Purlo.Txt in its current directory.\n"
    "\n"
    "  --desktop   work in ~/Purlo instead, made on first start with a copy of\n"
    "              the shipped Purlo.Txt (the desktop menu entry uses this)\n"
    "  --help      this text\n"
    "  --version   the program's version\n"
    "\n"
    "Port n (Comm1 to Comm4) is the device in PURLO_COMMn when that is set,\n"
    "else /dev/ttyUSB<n-1> when it exists, else /dev/ttyS<n-1>.\n";

bool isArgument(const char* arg, const char* name) {
    return std::strcmp(arg, name) == 0;
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
    // Answered before any window system is needed.
    for (int i = 1; i < argc; ++i) {
        if (isArgument(argv[i], "--help") || isArgument(argv[i], "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (isArgument(argv[i], "--version")) {
            std::printf("purlo %s\n", PURLO_VERSION);
            return 0;
        }
    }

    QApplication app(argc, argv);  // takes its own options out of argv
    bool desktop = false;
    for (int i = 1; i < argc; ++i) {
        if (isArgument(argv[i], "--desktop")) {
            desktop = true;
        } else {
            std::fprintf(stderr, "purlo: unknown option %s\n\n%s", argv[i], kUsage);
            return 2;
        }
    }

    QApplication::setApplicationName(QStringLiteral("Purlo"));
    QApplication::setApplicationVersion(QStringLiteral(PURLO_VERSION));
    // The installed menu entry and icon, so the window is shown as the menu shows it.
    QGuiApplication::setDesktopFileName(QStringLiteral("purlo"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("purlo")));
    // Fusion draws buttons and boxes in the colours they are given.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    const QString folderProblem = desktop ? enterDesktopFolder() : QString();

    purlo::MainWindow window;
    purlo::QtSerialPort serial;
    purlo::Console console(window, window.canvas(), serial, std::filesystem::current_path());
    window.connectConsole(console);

    console.Form_Load();
    purlo::reportFirstFrame(window);
    window.show();
    if (!folderProblem.isEmpty()) {
        QTimer::singleShot(0, &window, [&window, folderProblem] {
            QMessageBox::warning(&window, QStringLiteral("Purlo"), folderProblem);
        });
    }
    return QApplication::exec();
}
