// SPDX-License-Identifier: GPL-3.0-or-later
#include "MonitorWindow.h"

#include <qcustomplot.h>

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <utility>

#include "EchoViews.h"
#include "MonitorFiles.h"
#include "ReplayBar.h"
#include "SteadyLabel.h"
#include "TrendPanel.h"
#include "app/Replay.h"
#include "monitor/MonitorModel.h"
#include "window/MainWindow.h"
#include "window/PlaceBeside.h"

namespace purlo {

namespace {

// As large as the monitor is wanted, on a screen with room for it beside the console.
constexpr QSize kWanted(900, 820);
constexpr int kFrameMs = 100;  // ten frames a second: echo records come a few a second
// A redraw may take at most a tenth of the time: after one that took t,
// frames wait 9 t, so a console playing back flat out keeps nine tenths.
constexpr qint64 kRedrawShare = 9;

QString fromUtf8(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString valueText(const LastValues& v, ProbeValue which) {
    const std::optional<double>& n = v[which];
    if (!n) return QStringLiteral("none yet");
    QString text = QString::number(*n, 'g', 7);
    if (!v.unitOf(which).empty()) text += QStringLiteral(" ") + fromUtf8(v.unitOf(which));
    return text;
}

QGroupBox* panel(const QString& title, QWidget* parent) {
    auto* box = new QGroupBox(title, parent);
    box->setAccessibleName(title);
    return box;
}

}  // namespace

MonitorWindow::MonitorWindow(MonitorModel& model, MainWindow& console, QWidget* parent)
    : QWidget(parent, Qt::Window),
      model_(model),
      console_(console),
      settings_(MonitorSettings::load()),
      trend_(new TrendPanel(model, this)),
      echoes_(new EchoHistoryView(model, this)),
      reference_(new ReferenceView(model, this)),
      trendBox_(panel(QStringLiteral("Trend"), this)),
      echoBox_(panel(QStringLiteral("Echo history"), this)),
      referenceBox_(panel(QStringLiteral("Reference echo"), this)),
      message_(new QLabel(this)),
      newest_(new QLabel(this)),
      hover_(new QLabel(QStringLiteral("No echo record under the pointer"), this)),
      referenceText_(new QLabel(this)),
      follow_(new QPushButton(QStringLiteral("Follow"), this)),
      keepReference_(new QPushButton(QStringLiteral("Keep as reference"), this)),
      log_(new QCheckBox(QStringLiteral("Log to Purlo.csv"), this)) {
    setObjectName(QStringLiteral("Monitor"));
    setWindowTitle(QStringLiteral("Purlo monitor"));
    setAccessibleName(QStringLiteral("Purlo monitor"));
    // The console's window alone keeps the program running.
    setAttribute(Qt::WA_QuitOnClose, false);

    auto* showTrend = new QCheckBox(QStringLiteral("Trend"), this);
    auto* showEchoes = new QCheckBox(QStringLiteral("Echo history"), this);
    auto* showReference = new QCheckBox(QStringLiteral("Reference"), this);
    showTrend->setAccessibleName(QStringLiteral("Show the trend"));
    showEchoes->setAccessibleName(QStringLiteral("Show the echo history"));
    showReference->setAccessibleName(QStringLiteral("Show the reference echo"));
    follow_->setCheckable(true);
    follow_->setChecked(true);
    follow_->setAccessibleName(QStringLiteral("Follow the newest data"));
    follow_->setToolTip(QStringLiteral("The trend follows the newest data; zoom or pan to stop"));
    keepReference_->setAccessibleName(QStringLiteral("Keep the newest echo record as reference"));
    log_->setAccessibleName(QStringLiteral("Log every fill height to Purlo.csv"));
    auto* exports = new QToolButton(this);
    exports->setText(QStringLiteral("Export"));
    exports->setAccessibleName(QStringLiteral("Export"));
    buildExportMenu(exports);

    for (QLabel* l : {message_, newest_, hover_, referenceText_}) {
        l->setWordWrap(true);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    message_->setObjectName(QStringLiteral("MonitorMessage"));
    newest_->setObjectName(QStringLiteral("NewestValues"));
    hover_->setObjectName(QStringLiteral("EchoUnderPointer"));
    referenceText_->setObjectName(QStringLiteral("ReferenceComparison"));

    auto* bar = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{showTrend, showEchoes, showReference, follow_,
                                                      keepReference_, log_, exports}) {
        bar->addWidget(w);
    }
    bar->addStretch(1);

    auto* trendLayout = new QVBoxLayout(trendBox_);
    trendLayout->addWidget(trend_);
    auto* echoLayout = new QVBoxLayout(echoBox_);
    echoLayout->addWidget(echoes_, 1);
    echoLayout->addWidget(new SteadyLabel(hover_, 1, echoBox_));
    auto* referenceLayout = new QVBoxLayout(referenceBox_);
    referenceLayout->addWidget(reference_, 1);
    referenceLayout->addWidget(new SteadyLabel(referenceText_, 2, referenceBox_));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    if (Console* c = console_.console()) {
        replay_ = new ReplayBar(*c, this);
        layout->addWidget(replay_);
        connect(trend_, &TrendPanel::timeClicked, this, [this](double time) {
            // The trend's time is the model's: bytes at the rate it was told.
            if (model_.playingBack()) {
                replay_->seekTo(recordingBytes(time, model_.recordingBaudRate()));
            }
        });
    }
    layout->addWidget(message_);
    layout->addWidget(new SteadyLabel(newest_, 2, this));
    layout->addWidget(trendBox_, 3);
    layout->addWidget(echoBox_, 3);
    layout->addWidget(referenceBox_, 1);

    showTrend->setChecked(settings_.trend);
    showEchoes->setChecked(settings_.echoHistory);
    showReference->setChecked(settings_.reference);
    trendBox_->setVisible(settings_.trend);
    echoBox_->setVisible(settings_.echoHistory);
    referenceBox_->setVisible(settings_.reference && model_.hasReference());
    log_->setChecked(model_.logging() || settings_.csvLog);
    message_->setVisible(false);

    connect(showTrend, &QCheckBox::toggled, this, [this](bool on) {
        settings_.trend = on;
        trendBox_->setVisible(on);
        viewChanged_ = true;
        rememberLayout();
    });
    connect(showEchoes, &QCheckBox::toggled, this, [this](bool on) {
        settings_.echoHistory = on;
        echoBox_->setVisible(on);
        viewChanged_ = true;
        rememberLayout();
    });
    connect(showReference, &QCheckBox::toggled, this, [this](bool on) {
        settings_.reference = on;
        viewChanged_ = true;
        rememberLayout();
        updateTexts();
    });
    connect(follow_, &QPushButton::toggled, trend_, &TrendPanel::setFollow);
    connect(trend_, &TrendPanel::followChanged, follow_, &QPushButton::setChecked);
    connect(trend_, &TrendPanel::viewChanged, this, [this] { viewChanged_ = true; });
    connect(keepReference_, &QPushButton::clicked, this, &MonitorWindow::keepReference);
    connect(log_, &QCheckBox::toggled, this, &MonitorWindow::setLogging);
    connect(echoes_, &EchoHistoryView::hovered, hover_, &QLabel::setText);

    // Where the operator left it, if that is on a screen here now; else
    // beside the console, as large as the console's screen allows.
    if (!restoreOnPresentScreen(*this, settings_.geometry)) placeBeside(*this, console_, kWanted);

    frames_.setInterval(kFrameMs);
    connect(&frames_, &QTimer::timeout, this, [this] {
        // The place in a playback moves with every byte, not with the revision.
        if (replay_ != nullptr) replay_->refresh();
        // A redraw that costs much gives way to the console: frames are
        // skipped until it has had its share, and the model keeps everything.
        if (sinceRedraw_.isValid() && sinceRedraw_.nsecsElapsed() < kRedrawShare * redrawNs_) {
            return;
        }
        refresh();
    });
}

MonitorWindow::~MonitorWindow() = default;

void MonitorWindow::buildExportMenu(QToolButton* button) {
    // popup(), not the button's own menu: that one runs exec(), an event loop
    // of its own, and inside the console's receive loop it would stand
    // acquisition still for as long as the menu is open.
    auto* menu = new QMenu(button);
    exportMenu_ = menu;
    menu->setObjectName(QStringLiteral("ExportMenu"));
    menu->setAccessibleName(QStringLiteral("Export"));
    connect(button, &QToolButton::clicked, menu,
            [button, menu] { menu->popup(button->mapToGlobal(QPoint(0, button->height()))); });
    const QString png = QStringLiteral("PNG image (*.png)");
    const QString csv = QStringLiteral("CSV (*.csv)");
    menu->addAction(QStringLiteral("Trend as PNG…"), this, [this, png] {
        exportWithDialog(QStringLiteral("Trend as PNG"), QStringLiteral("Purlo-trend.png"), png,
                         &MonitorWindow::exportTrendPng);
    });
    menu->addAction(QStringLiteral("Trend as CSV, visible span…"), this, [this, csv] {
        askPath(QStringLiteral("Trend as CSV, visible span"), QStringLiteral("Purlo-trend.csv"),
                csv, [this](const QString& path) { exportTrendCsv(path, true); });
    });
    menu->addAction(QStringLiteral("Trend as CSV, everything…"), this, [this, csv] {
        askPath(QStringLiteral("Trend as CSV, everything"), QStringLiteral("Purlo-trend.csv"), csv,
                [this](const QString& path) { exportTrendCsv(path, false); });
    });
    menu->addAction(QStringLiteral("Echo history as PNG…"), this, [this, png] {
        exportWithDialog(QStringLiteral("Echo history as PNG"),
                         QStringLiteral("Purlo-echo-history.png"), png,
                         &MonitorWindow::exportEchoHistoryPng);
    });
    menu->addAction(QStringLiteral("Console drawing area as PNG…"), this, [this, png] {
        exportWithDialog(QStringLiteral("Console drawing area as PNG"),
                         QStringLiteral("Purlo-drawing.png"), png, &MonitorWindow::exportCanvasPng);
    });
    menu->addSeparator();
    menu->addAction(QStringLiteral("Save window as PDF…"), this, [this] {
        exportWithDialog(QStringLiteral("Save window as PDF"), QStringLiteral("Purlo-window.pdf"),
                         QStringLiteral("PDF (*.pdf)"), &MonitorWindow::exportWindowPdf);
    });
}

void MonitorWindow::askPath(const QString& title, const QString& name, const QString& filter,
                            std::function<void(const QString&)> then) {
    // One save dialog, shown with open(): it runs no event loop of its own, so
    // acquisition, the recording and the log go on while the operator chooses.
    // A second export asked for meanwhile takes the dialog over.
    if (!saveDialog_) {
        saveDialog_ = new QFileDialog(this);
        saveDialog_->setObjectName(QStringLiteral("ExportDialog"));
        saveDialog_->setAcceptMode(QFileDialog::AcceptSave);
        // The desktop's own dialog where there is a desktop; Qt's where there is none.
        if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
            saveDialog_->setOption(QFileDialog::DontUseNativeDialog);
        }
        connect(saveDialog_, &QFileDialog::fileSelected, this, [this](const QString& path) {
            if (auto write = std::exchange(chosen_, nullptr)) write(path);
        });
        connect(saveDialog_, &QDialog::rejected, this, [this] { chosen_ = nullptr; });
    }
    const QString folder = QString::fromStdString(model_.workingFolder().string());
    saveDialog_->setWindowTitle(title);
    saveDialog_->setNameFilter(filter);
    saveDialog_->setDefaultSuffix(QFileInfo(name).suffix());
    saveDialog_->setDirectory(folder);
    saveDialog_->selectFile(QDir(folder).filePath(name));
    chosen_ = std::move(then);
    saveDialog_->open();
}

void MonitorWindow::exportWithDialog(const QString& title, const QString& name,
                                     const QString& filter,
                                     bool (MonitorWindow::*write)(const QString&)) {
    askPath(title, name, filter, [this, write](const QString& path) { (this->*write)(path); });
}

bool MonitorWindow::report(const std::optional<QString>& failure, const QString& done) {
    showMessage(failure ? *failure : done);
    return !failure;
}

bool MonitorWindow::exportTrendPng(const QString& path) {
    trend_->refresh();
    return report(savePng(path, trend_->plot().toPixmap().toImage()),
                  QStringLiteral("Trend saved as %1").arg(path));
}

bool MonitorWindow::exportTrendCsv(const QString& path, bool visibleSpanOnly) {
    const double from = visibleSpanOnly ? trend_->visibleFrom() : -TrendSeries::kAll;
    const double to = visibleSpanOnly ? trend_->visibleTo() : TrendSeries::kAll;
    return report(saveBytes(path, QByteArray::fromStdString(model_.exportTrend(from, to))),
                  QStringLiteral("Trend saved as %1").arg(path));
}

bool MonitorWindow::exportEchoHistoryPng(const QString& path) {
    echoes_->refresh();
    return report(savePng(path, echoes_->image()),
                  QStringLiteral("Echo history saved as %1").arg(path));
}

bool MonitorWindow::exportCanvasPng(const QString& path) {
    return report(savePng(path, console_.canvas().image()),
                  QStringLiteral("Drawing area saved as %1").arg(path));
}

bool MonitorWindow::exportWindowPdf(const QString& path) {
    return report(savePdf(path, console_.grab()),
                  QStringLiteral("Console window saved as %1").arg(path));
}

void MonitorWindow::showMessage(const QString& text) {
    message_->setText(text);
    message_->setVisible(!text.isEmpty());
}

void MonitorWindow::keepReference() {
    if (!model_.takeReference()) {
        showMessage(QStringLiteral("There is no echo record yet to keep as the reference."));
        return;
    }
    if (const auto failure = model_.saveReference()) {
        showMessage(QString::fromStdString(*failure));
    } else {
        showMessage(QStringLiteral("The newest echo record is the reference now (saved in %1).")
                        .arg(QString::fromLatin1(kReferenceEchoFileName)));
    }
    refresh();
}

void MonitorWindow::setLogging(bool on) {
    if (on) logFailureShown_ = false;
    model_.setLogging(on);
    settings_.csvLog = on;
    settings_.save();
}

void MonitorWindow::rememberLayout() {
    settings_.geometry = saveGeometry();
    settings_.save();
}

void MonitorWindow::refresh() {
    const std::uint64_t revision = model_.revision();
    if (revision == drawnRevision_ && !viewChanged_) return;
    QElapsedTimer cost;
    cost.start();
    drawnRevision_ = revision;
    viewChanged_ = false;
    // Hidden panels wait: the echo history catches up on its next refresh.
    // Both paint before this returns, so the cost timed is the whole frame's.
    if (trendBox_->isVisibleTo(this)) trend_->refresh(true);
    if (echoBox_->isVisibleTo(this)) {
        echoes_->refresh();
        echoes_->repaint();
    }
    if (settings_.reference && model_.hasReference()) reference_->refresh();
    updateTexts();
    redrawNs_ = cost.nsecsElapsed();
    sinceRedraw_.start();
}

void MonitorWindow::updateTexts() {
    const LastValues& v = model_.lastValues();
    QString newest =
        QStringLiteral("Newest: fill height %1, temperature %2")
            .arg(valueText(v, ProbeValue::FillHeight), valueText(v, ProbeValue::Temperature));
    if (model_.playingBack()) {
        newest += QStringLiteral("; playing back, %1 of %2 bytes")
                      .arg(model_.playbackRead())
                      .arg(model_.playbackBytes());
    } else if (model_.linkUp()) {
        newest += QStringLiteral("; %1 (%2) open")
                      .arg(QString::fromStdString(model_.portName()),
                           QString::fromStdString(model_.device()));
    } else if (model_.linkWasLost()) {
        newest += QStringLiteral("; the link was lost");
    }
    newest_->setText(newest);

    referenceBox_->setVisible(settings_.reference && model_.hasReference());
    const MatchCounts& c = reference_->counts();
    referenceText_->setText(
        QStringLiteral("High in both (white): %1; only in the newest record (green): %2; only in "
                       "the reference (magenta): %3")
            .arg(c.both)
            .arg(c.onlyNew)
            .arg(c.onlyReference));

    if (const auto& failure = model_.logFailure(); failure && !logFailureShown_) {
        logFailureShown_ = true;
        showMessage(QString::fromStdString(*failure));
        // The box says whether rows are being written.
        log_->setChecked(false);
    }
}

void MonitorWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    viewChanged_ = true;
    refresh();
    frames_.start();
}

void MonitorWindow::hideEvent(QHideEvent* event) {
    frames_.stop();
    rememberLayout();
    QWidget::hideEvent(event);
}

}  // namespace purlo
