// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <optional>

class QLabel;
class QMessageBox;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace purlo {

class Console;
class StepEchoView;
class TuningPlot;

namespace tuning {
class Assistant;
}

// The tuning assistant's window: the probe's parameters and the plan before
// a run, then the steps live (table, plot, echo picture, progress), and the
// technician's choices. It only shows the assistant and passes on clicks;
// nothing here waits or runs an event loop of its own.
class TuningWindow : public QWidget {
    Q_OBJECT
  public:
    TuningWindow(tuning::Assistant& assistant, Console& console);
    ~TuningWindow() override;

    // Redraws what changed since the last call (the host's timer).
    void refresh();
    // The plot as a PNG beside the service record; the message for the technician.
    QString exportPlot();
    QTableWidget& table() { return *table_; }
    QPushButton& button(const QString& objectName);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void start();
    std::filesystem::path workingFolder() const;
    void writeIntoProbe();
    void fillTable();
    QString parametersText() const;
    QString planText() const;

    tuning::Assistant& assistant_;
    Console& console_;
    std::uint64_t seen_ = 0;
    // What the table, plot and picture show last: redrawn only when it moved.
    struct Shown {
        int done = -1;
        std::optional<std::size_t> current;
        std::optional<std::size_t> best;
        int phase = -1;
        friend bool operator==(const Shown&, const Shown&) = default;
    } shown_;

    QLabel* parameters_;
    QLabel* plan_;
    QLabel* status_;
    QProgressBar* progress_;
    QTableWidget* table_;
    QLabel* scoreLine_;
    TuningPlot* plot_;
    StepEchoView* echoes_;
    QLabel* deadTime_;
    QLabel* beforeAfter_;
    QPushButton* start_;
    QPushButton* goOn_;
    QPushButton* keep_;
    QPushButton* apply_;
    QPushButton* write_;
    QPushButton* restore_;
    QPushButton* export_;
    QMessageBox* confirm_ = nullptr;
};

}  // namespace purlo
