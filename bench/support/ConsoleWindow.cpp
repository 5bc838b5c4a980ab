#include "ConsoleWindow.h"

#include <QApplication>
#include <QPushButton>
#include <QStyleFactory>
#include <cstdlib>
#include <stdexcept>

namespace purlo::bench {

void useOffscreenUnlessSet() {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

void useProgramStyle() {
    QApplication::setApplicationName(QStringLiteral("Purlo"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
}

ConsoleWindow::ConsoleWindow(const std::filesystem::path& workDir)
    : console(window, window.canvas(), serial, workDir) {
    window.connectConsole(console);
    console.Form_Load();
    window.show();
    QApplication::processEvents();
}

void ConsoleWindow::click(Control button) {
    auto* b = qobject_cast<QPushButton*>(window.widget(button));
    if (b == nullptr) throw std::logic_error("not a button");
    b->click();
}

void ConsoleWindow::send(std::string_view command) {
    window.setText(Control::Text_command_to_send, command);
    click(Control::Com_command_to_send);
}

}  // namespace purlo::bench
