// SPDX-License-Identifier: GPL-3.0-or-later
// The monitor window on a model fed a synthetic session through the observer
// calls, with a clock set by hand: what the plots, the echo pictures and the
// texts show, the exports and the per-user settings; and how the console's
// window opens it.
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "EchoViews.h"
#include "MonitorHost.h"
#include "MonitorSettings.h"
#include "MonitorWindow.h"
#include "ReplayBar.h"
#include "TrendPanel.h"
#include "app/Console.h"
#include "fakes/FakeSerialPort.h"
#include "fakes/Harness.h"
#include "monitor/MonitorFakes.h"
#include "monitor/MonitorModel.h"
#include "window/ControlPanel.h"
#include "window/MainWindow.h"

namespace purlo {
namespace {

using test::TempDir;
using Bytes = std::vector<std::uint8_t>;

QString qs(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}

// A record whose bits differ from one record and one byte to the next.
Bytes record(int i) {
    Bytes bytes(20);
    for (std::size_t j = 0; j < bytes.size(); ++j) {
        bytes[j] = static_cast<std::uint8_t>((i * 37 + static_cast<int>(j) * 11) ^ (j << 3));
    }
    return bytes;
}

struct MonitorSession : ::testing::Test {
    MonitorSession() : model(steady, wall, {dir.path(), false, 400000, kEchoHistoryRows}) {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, qs(config.path()));
        steady.now = 100;
        model.linkOpened("Comm1", "/dev/ttyUSB0");
    }

    // Every half second from `from`: a fill height of 1000 + i mm, a
    // temperature, an echo record.
    void feed(int from, int count) {
        for (int i = from; i < from + count; ++i) {
            steady.now = 100 + i * 0.5;
            model.replyDecoded({ProbeValue::FillHeight, 1000.0 + i, "mm"});
            model.replyDecoded({ProbeValue::Temperature, 20.0 + (i % 10) * 0.1, "°C"});
            model.echoRecord(record(i));
        }
    }

    MonitorWindow& open() {
        monitor = std::make_unique<MonitorWindow>(model, console);
        monitor->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(monitor.get()));
        monitor->refresh();
        return *monitor;
    }

    TempDir dir;
    TempDir config;
    test::FakeSteadyClock steady;
    test::FakeWallClock wall;
    MonitorModel model;
    MainWindow console;
    std::unique_ptr<MonitorWindow> monitor;
};

TEST_F(MonitorSession, TrendFollowsTheNewestDataUntilTheOperatorTakesTheTimeAxis) {
    feed(0, 200);  // 0 to 99.5 s
    MonitorWindow& m = open();
    TrendPanel& trend = m.trend();
    QCustomPlot& plot = trend.plot();

    // Following, with less than the followed width there: all of it.
    EXPECT_TRUE(trend.following());
    EXPECT_DOUBLE_EQ(plot.xAxis->range().lower, 0.0);
    EXPECT_DOUBLE_EQ(plot.xAxis->range().upper, 99.5);
    EXPECT_EQ(plot.xAxis->label(), QStringLiteral("time (s)"));
    EXPECT_EQ(plot.yAxis->label(), QStringLiteral("fill height (mm)"));
    ASSERT_EQ(trend.fillGraph().data()->size(), 200);
    EXPECT_DOUBLE_EQ(trend.fillGraph().data()->at(199)->key, 99.5);
    EXPECT_DOUBLE_EQ(trend.fillGraph().data()->at(199)->value, 1199.0);
    EXPECT_EQ(trend.temperatureGraph().valueAxis(), plot.yAxis2);
    EXPECT_TRUE(plot.yAxis->range().contains(1000.0) && plot.yAxis->range().contains(1199.0));
    EXPECT_TRUE(trend.fillStatistics().text().contains(
        QStringLiteral("min 1000 mm, max 1199 mm, mean 1099.5 mm, standard deviation 57.7343 mm "
                       "(200 values)")))
        << trend.fillStatistics().text().toStdString();
    EXPECT_TRUE(trend.temperatureStatistics().text().contains(QStringLiteral("min 20 °C")));
    EXPECT_TRUE(m.newestValues().text().contains(QStringLiteral("fill height 1199 mm")))
        << m.newestValues().text().toStdString();

    // A wheel turn on the plot stops following; the visible span is then the
    // operator's, and the statistics are of it.
    QWheelEvent wheel(QPointF(100, 50), plot.mapToGlobal(QPointF(100, 50)), {}, {0, 120},
                      Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&plot, &wheel);
    EXPECT_FALSE(trend.following());
    EXPECT_FALSE(m.followButton().isChecked());
    plot.xAxis->setRange(10, 20);
    m.refresh();
    EXPECT_TRUE(trend.fillStatistics().text().contains(
        QStringLiteral("min 1020 mm, max 1040 mm, mean 1030 mm")))
        << trend.fillStatistics().text().toStdString();
    EXPECT_TRUE(trend.fillStatistics().text().contains(QStringLiteral("(21 values)")));

    // New data does not move the operator's span.
    feed(200, 100);
    m.refresh();
    EXPECT_DOUBLE_EQ(plot.xAxis->range().lower, 10.0);
    EXPECT_DOUBLE_EQ(plot.xAxis->range().upper, 20.0);

    // Follow: the same width, ending at the newest point.
    QTest::mouseClick(&m.followButton(), Qt::LeftButton);
    EXPECT_TRUE(trend.following());
    m.refresh();
    EXPECT_DOUBLE_EQ(plot.xAxis->range().upper, 149.5);
    EXPECT_DOUBLE_EQ(plot.xAxis->range().lower, 139.5);
    EXPECT_DOUBLE_EQ(trend.fillGraph().data()->at(trend.fillGraph().data()->size() - 1)->value,
                     1299.0);
}

