// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConsoleWindow.h"

#include <QApplication>
#include <QPushButton>
#include <QStyleFactory>
#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "MonitorHost.h"

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

namespace {

MonitorOptions monitorOptions(const std::filesystem::path& workDir) {
    MonitorOptions o;
    o.workingFolder = workDir;
    o.csvLog = false;
    return o;
}

}  // namespace

ConsoleWindow::ConsoleWindow(const std::filesystem::path& workDir, bool openMonitor)
    : console(window, window.canvas(), serial, workDir),
      monitorModel(steadyClock, wallClock, monitorOptions(workDir)),
      tuningButtons(console),
      assistant(tuningButtons, steadyClock, wallClock) {
    observers.add(monitorModel);
    observers.add(assistant);
    console.setObserver(observers);
    window.connectConsole(console);
    console.Form_Load();
    window.show();
    if (openMonitor) {
        monitorHost = std::make_unique<MonitorHost>(monitorModel, window);
        monitorHost->open();
    }
    QApplication::processEvents();
}

ConsoleWindow::~ConsoleWindow() {
    // The monitor window goes first; the console stops reporting to the model.
    monitorHost.reset();
    console.setObserver(nullObserver());
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
