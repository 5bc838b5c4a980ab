// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>

namespace purlo {

// The passive coloured panel. It takes every mouse event itself: a QLabel
// would hand them on to its parent, and a click on the panel must never count
// as a click on the bare window.
class PanelLabel : public QLabel {
  public:
    using QLabel::QLabel;

  protected:
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }
    void mouseReleaseEvent(QMouseEvent* event) override { event->accept(); }
    void mouseDoubleClickEvent(QMouseEvent* event) override { event->accept(); }
};

// A single-line text box that reports a double click after its own handling
// (word selection), so a handler run from it sees the box as the user left it.
class TextBox : public QLineEdit {
    Q_OBJECT

  public:
    using QLineEdit::QLineEdit;

  signals:
    void doubleClicked();

  protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        QLineEdit::mouseDoubleClickEvent(event);
        emit doubleClicked();
    }
};

// The message list. A double click is reported wherever it lands, also below
// the last line (the handler then finds no line selected), after the press
// has selected the line under the pointer.
class ListBox : public QListWidget {
    Q_OBJECT

  public:
    using QListWidget::QListWidget;

  signals:
    void doubleClickedAnywhere();

  protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        QListWidget::mouseDoubleClickEvent(event);
        emit doubleClickedAnywhere();
    }
};

}  // namespace purlo