TEST_F(MonitorSession, AFarLongerSpanThanThePlotIsWideIsDecimatedAndKeepsASpike) {
    for (int i = 0; i < 100000; ++i) {
        steady.now = 100 + i * 0.05;
        model.replyDecoded({ProbeValue::FillHeight, i == 54321 ? 5000.0 : 1000.0, "mm"});
    }
    MonitorWindow& m = open();
    m.trend().setFollow(false);
    m.trend().plot().xAxis->setRange(0, 5000);
    m.refresh();
    QCPGraphDataContainer& data = *m.trend().fillGraph().data();
    const int width = m.trend().plot().axisRect()->width();
    EXPECT_LE(data.size(), 2 * std::max(100, width) + 4);
    EXPECT_GT(data.size(), 50);
    double highest = 0;
    for (const QCPGraphData& d : data) highest = std::max(highest, d.value);
    EXPECT_EQ(highest, 5000.0);
    // The statistics are of every point, not of the decimated ones.
    EXPECT_TRUE(m.trend().fillStatistics().text().contains(QStringLiteral("(100000 values)")))
        << m.trend().fillStatistics().text().toStdString();
}

// Whether pixel `x` of a picture row shows a high sample.
bool bright(const QImage& image, int x, int y) {
    return image.pixel(x, y) == EchoHistoryView::kHigh;
}

