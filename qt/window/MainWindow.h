// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "app/Ui.h"
#include "window/Canvas.h"
#include "window/ConsoleMenu.h"
#include "window/ControlPanel.h"
#include "window/EventPump.h"
#include "window/FrameTexts.h"
#include "window/TwipsScale.h"
#include "window/WindowSize.h"

namespace purlo {

class Console;

// The console's one window: only the client area, fixed in size, with every
// control of the control table (ControlPanel) at its scaled rectangle over
// the drawing canvas. It implements the Ui port (texts shown a frame at a
// time, dialogs, the yields through its EventPump), keeps the window's size
// and caption, and routes the controls' events to the console once connected.
class MainWindow : public QWidget, public Ui {
    Q_OBJECT

  public:
    // At the given size (as the screen has it unless told otherwise).
    explicit MainWindow(WindowSize size = WindowSize(), QWidget* parent = nullptr);
    ~MainWindow() override;

    Canvas& canvas() { return *canvas_; }
    const TwipsScale& scale() const { return scale_; }

    // The window's size: every control, the captions' face and the canvas
    // in one scale. The core's twips stay as they are. A change lays the
    // window out anew at once and emits windowSizeChanged().
    WindowSize windowSize() const { return size_; }
    void setWindowSize(WindowSize size);
    // The widget that shows the control.
    QWidget* widget(Control c) const { return controls_.widget(c); }

    // The right-click menu of every button, with the keys of its windows.
    ConsoleMenu& consoleMenu() { return *menu_; }

    // From now on clicks, double clicks, keys and closing the window run the
    // console's handlers.
    void connectConsole(Console& console);
    // The console connected, or null (the monitor's replay bar drives its Replay).
    Console* console() const { return console_; }
    // Asked before Exit (its button, or closing the window) runs: true holds
    // the exit back, and whoever set the guard clicks Exit again once it may.
    void setExitGuard(std::function<bool()> guard) { exitGuard_ = std::move(guard); }

    void setText(Control c, std::string_view text) override;
    std::string text(Control c) const override;
    void setBackColour(Control c, Colour colour) override;
    void setTextColour(Control c, Colour colour) override;
    // The window's own show and hide stay as QWidget has them.
    using QWidget::setVisible;
    void setVisible(Control c, bool visible) override;
    bool visible(Control c) const override;

    void setWindowCaption(std::string_view caption) override;
    std::string windowCaption() const override;

    void addListLine(std::string_view line) override;
    void removeListLine(int index) override;
    int listCount() const override;
    int listIndex() const override;
    void setListIndex(int index) override;

    Answer messageBox(std::string_view text, std::string_view title, Buttons buttons) override;
    std::optional<std::string> inputBox(std::string_view prompt, std::string_view title,
                                        std::string_view defaultText) override;

    void yield(Wait wait) override;
    void yieldFor(double seconds) override;
    void endProgram() override;
    bool printWindow() override;
    char decimalSeparator() const override;

  signals:
    // The operator chose another size (menu, Ctrl+Plus/Minus/0, setWindowSize).
    void windowSizeChanged(WindowSize size);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // What setWindowCaption does to the title; the texts the loops rewrite
    // all the time come to the controls through frameTexts_.
    void showWindowCaption(std::string_view caption);
    void keepBlankTitleBlank();
    // Before any event runs: the newest texts and lines are on the widgets.
    void showPending();
    // An empty dialog title shows the application's name.
    QString dialogTitle(std::string_view title) const;
    // A Ctrl shortcut pressed while Text_Info has the focus still counts as
    // a key there.
    void reportShortcutKey();
    // Window size: Ctrl+Plus (also Ctrl+=), Ctrl+Minus, Ctrl+0.
    void addWindowSizeShortcuts();
    // Every control, the face of the captions and the canvas at scale_.
    void applyScale();
    // How much the window size enlarges the face and the scroll bars.
    double faceScale() const;

    WindowSize size_;
    double screenDpi_;
    TwipsScale scale_;
    ConsoleMenu* menu_;
    // Created before the controls, so every control lies above it.
    Canvas* canvas_;
    ControlPanel controls_;
    Console* console_ = nullptr;
    std::function<bool()> exitGuard_;
    std::string caption_;
    FrameTexts frameTexts_;
    EventPump pump_;
    // The decimal separator of the user's locale; 0 until asked again after a change.
    mutable char separator_ = 0;
};

}  // namespace purlo
