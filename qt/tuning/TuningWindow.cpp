// SPDX-License-Identifier: GPL-3.0-or-later
#include "TuningWindow.h"

#include <qcustomplot.h>

#include <QCloseEvent>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>

#include "TuningPictures.h"
#include "app/Console.h"
#include "monitor/MonitorFiles.h"
#include "observe/FrequencyTable.h"
#include "tuning/Assistant.h"
#include "tuning/ServiceRecord.h"

namespace purlo {

namespace {

const QStringList kColumns = {
    QStringLiteral("step"),         QStringLiteral("pass"),        QStringLiteral("value"),
    QStringLiteral("kHz"),          QStringLiteral("echo bounce"), QStringLiteral("echo range"),
    QStringLiteral("burst bounce"), QStringLiteral("detection"),   QStringLiteral("distance mm"),
    QStringLiteral("IQR mm"),       QStringLiteral("ringing end"), QStringLiteral("echo width"),
    QStringLiteral("stray"),        QStringLiteral("score"),
};

QString num(double v, int decimals = 1) {
    return QString::number(v, 'f', decimals);
}

QString valueText(const tuning::StepResult& s) {
    switch (s.plan.knob) {
        case tuning::Knob::Frequency:
            return QStringLiteral("index %1").arg(static_cast<int>(s.actual.frequencyIndex));
        case tuning::Knob::BurstLength:
            return QStringLiteral("%1 periods").arg(static_cast<int>(s.actual.burstLength));
        case tuning::Knob::Voltage: return QStringLiteral("%1 V").arg(num(s.actual.volts));
        case tuning::Knob::TuningMode: break;
    }
    return {};
}

QString figuresText(const tuning::Figures& f) {
    return QStringLiteral("echo bounce %1 (range %2), burst bounce %3, detection %4 %, IQR %5 mm")
        .arg(num(f.echoMedian), num(f.echoRange), num(f.burstMedian), num(f.detection * 100, 0),
             num(f.distanceIqrMm));
}

}  // namespace

TuningWindow::TuningWindow(tuning::Assistant& assistant, Console& console)
    : assistant_(assistant), console_(console) {
    setObjectName(QStringLiteral("TuningWindow"));
    setWindowTitle(QStringLiteral("Purlo tuning assistant"));
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    parameters_ = new QLabel(this);
    plan_ = new QLabel(this);
    plan_->setObjectName(QStringLiteral("TuningPlan"));
    plan_->setWordWrap(true);
    top->addWidget(parameters_);
    top->addWidget(plan_, 1);
    layout->addLayout(top);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("TuningStatus"));
    status_->setWordWrap(true);
    layout->addWidget(status_);
    progress_ = new QProgressBar(this);
    layout->addWidget(progress_);

    auto* buttons = new QHBoxLayout;
    auto add = [&](QPushButton*& b, const QString& text, const QString& name) {
        b = new QPushButton(text, this);
        b->setObjectName(name);
        buttons->addWidget(b);
    };
    add(start_, QStringLiteral("Start the sweep"), QStringLiteral("StartSweep"));
    add(goOn_, QStringLiteral("Go on"), QStringLiteral("GoOn"));
    add(apply_, QStringLiteral("Apply the best"), QStringLiteral("ApplyBest"));
    add(keep_, QStringLiteral("Keep as it was"), QStringLiteral("KeepAsItWas"));
    add(write_, QStringLiteral("Write into the probe…"), QStringLiteral("WriteIntoProbe"));
    add(restore_, QStringLiteral("Restore now"), QStringLiteral("RestoreNow"));
    add(export_, QStringLiteral("Export the plot"), QStringLiteral("ExportPlot"));
    buttons->addStretch(1);
    layout->addLayout(buttons);