TEST_F(MonitorSession, EchoHistoryRowsAreTheRecordsBitsNewestOnTop) {
    feed(0, 30);
    MonitorWindow& m = open();
    QImage image = m.echoHistory().image();
    ASSERT_EQ(image.height(), 30);
    ASSERT_EQ(image.width(), 160);
    for (int row : {0, 1, 17, 29}) {
        const Bytes bytes = record(29 - row);
        for (int x = 0; x < 160; ++x) {
            const bool high = (bytes[static_cast<std::size_t>(x / 8)] & (0x80 >> (x % 8))) != 0;
            ASSERT_EQ(bright(image, x, row), high) << "row " << row << " sample " << x;
        }
    }

    // New records push the others down, a row each.
    feed(30, 5);
    m.refresh();
    const QImage after = m.echoHistory().image();
    ASSERT_EQ(after.height(), 35);
    EXPECT_EQ(after.copy(0, 5, 160, 30), image);
    EXPECT_EQ(after.pixel(0, 0) == EchoHistoryView::kHigh, (record(34)[0] & 0x80) != 0);

    // The row and sample under the pointer: the top row, sample 13.
    EchoHistoryView& view = m.echoHistory();
    const QPoint p(static_cast<int>((13 + 0.5) * view.width() / 160.0), 0);
    const QString text = view.describe(p);
    EXPECT_TRUE(text.contains(QStringLiteral("Record at 17.000 s"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("byte 1, bit 5 (sample 13)"))) << text.toStdString();
    QTest::mouseMove(&view, p);
    EXPECT_EQ(m.hoverText().text(), text);

    // A playback starts the history afresh.
    model.playbackStarted(1000, 9600);
    model.playbackPosition(10);
    model.echoRecord(Bytes{0xff});
    m.refresh();
    EXPECT_EQ(m.echoHistory().image().height(), 1);
}

TEST_F(MonitorSession, ReferenceShowsRecordReferenceAndBothInTheirColours) {
    model.echoRecord(Bytes{0xf0});
    MonitorWindow& m = open();
    QTest::mouseClick(&m.keepReferenceButton(), Qt::LeftButton);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / kReferenceEchoFileName));
    EXPECT_TRUE(m.message().text().contains(QStringLiteral("reference")));
    model.echoRecord(Bytes{0xcc});  // samples 0 1 both, 2 3 reference only, 4 5 record only
    m.refresh();
    EXPECT_TRUE(m.reference().isVisibleTo(&m));
    const QImage& image = m.reference().image();
    ASSERT_EQ(image.width(), 8);
    const QRgb both[8] = {ReferenceView::kBoth,      ReferenceView::kBoth,
                          ReferenceView::kReference, ReferenceView::kReference,
                          ReferenceView::kRecord,    ReferenceView::kRecord,
                          ReferenceView::kNeither,   ReferenceView::kNeither};
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(image.pixel(x, 2), both[x]) << x;
        EXPECT_EQ(image.pixel(x, 0) != ReferenceView::kNeither, x < 2 || x == 4 || x == 5) << x;
        EXPECT_EQ(image.pixel(x, 1) != ReferenceView::kNeither, x < 4) << x;
    }
    EXPECT_TRUE(m.referenceText().text().contains(
        QStringLiteral("both (white): 2; only in the newest record (green): 2; only in the "
                       "reference (magenta): 2")));
}

TEST_F(MonitorSession, ADamagedReferenceFileIsReportedInTheMonitor) {
    testsupport::writeFile(dir.path() / kReferenceEchoFileName, "not an echo\r\n");
    MonitorHost host(model, console);
    host.setStartMessage(loadReferenceAtStart(model));
    EXPECT_FALSE(model.hasReference());
    EXPECT_EQ(host.window(), nullptr);  // made when first opened
    host.open();
    ASSERT_NE(host.window(), nullptr);
    EXPECT_TRUE(host.window()->message().text().contains(QStringLiteral("Purlo-reference.echo")))
        << host.window()->message().text().toStdString();
    EXPECT_EQ(console.listCount(), 0);  // nothing in the console's list

    // No file at all is no reference yet, and nothing to say.
    std::filesystem::remove(dir.path() / kReferenceEchoFileName);
    EXPECT_EQ(loadReferenceAtStart(model), QString());
}

TEST_F(MonitorSession, ExportsWriteTheirFilesAndSayWhenTheyCannot) {
    feed(0, 200);
    MonitorWindow& m = open();
    const QDir folder(qs(dir.path()));

    ASSERT_TRUE(m.exportTrendCsv(folder.filePath("all.csv"), false));
    EXPECT_EQ(testsupport::readFile(dir.path() / "all.csv"), model.exportTrend());
    m.trend().setFollow(false);
    m.trend().plot().xAxis->setRange(10, 20);
    ASSERT_TRUE(m.exportTrendCsv(folder.filePath("span.csv"), true));
    const std::string span = testsupport::readFile(dir.path() / "span.csv");
    EXPECT_EQ(span, model.exportTrend(10, 20));
    EXPECT_EQ(std::count(span.begin(), span.end(), '\n'), 1 + 21);

    ASSERT_TRUE(m.exportTrendPng(folder.filePath("trend.png")));
    EXPECT_FALSE(QImage(folder.filePath("trend.png")).isNull());
    ASSERT_TRUE(m.exportEchoHistoryPng(folder.filePath("echoes.png")));
    EXPECT_EQ(QImage(folder.filePath("echoes.png")).convertToFormat(QImage::Format_RGB32),
              m.echoHistory().image());
    ASSERT_TRUE(m.exportCanvasPng(folder.filePath("drawing.png")));
    EXPECT_EQ(QImage(folder.filePath("drawing.png")).size(), console.canvas().image().size());
    ASSERT_TRUE(m.exportWindowPdf(folder.filePath("window.pdf")));
    EXPECT_EQ(testsupport::readFile(dir.path() / "window.pdf").substr(0, 5), "%PDF-");
    EXPECT_TRUE(m.message().text().contains(QStringLiteral("window.pdf")));

    EXPECT_FALSE(m.exportTrendCsv(folder.filePath("missing/trend.csv"), false));
    EXPECT_TRUE(m.message().text().contains(QStringLiteral("missing/trend.csv was not written")))
        << m.message().text().toStdString();
    EXPECT_FALSE(m.exportWindowPdf(folder.filePath("missing/window.pdf")));
    EXPECT_TRUE(m.message().isVisible());
}

