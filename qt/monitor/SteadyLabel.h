// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLabel;

namespace purlo {

// A frame of fixed height for a label whose text changes many times a second
// (the newest values, the statistics). A label in a layout asks the whole
// window to lay itself out again at every new text, which costs more than the
// frame it belongs to; in here, without a layout, a new text repaints the
// label alone. The label (word-wrapped) gets `lines` lines of its font.
class SteadyLabel : public QWidget {
  public:
    SteadyLabel(QLabel* label, int lines, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    QLabel* label_;
    int height_;
};

}  // namespace purlo