    auto* split = new QSplitter(Qt::Vertical, this);
    table_ = new QTableWidget(0, static_cast<int>(kColumns.size()), split);
    table_->setHorizontalHeaderLabels(kColumns);
    table_->verticalHeader()->setVisible(false);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    auto* pictures = new QSplitter(Qt::Horizontal, split);
    plot_ = new TuningPlot(pictures);
    echoes_ = new StepEchoView(pictures);
    // The table would take all the room its rows ask for; the plot and the
    // picture are what the technician reads the sweep from, so they get half.
    plot_->setMinimumHeight(180);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    split->setSizes({1000, 1000});
    layout->addWidget(split, 1);
    scoreLine_ = new QLabel(QString::fromUtf8(tuning::kScoreExplanation.data(),
                                              static_cast<int>(tuning::kScoreExplanation.size())),
                            this);
    scoreLine_->setWordWrap(true);
    layout->addWidget(scoreLine_);
    deadTime_ = new QLabel(this);
    deadTime_->setWordWrap(true);
    layout->addWidget(deadTime_);
    beforeAfter_ = new QLabel(this);
    beforeAfter_->setObjectName(QStringLiteral("BeforeAfter"));
    beforeAfter_->setWordWrap(true);
    layout->addWidget(beforeAfter_);

    connect(start_, &QPushButton::clicked, this, &TuningWindow::start);
    connect(goOn_, &QPushButton::clicked, this, [this] { assistant_.goOn(); });
    connect(apply_, &QPushButton::clicked, this, [this] { assistant_.applyBest(); });
    connect(keep_, &QPushButton::clicked, this, [this] { assistant_.keepAsItWas(); });
    connect(restore_, &QPushButton::clicked, this, [this] { assistant_.restoreNow(); });
    connect(write_, &QPushButton::clicked, this, &TuningWindow::writeIntoProbe);
    connect(export_, &QPushButton::clicked, this, [this] { status_->setText(exportPlot()); });
    refresh();
}

TuningWindow::~TuningWindow() = default;

QPushButton& TuningWindow::button(const QString& objectName) {
    return *findChild<QPushButton*>(objectName);
}

std::filesystem::path TuningWindow::workingFolder() const {
    // The console opens its files by bare name in its working folder: the
    // service record and the plot go beside them.
    return console_.file("x").parent_path();
}

void TuningWindow::start() {
    tuning::RunContext c;
    c.baudRate = console_.s.pc_baud_rate;
    c.echoRecords = console_.s.sampling_on;
    c.recordBytes = console_.s.sample_length;
    c.zeroOffsetMm = console_.s.zero_offset_mm;
    c.inchUnits = console_.s.inch_units;
    assistant_.start(c, workingFolder());
    refresh();
}

// The specified "Save Probe + PC" path, after a confirmation that names the
// values; the box is shown with open(), so the receive loop goes on meanwhile.
void TuningWindow::writeIntoProbe() {
    const auto setting = assistant_.reportedSetting();
    if (!setting) return;
    if (!confirm_) {
        confirm_ = new QMessageBox(this);
        confirm_->setObjectName(QStringLiteral("WriteConfirmation"));
        confirm_->setIcon(QMessageBox::Question);
        confirm_->setWindowTitle(QStringLiteral("Write into the probe"));
        confirm_->setStandardButtons(QMessageBox::Yes | QMessageBox::Cancel);
        confirm_->setDefaultButton(QMessageBox::Cancel);
        connect(confirm_, &QMessageBox::finished, this, [this](int answer) {
            if (answer == QMessageBox::Yes) console_.click(Control::Com_Save_to_eeprom);
        });
    }
    confirm_->setText(QStringLiteral("Write %1 into the probe's memory (and purlo.Set), as "
                                     "\"Save Probe + PC\" does? The probe starts with them from "
                                     "its next restart on.")
                          .arg(QString::fromStdString(tuning::describe(*setting))));
    confirm_->open();
}

QString TuningWindow::exportPlot() {
    QString name = QStringLiteral("Purlo-tuning-plot.png");
    if (!assistant_.recordFile().empty()) {
        name = QString::fromStdString(assistant_.recordFile().stem().string()) +
               QStringLiteral(".png");
    }
    const QString path = QDir(QString::fromStdString(workingFolder().string())).filePath(name);
    const auto failure = savePng(path, plot_->plot().toPixmap().toImage());
    return failure ? *failure : QStringLiteral("The plot is in %1.").arg(name);
}

void TuningWindow::closeEvent(QCloseEvent* event) {
    // An event for the assistant: "keep as it was" while a run has the
    // probe, nothing once the run has ended.
    assistant_.windowClosed();
    QWidget::closeEvent(event);
}

