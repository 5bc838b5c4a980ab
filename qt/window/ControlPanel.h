// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The controls of the main window, built from the control table: each at its
// rectangle at the window's scale, with its caption, tooltip, colours and
// face; what a control shows, read and written as the Ui port has it.

#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "app/Controls.h"
#include "window/TwipsScale.h"

class QPlainTextEdit;
class QProxyStyle;

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

// Every control of the table, made on a window. The table's names are the
// widgets' object names; the window routes their events.
class ControlPanel {
  public:
    // Each control on `window` at `scale`, in the face at `faceScale` (how
    // much the window's size enlarges the captions' points).
    ControlPanel(QWidget& window, const TwipsScale& scale, double faceScale);
    ~ControlPanel();
    ControlPanel(const ControlPanel&) = delete;
    ControlPanel& operator=(const ControlPanel&) = delete;

    // The face of every control: a compact sans-serif in points, so it grows
    // with the screen's logical DPI just as the twips layout does.
    static QFont face(double faceScale);

    QWidget* widget(Control c) const { return widgets_[static_cast<std::size_t>(c)]; }
    ListBox& list() const { return *list_; }
    QPlainTextEdit& info() const { return *info_; }

    // Every control, its face and the scroll bars at another size.
    void applyScale(const TwipsScale& scale, double faceScale);

    // What a control shows: a button's caption, a box's text, the line the
    // list selects, the panel's label.
    void setText(Control c, std::string_view text);
    std::string text(Control c) const;
    void setBackColour(Control c, Colour colour);
    void setTextColour(Control c, Colour colour);

    void addListLine(std::string_view line);
    void removeListLine(int index);
    int listCount() const;
    int listIndex() const;
    void setListIndex(int index);

  private:
    QWidget* createControl(QWidget& window, const ControlInfo& info, const TwipsScale& scale,
                           const QFont& face);
    void setTabOrderFromTable(QWidget& window);
    void scaleScrollBars(double faceScale);

    std::array<QWidget*, kControlCount> widgets_{};
    std::array<std::string, kControlCount> buttonTexts_;  // as last set, in bytes
    ListBox* list_ = nullptr;
    QPlainTextEdit* info_ = nullptr;
    // The bytes last put into Text_Info: handed back unchanged while the
    // operator has not edited the box, line breaks and all.
    std::string infoBytes_;
    // The scroll bars' style once the window had another size than the screen's.
    std::unique_ptr<QProxyStyle> scrollBarStyle_;
};

}  // namespace purlo
