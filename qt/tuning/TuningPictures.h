// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QWidget>

class QCustomPlot;

namespace purlo::tuning {
class Assistant;
}

namespace purlo {

// Echo bounce and burst bounce against the value the last sweep stepped,
// each with the range of its readings as error bars.
class TuningPlot : public QWidget {
    Q_OBJECT
  public:
    explicit TuningPlot(QWidget* parent = nullptr);
    void refresh(const tuning::Assistant& a);
    QCustomPlot& plot() { return *plot_; }

  private:
    QCustomPlot* plot_;
};

// The echo records of each step as one row of pixels (a sample's hit rate
// over the step's records, bright for high), in the monitor's echo colours,
// with the dead time (red) and the first echo (green) marked.
QImage stepEchoPicture(const tuning::Assistant& a, double deadZoneMm);

class StepEchoView : public QWidget {
    Q_OBJECT
  public:
    explicit StepEchoView(QWidget* parent = nullptr);
    void setImage(QImage image);
    const QImage& image() const { return image_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QImage image_;
};

}  // namespace purlo
