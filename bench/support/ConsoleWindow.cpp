// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConsoleWindow.h"

#include <QApplication>
#include <QPushButton>
#include <QStyleFactory>
#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace purlo::bench {

void useOffscreenUnlessSet() {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

void useProgramStyle() {
    QApplication::setApplicationName(QStringLiteral("Purlo"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
}

void CountingWindow::setText(Control c, std::string_view text) {
    ++textSets_[static_cast<std::size_t>(c)];
    if (c == Control::Com_play_spl && !text.empty() && text.front() != '#') {
        highestPlayCount_ =
            std::max(highestPlayCount_, std::strtol(std::string(text).c_str(), nullptr, 10));
    }
    MainWindow::setText(c, text);
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
