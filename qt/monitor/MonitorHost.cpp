// SPDX-License-Identifier: GPL-3.0-or-later
#include "MonitorHost.h"

#include <filesystem>
#include <system_error>

#include "MonitorWindow.h"
#include "monitor/MonitorModel.h"
#include "window/ConsoleMenu.h"
#include "window/MainWindow.h"

namespace purlo {

MonitorHost::MonitorHost(MonitorModel& model, MainWindow& console)
    : model_(model), console_(console) {
    connect(&console.consoleMenu(), &ConsoleMenu::monitorRequested, this, &MonitorHost::open);
}

MonitorHost::~MonitorHost() {
    // The program ends with the monitor still open: keep where it was.
    if (window_ && window_->isVisible()) window_->rememberLayout();
}

void MonitorHost::open() {
    if (!window_) {
        window_ = std::make_unique<MonitorWindow>(model_, console_);
        if (!startMessage_.isEmpty()) window_->showMessage(startMessage_);
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

QString loadReferenceAtStart(MonitorModel& model) {
    std::error_code ec;
    // No file is no reference yet, not a fault.
    if (!std::filesystem::exists(model.workingFolder() / kReferenceEchoFileName, ec)) return {};
    if (const auto failure = model.loadReference()) return QString::fromStdString(*failure);
    return {};
}

}  // namespace purlo