QString TuningWindow::parametersText() const {
    const LastValues& v = assistant_.reported();
    auto show = [&](ProbeValue p, const QString& unit) {
        return v[p] ? QString::number(*v[p]) + unit : QStringLiteral("not reported");
    };
    QString frequency = show(ProbeValue::FrequencyKhz, QStringLiteral(" kHz"));
    if (v[ProbeValue::FrequencyKhz]) {
        if (const auto index = frequencyIndexOf(*v[ProbeValue::FrequencyKhz])) {
            frequency += QStringLiteral(" (index %1)").arg(*index);
        }
    }
    const auto& mode = v[ProbeValue::TuningMode];
    const QString tuningMode = !mode        ? QStringLiteral("not reported")
                               : *mode == 1 ? QStringLiteral("manual")
                               : *mode == 2 ? QStringLiteral("auto")
                                            : QString::number(*mode);
    return QStringLiteral(
               "As last reported:\nfrequency %1\nburst length %2\nvoltage %3\n"
               "dead time %4\ntuning %5")
        .arg(frequency, show(ProbeValue::BurstLength, QStringLiteral(" periods")),
             show(ProbeValue::TransducerVoltage, QStringLiteral(" V")),
             show(ProbeValue::DeadZone,
                  QStringLiteral(" ") +
                      QString::fromUtf8(v.unitOf(ProbeValue::DeadZone).data(),
                                        static_cast<int>(v.unitOf(ProbeValue::DeadZone).size()))),
             tuningMode);
}

QString TuningWindow::planText() const {
    // A run keeps to the plan it started with while the probe is stepped;
    // otherwise the plan a Start would follow now.
    const tuning::Setting found = assistant_.runFrom().value_or(
        assistant_.reportedSetting().value_or(tuning::Setting{30, 4, 10, 1}));
    QString text = QStringLiteral("The plan:");
    for (const std::string& line : tuning::summarise(found, console_.s.sampling_on).lines) {
        text += QLatin1Char('\n') + QString::fromStdString(line);
    }
    const double cycle =
        assistant_.cycleSeconds() > 0
            ? assistant_.cycleSeconds()
            : tuning::cycleSecondsAt(console_.s.pc_baud_rate, console_.s.sampling_on,
                                     console_.s.sample_length);
    text += QStringLiteral("\nAbout %1 min at %2 bit/s (a request cycle takes %3 s).")
                .arg(num(tuning::estimateSeconds(found, cycle) / 60.0))
                .arg(console_.s.pc_baud_rate)
                .arg(num(cycle, 2));
    return text;
}

void TuningWindow::refresh() {
    using tuning::Phase;
    const Phase phase = assistant_.phase();
    const bool idle = phase == Phase::Idle;
    const QString notReady = QString::fromStdString(assistant_.whyNotReady());
    parameters_->setText(parametersText());
    plan_->setText(planText());
    using tuning::Choice;
    start_->setEnabled(assistant_.offers(Choice::Start));
    goOn_->setEnabled(assistant_.offers(Choice::GoOn));
    apply_->setEnabled(assistant_.offers(Choice::Apply));
    keep_->setEnabled(assistant_.offers(Choice::Keep));
    write_->setEnabled(assistant_.offers(Choice::Write));
    restore_->setEnabled(assistant_.offers(Choice::RestoreNow));
    // The next step of the technician's path has the keyboard (Space presses it).
    for (QPushButton* next : {start_, apply_, goOn_}) {
        if (next->isEnabled() && (focusWidget() == nullptr || !focusWidget()->isEnabled() ||
                                  focusWidget() == start_ || focusWidget() == apply_)) {
            next->setFocus();
            break;
        }
    }
    QString status = QString::fromStdString(assistant_.status());
    if (idle && !notReady.isEmpty()) status = notReady + QLatin1Char(' ') + status;
    if (!assistant_.recordProblem().empty()) {
        status += QLatin1Char(' ') + QString::fromStdString(assistant_.recordProblem());
    } else if (idle && !assistant_.recordFile().empty()) {
        status += QStringLiteral(" Service record: %1.")
                      .arg(QString::fromStdString(assistant_.recordFile().filename().string()));
    }
    if (const auto left = assistant_.exitSecondsLeft()) {
        status += QStringLiteral(" The console ends in %1 s anyway.").arg(std::lround(*left));
    }
    status_->setText(status);
    progress_->setRange(0, std::max(1, assistant_.stepsPlanned()));
    progress_->setValue(assistant_.stepsDone());
    const bool running = phase == Phase::Sweeping || phase == Phase::Snapshot;
    progress_->setFormat(running ? QStringLiteral("%v of %m steps, about %1 s left")
                                       .arg(std::lround(assistant_.secondsLeft()))
                                 : QStringLiteral("%v of %m steps"));
    if (!assistant_.revision(seen_)) return;
    // Readings come several a second; the table, plot and picture change
    // only when a step ends, another begins, or the run moves on.
    const Shown now{assistant_.stepsDone(), assistant_.currentStep(), assistant_.bestStepIndex(),
                    static_cast<int>(phase)};
    if (now == shown_) return;
    shown_ = now;
    fillTable();
    plot_->refresh(assistant_);
    echoes_->setImage(stepEchoPicture(assistant_, assistant_.deadZoneMm()));
    deadTime_->setText(assistant_.chosen() && phase != Phase::Sweeping
                           ? QString::fromStdString(assistant_.deadTimeSuggestion())
                           : QString());
    const auto verify = assistant_.verification();
    if (verify && verify->done && !assistant_.steps().empty()) {
        beforeAfter_->setText(
            QStringLiteral("Before (as found): %1\nAfter (applied, 10 readings): %2")
                .arg(figuresText(assistant_.steps().front().figures),
                     figuresText(verify->figures)));
    } else {
        beforeAfter_->clear();
    }
}

