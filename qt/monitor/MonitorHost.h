// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <memory>

namespace purlo {

class MainWindow;
class MonitorModel;
class MonitorWindow;

// Opens the monitor on the console's model when asked (the console menu,
// Ctrl+M, --monitor). The window is made on the first request only, so a
// console whose monitor is never opened pays for none of it.
class MonitorHost : public QObject {
    Q_OBJECT

  public:
    MonitorHost(MonitorModel& model, MainWindow& console);
    ~MonitorHost() override;

    // Shows the monitor, made if need be, and brings it to the front.
    void open();
    // A message the monitor shows when it opens (a damaged reference file).
    void setStartMessage(const QString& text) { startMessage_ = text; }
    // Null until first opened.
    MonitorWindow* window() const { return window_.get(); }

  private:
    MonitorModel& model_;
    MainWindow& console_;
    QString startMessage_;
    std::unique_ptr<MonitorWindow> window_;
};

// Loads the reference echo at start when there is one; the message for the
// operator when the file is there but could not be read.
QString loadReferenceAtStart(MonitorModel& model);

}  // namespace purlo
