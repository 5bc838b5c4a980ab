// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

#include "MonitorSettings.h"

class QCheckBox;
class QFileDialog;
class QMenu;
class QGroupBox;
class QLabel;
class QPushButton;
class QToolButton;

namespace purlo {

class EchoHistoryView;
class MainWindow;
class MonitorModel;
class ReferenceView;
class ReplayBar;
class TrendPanel;

// The monitor: a second top-level window beside the console's, showing what
// the console's model has kept (trend, echo history, reference echo) with
// the log switch and the exports. It only draws: the model keeps every
// event, and while the window is shown a frame timer redraws when the
// model's revision moved. Hidden, it runs no timer at all.
class MonitorWindow : public QWidget {
    Q_OBJECT

  public:
    // `console` is the main window whose drawing area and picture are exported.
    MonitorWindow(MonitorModel& model, MainWindow& console, QWidget* parent = nullptr);
    ~MonitorWindow() override;

    // Redraws now if anything changed since the last frame.
    void refresh();
    // Keeps size, place and panels in the per-user settings.
    void rememberLayout();
    // A line for the operator in the window's message label.
    void showMessage(const QString& text);

    // The exports, each to the file given; false (and a message) on failure.
    bool exportTrendPng(const QString& path);
    bool exportTrendCsv(const QString& path, bool visibleSpanOnly);
    bool exportEchoHistoryPng(const QString& path);
    bool exportCanvasPng(const QString& path);
    bool exportWindowPdf(const QString& path);

    TrendPanel& trend() { return *trend_; }
    EchoHistoryView& echoHistory() { return *echoes_; }
    ReferenceView& reference() { return *reference_; }
    QLabel& message() { return *message_; }
    QLabel& newestValues() { return *newest_; }
    QLabel& hoverText() { return *hover_; }
    QLabel& referenceText() { return *referenceText_; }
    QPushButton& followButton() { return *follow_; }
    QPushButton& keepReferenceButton() { return *keepReference_; }
    QCheckBox& logToggle() { return *log_; }
    const QTimer& frameTimer() const { return frames_; }
    // Null when the main window has no console connected.
    ReplayBar* replayBar() { return replay_; }
    // What the Export button pops up, and the save dialog it opens (null
    // until the first export is chosen).
    QMenu& exportMenu() { return *exportMenu_; }
    QFileDialog* exportDialog() { return saveDialog_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void buildExportMenu(QToolButton* button);
    void exportWithDialog(const QString& title, const QString& name, const QString& filter,
                          bool (MonitorWindow::*write)(const QString&));
    // Offers `name` in the working folder and calls `then` with the file chosen.
    void askPath(const QString& title, const QString& name, const QString& filter,
                 std::function<void(const QString&)> then);
    void keepReference();
    void setLogging(bool on);
    void updateTexts();
    bool report(const std::optional<QString>& failure, const QString& done);

    MonitorModel& model_;
    MainWindow& console_;
    MonitorSettings settings_;
    TrendPanel* trend_;
    ReplayBar* replay_ = nullptr;
    EchoHistoryView* echoes_;
    ReferenceView* reference_;
    QGroupBox* trendBox_;
    QGroupBox* echoBox_;
    QGroupBox* referenceBox_;
    QLabel* message_;
    QLabel* newest_;
    QLabel* hover_;
    QLabel* referenceText_;
    QPushButton* follow_;
    QPushButton* keepReference_;
    QCheckBox* log_;
    QMenu* exportMenu_ = nullptr;
    QFileDialog* saveDialog_ = nullptr;
    std::function<void(const QString&)> chosen_;  // the export waiting for its file
    QTimer frames_;
    std::uint64_t drawnRevision_ = 0;
    bool viewChanged_ = true;
    bool logFailureShown_ = false;
    // The cost of the last redraw: a feed faster than the window can draw
    // (a playback at tens of MB/s) makes it skip frames, never data.
    QElapsedTimer sinceRedraw_;
    qint64 redrawNs_ = 0;
};

}  // namespace purlo