TEST_F(MonitorSession, AnExportAsksForItsFileInTheWorkingFolder) {
    feed(0, 10);
    MonitorWindow& m = open();
    QAction* csvAll = nullptr;
    for (QAction* a : m.exportMenu().actions()) {
        if (a->text() == QStringLiteral("Trend as CSV, everything…")) csvAll = a;
    }
    ASSERT_NE(csvAll, nullptr);
    csvAll->trigger();  // returns at once: the dialog is open, nothing waits for it
    QFileDialog* dialog = m.exportDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->selectedFiles().value(0),
              QDir(qs(dir.path())).filePath(QStringLiteral("Purlo-trend.csv")));
    dialog->selectFile(QStringLiteral("chosen.csv"));
    QMetaObject::invokeMethod(dialog, "accept");
    EXPECT_EQ(testsupport::readFile(dir.path() / "chosen.csv"), model.exportTrend());
    // Cancelled, an export writes nothing, and the next one is its own.
    csvAll->trigger();
    dialog->selectFile(QStringLiteral("cancelled.csv"));
    dialog->reject();
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "cancelled.csv"));
}

TEST_F(MonitorSession, TheLogIsOffAtFirstAndItsSwitchAndFailureAreTheMonitors) {
    MonitorWindow& m = open();
    EXPECT_FALSE(m.logToggle().isChecked());
    EXPECT_FALSE(model.logging());
    std::filesystem::create_symlink("/dev/full", dir.path() / "Purlo.csv");
    m.logToggle().click();
    EXPECT_TRUE(model.logging());
    EXPECT_TRUE(MonitorSettings::load().csvLog);
    model.replyDecoded({ProbeValue::FillHeight, 1000, "mm"});
    m.refresh();
    EXPECT_TRUE(m.message().text().contains(QStringLiteral("Purlo.csv: writing failed")))
        << m.message().text().toStdString();
    EXPECT_EQ(console.listCount(), 0);
    // The box shows that the log has stopped; ticked again, it tries afresh.
    EXPECT_FALSE(m.logToggle().isChecked());
    std::filesystem::remove(dir.path() / "Purlo.csv");
    m.logToggle().click();
    EXPECT_TRUE(model.logging());
    model.replyDecoded({ProbeValue::FillHeight, 1001, "mm"});
    EXPECT_NE(testsupport::readFile(dir.path() / "Purlo.csv").find(",1001,mm,"), std::string::npos);
}

TEST_F(MonitorSession, SizePlaceAndPanelsAreRememberedAndHiddenItRunsNoTimer) {
    MonitorWindow& m = open();
    EXPECT_TRUE(m.frameTimer().isActive());
    for (QCheckBox* box : m.findChildren<QCheckBox*>()) {
        if (box->text() == QStringLiteral("Trend")) box->click();
    }
    EXPECT_FALSE(m.trend().isVisibleTo(&m));
    m.resize(980, 760);
    m.hide();
    EXPECT_FALSE(m.frameTimer().isActive());

    const MonitorSettings kept = MonitorSettings::load();
    EXPECT_FALSE(kept.trend);
    EXPECT_TRUE(kept.echoHistory);
    MonitorWindow again(model, console);
    EXPECT_FALSE(again.trend().isVisibleTo(&again));
    EXPECT_EQ(again.size(), QSize(980, 760));
    EXPECT_FALSE(again.frameTimer().isActive());
}

