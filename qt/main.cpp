// The probe console: one window on the console core, with the real serial port.
#include <QApplication>
#include <QStyleFactory>
#include <filesystem>

#include "MainWindow.h"
#include "QtSerialPort.h"
#include "app/Console.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Purlo"));
    // Fusion draws buttons and boxes in the colours they are given.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    purlo::MainWindow window;
    purlo::QtSerialPort serial;
    purlo::Console console(window, window.canvas(), serial, std::filesystem::current_path());
    window.connectConsole(console);

    console.Form_Load();
    window.show();
    return QApplication::exec();
}