void TuningWindow::fillTable() {
    const auto& steps = assistant_.steps();
    const auto best = assistant_.bestStepIndex();
    const auto current = assistant_.currentStep();
    table_->setRowCount(static_cast<int>(steps.size()));
    for (int r = 0; r < static_cast<int>(steps.size()); ++r) {
        const tuning::StepResult& s = steps[static_cast<std::size_t>(r)];
        const tuning::Figures& f = s.figures;
        const bool measured = s.done;
        // The frequency measured, once measured; the one planned until then.
        const auto khz = transducerKhz(static_cast<int>(
            measured || s.skipped ? s.actual.frequencyIndex : s.plan.target.frequencyIndex));
        QStringList cells = {
            QString::number(r + 1), QString::fromUtf8(tuning::passName(s.plan.pass).data()),
            measured    ? valueText(s)
            : s.skipped ? QStringLiteral("skipped: a limit")
                        : QString(),
            khz && (measured || s.plan.knob == tuning::Knob::Frequency) ? num(*khz) : QString()};
        if (measured) {
            cells << num(f.echoMedian) << num(f.echoRange) << num(f.burstMedian)
                  << num(f.detection * 100, 0) + QStringLiteral(" %") << num(f.distanceMedianMm, 0)
                  << num(f.distanceIqrMm)
                  << (f.shape ? QString::number(f.shape->ringEnd) : QString())
                  << (f.shape ? QString::number(f.shape->echoWidth) : QString())
                  << (f.shape ? num(f.shape->strayShare * 100, 1) + QStringLiteral(" %")
                              : QString())
                  << (f.eligible() ? num(f.score, 2)
                                   : (f.echoLost ? QStringLiteral("echo lost")
                                                 : QStringLiteral("rings past dead time")));
        }
        for (int c = 0; c < static_cast<int>(kColumns.size()); ++c) {
            QTableWidgetItem* item = table_->item(r, c);
            if (item == nullptr) {
                item = new QTableWidgetItem;
                table_->setItem(r, c, item);
            }
            item->setText(c < cells.size() ? cells[c] : QString());
            item->setBackground(QBrush());
            if (best && *best == static_cast<std::size_t>(r)) {
                item->setBackground(QColor(200, 240, 200));
                if (c == 0) item->setText(item->text() + QStringLiteral(" best"));
            } else if (current && *current == static_cast<std::size_t>(r)) {
                item->setBackground(QColor(255, 240, 180));
                if (c == 0) item->setText(item->text() + QStringLiteral(" now"));
            }
        }
    }
    table_->resizeColumnsToContents();
    if (current) table_->scrollToItem(table_->item(static_cast<int>(*current), 0));
}

}  // namespace purlo