TEST_F(MonitorSession, EveryControlHasAnAccessibleName) {
    MonitorWindow& m = open();
    int controls = 0;
    for (QAbstractButton* b : m.findChildren<QAbstractButton*>()) {
        ++controls;
        EXPECT_FALSE(b->accessibleName().isEmpty()) << b->text().toStdString();
    }
    EXPECT_GE(controls, 7);
    EXPECT_FALSE(m.trend().plot().accessibleName().isEmpty());
    EXPECT_FALSE(m.echoHistory().accessibleName().isEmpty());
    EXPECT_FALSE(m.reference().accessibleName().isEmpty());
}

struct ConsoleWindow : ::testing::Test {
    ConsoleWindow() : console(window, window.canvas(), port, dir.path()) {
        window.connectConsole(console);
        console.Form_Load();
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    TempDir dir;
    MainWindow window;
    test::FakeSerialPort port;
    Console console;
};

TEST_F(ConsoleWindow, ARightClickOnAButtonOffersTheMonitorAndCtrlMOpensIt) {
    QSignalSpy asked(&window.consoleMenu(), &ConsoleMenu::monitorRequested);
    QWidget* start = window.widget(Control::Com_start_stop);
    const std::string caption = window.text(Control::Com_start_stop);
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(5, 5),
                                 start->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(start, &rightClick);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    ASSERT_FALSE(menu->actions().isEmpty());
    QAction* monitor = window.consoleMenu().monitorAction();
    ASSERT_TRUE(menu->actions().contains(monitor));
    EXPECT_EQ(monitor->text(), QStringLiteral("Monitor…"));
    monitor->trigger();
    menu->close();
    EXPECT_EQ(asked.count(), 1);
    // The right-click was no click: Start did not run.
    EXPECT_EQ(window.text(Control::Com_start_stop), caption);
    EXPECT_EQ(window.listCount(), 1);

    QTest::keyClick(&window, Qt::Key_M, Qt::ControlModifier);
    EXPECT_EQ(asked.count(), 2);

    // In Text_Info the shortcut still counts as a key there.
    auto* list = qobject_cast<ListBox*>(window.widget(Control::List_Info));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                       list->visualItemRect(list->item(0)).center());
    ASSERT_TRUE(window.visible(Control::Text_Info));
    window.widget(Control::Text_Info)->setFocus();
    EXPECT_FALSE(console.s.info_text_modified);
    QTest::keyClick(window.widget(Control::Text_Info), Qt::Key_M, Qt::ControlModifier);
    EXPECT_EQ(asked.count(), 3);
    EXPECT_TRUE(console.s.info_text_modified);
}

TEST_F(ConsoleWindow, TheMenuOpensTheMonitorOnTheConsolesModel) {
    test::FakeSteadyClock steady;
    test::FakeWallClock wall;
    TempDir config;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, qs(config.path()));
    MonitorModel model(steady, wall, {dir.path(), false, 1000, 16});
    console.setObserver(model);
    MonitorHost host(model, window);
    window.consoleMenu().monitorAction()->trigger();
    ASSERT_NE(host.window(), nullptr);
    EXPECT_TRUE(host.window()->isVisible());
    EXPECT_TRUE(host.window()->isWindow());
}

// A recording of `records` echo records of 40 sample bytes, each followed by
// its distance reply and a temperature reply: 53 bytes a record.
std::string recording(int records) {
    std::string r;
    for (int i = 0; i < records; ++i) {
        r += '=';
        for (int b = 0; b < 40; ++b) r += static_cast<char>(b % 3 == 0 ? 0xF0 : 0x0F);
        r += "D" + std::to_string(1000 + i) + "\r\n";
        r += "c" + std::to_string(150 + i % 100) + "\r";
    }
    return r;
}

struct Replaying : ConsoleWindow {
    explicit Replaying(int records = 400) : file(recording(records)) {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, qs(config.path()));
        test::writeFile(console.file("Purlo.Spl"), file);
        console.s.settings_loaded = true;
        console.s.pc_baud_rate = 9600;
        console.setObserver(model);
        host.open();
        bar = host.window()->replayBar();
    }
    int recordsBefore(std::int64_t position) const {
        return static_cast<int>(std::count(file.begin(), file.begin() + position, '='));
    }
    std::string file;
    test::FakeSteadyClock steady;
    test::FakeWallClock wall;
    TempDir config;
    MonitorModel model{steady, wall, {dir.path(), false, 1000, 16}};
    MonitorHost host{model, window};
    ReplayBar* bar = nullptr;
};

// A 1366 x 768 laptop, less a panel of 28 pixels: the monitor, replay bar
// included, can stand whole beside the console at its usual size.
TEST_F(Replaying, TheMonitorFitsBesideTheConsoleOnALaptopScreen) {
    const QSize least = host.window()->minimumSizeHint();
    EXPECT_LE(window.frameGeometry().width() + least.width(), 1366)
        << "the monitor needs " << least.width() << " px";
    EXPECT_LE(least.height(), 768 - 28 - 30) << "the monitor needs " << least.height() << " px";
}

TEST_F(Replaying, AtTenTimesARecordingPlaysInATenthOfItsTime) {
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->speedBox().currentText(), "As fast as possible");
    bar->speedBox().setCurrentIndex(3);
    ASSERT_EQ(bar->speedBox().currentText(), "×10");
    console.click(Control::Com_play_spl);
    bar->refresh();
    EXPECT_EQ(bar->positionText().text().toStdString(),
              "00:00:00 / 00:00:22   0 of 21200 bytes   0 echo records");
    QElapsedTimer took;
    took.start();
    console.click(Control::Com_start_stop);
    // 21 200 bytes at 9600 bit/s are 22.08 s of recording.
    const double expected = 21200 * 10.0 / 9600 / 10;
    EXPECT_NEAR(static_cast<double>(took.nsecsElapsed()) / 1e9, expected, expected * 0.1);
    EXPECT_FALSE(console.s.playback_on);
    EXPECT_EQ(model.echoes().size(), 16u);
    EXPECT_EQ(window.text(Control::Com_play_spl), "#");
}

TEST_F(Replaying, TheBarPausesStepsAndMovesAPlaybackAtItsPace) {
    bar->speedBox().setCurrentIndex(0);  // real time: 22 s, far longer than the test
    console.click(Control::Com_play_spl);
    std::int32_t pausedAt = 0;
    int countPaused = 0;
    const std::int64_t half = static_cast<std::int64_t>(file.size()) / 2;
    QTimer::singleShot(300, [&] {
        EXPECT_GT(console.s.playback_pos, 0);
        QTest::mouseClick(&bar->playButton(), Qt::LeftButton);
        EXPECT_EQ(bar->playButton().text(), "Play");
    });
    QTimer::singleShot(450, [&] {
        pausedAt = console.s.playback_pos;
        countPaused = console.s.playback_count;
    });
    QTimer::singleShot(750, [&] {
        EXPECT_EQ(console.s.playback_pos, pausedAt);
        QTest::mouseClick(&bar->stepButton(), Qt::LeftButton);
    });
    QTimer::singleShot(900, [&] {
        EXPECT_EQ(console.s.playback_count, countPaused + 1);
        // A click on the slider's groove moves a page; setting the value is the same.
        bar->slider().setValue(ReplayBar::kSliderSteps / 2);
    });
    QTimer::singleShot(1050, [&] {
        EXPECT_GE(console.s.playback_pos, half);
        EXPECT_LT(console.s.playback_pos, half + 53);
        EXPECT_EQ(console.s.playback_count, recordsBefore(console.s.playback_pos));
        bar->refresh();
        EXPECT_TRUE(bar->positionText().text().contains(
            QStringLiteral("%1 echo records").arg(console.s.playback_count)));
        bar->speedBox().setCurrentIndex(5);
        QTest::mouseClick(&bar->playButton(), Qt::LeftButton);
    });
    QElapsedTimer took;
    took.start();
    console.click(Control::Com_start_stop);
    EXPECT_GE(took.elapsed(), 1050);
    EXPECT_LT(took.elapsed(), 5000);
    EXPECT_FALSE(console.s.playback_on);
    bar->refresh();
    EXPECT_FALSE(bar->slider().isEnabled());
}

}  // namespace
}  // namespace purlo
