// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/MainWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QWindow>
#include <algorithm>

#include "app/Console.h"
#include "serial/ports/PortChooser.h"
#include "window/Latin1.h"

namespace purlo {

namespace {

// The window caption's place among the texts shown a frame at a time.
constexpr std::size_t kCaptionText = kControlCount;

// The texts a running loop rewrites all the time.
bool rewrittenAllTheTime(Control c) {
    return c == Control::Text_top || c == Control::Text_mid || c == Control::Text_bot ||
           c == Control::Com_play_spl;
}

}  // namespace

MainWindow::MainWindow(WindowSize size, QWidget* parent)
    : QWidget(parent),
      size_(size),
      // Following the screen gives its logical DPI, or 96 without a usable one.
      screenDpi_(WindowSize().dotsPerInch(TwipsScale::logicalDpiOf())),
      scale_(size.dotsPerInch(screenDpi_)),
      menu_(new ConsoleMenu(this)),
      canvas_(new Canvas(scale_, this)),
      controls_(*this, scale_, faceScale()),
      caption_(kStartCaption),
      frameTexts_(kControlCount + 1,
                  [this](std::size_t which, std::string_view text) {
                      if (which == kCaptionText) {
                          showWindowCaption(text);
                      } else {
                          controls_.setText(static_cast<Control>(which), text);
                      }
                  }),
      pump_([this] { showPending(); }) {
    setFixedSize(scale_.clientSize());
    setFont(ControlPanel::face(faceScale()));
    setWindowTitle(fromBytes(caption_));
    canvas_->move(0, 0);
    canvas_->lower();
    controls_.info().installEventFilter(this);

    // What the fixed window has no room for opens from a right-click on a
    // button (a left click keeps its meaning), or from the keys of the
    // menu's windows (Ctrl+M, Ctrl+T) anywhere in it.
    for (const ControlInfo& info : controlTable()) {
        if (info.kind == ControlKind::Button) menu_->attachTo(widget(info.id));
    }
    connect(menu_, &ConsoleMenu::shortcutPressed, this, &MainWindow::reportShortcutKey);
    addWindowSizeShortcuts();
}

void MainWindow::reportShortcutKey() {
    // The shortcut takes the key before Text_Info sees it, yet there every
    // key counts as an edit: report it as the box would have.
    if (console_ != nullptr && controls_.info().hasFocus()) {
        console_->keyDown(Control::Text_Info);
    }
}

// --- Window size ---------------------------------------------------------

void MainWindow::addWindowSizeShortcuts() {
    const auto add = [this](const QList<QKeySequence>& keys, auto choose) {
        auto* shortcut = new QShortcut(this);
        shortcut->setKeys(keys);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, choose] {
            reportShortcutKey();
            setWindowSize(choose());
        });
    };
    add({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)},
        [this] { return size_.larger(screenDpi_); });
    add({QKeySequence(Qt::CTRL | Qt::Key_Minus)}, [this] { return size_.smaller(screenDpi_); });
    add({QKeySequence(Qt::CTRL | Qt::Key_0)}, [] { return WindowSize(); });
    menu_->setWindowSize(size_);
    connect(menu_, &ConsoleMenu::windowSizeRequested, this, &MainWindow::setWindowSize);
}

void MainWindow::setWindowSize(WindowSize size) {
    if (size == size_) return;
    size_ = size;
    menu_->setWindowSize(size);
    const TwipsScale scale(size.dotsPerInch(screenDpi_));
    if (scale.pixelsPerTwip() != scale_.pixelsPerTwip()) {
        scale_ = scale;
        applyScale();
    }
    emit windowSizeChanged(size);
}

double MainWindow::faceScale() const {
    // Exactly 1 when following the screen.
    return size_.dotsPerInch(screenDpi_) / screenDpi_;
}

void MainWindow::applyScale() {
    // Texts waiting for their frame are laid out at the new size.
    showPending();
    setFixedSize(scale_.clientSize());
    setFont(ControlPanel::face(faceScale()));
    canvas_->setScale(scale_);
    controls_.applyScale(scale_, faceScale());
    // Grown past the screen's edge: moved back, so the whole window shows
    // where it fits (its top-left corner at least).
    if (const QScreen* s = screen(); s != nullptr && isVisible()) {
        const QRect free = s->availableGeometry();
        const QRect frame = frameGeometry();
        const int x =
            std::max(free.left(), std::min(frame.left(), free.right() + 1 - frame.width()));
        const int y =
            std::max(free.top(), std::min(frame.top(), free.bottom() + 1 - frame.height()));
        if (x != frame.left() || y != frame.top()) move(x, y);
    }
}

// -------------------------------------------------------------------------

MainWindow::~MainWindow() = default;

void MainWindow::connectConsole(Console& console) {
    console_ = &console;
    menu_->portChooser().setCommNumber([this] { return int{console_->s.comm_port}; });
    // Another device chosen for Comm n: the lost one is no longer waited for.
    connect(&menu_->portChooser(), &PortChooser::bindingChanged, this,
            [this] { console_->resume.cancel(); });
    for (const ControlInfo& info : controlTable()) {
        const Control id = info.id;
        if (auto* button = qobject_cast<QPushButton*>(widget(id))) {
            connect(button, &QPushButton::clicked, this, [this, id] {
                if (id == Control::Com_exit && exitGuard_ && exitGuard_()) return;
                console_->click(id);
            });
        } else if (auto* box = qobject_cast<TextBox*>(widget(id))) {
            connect(box, &TextBox::doubleClicked, this, [this, id] { console_->doubleClick(id); });
        }
    }
    connect(&controls_.list(), &ListBox::doubleClickedAnywhere, this,
            [this] { console_->doubleClick(Control::List_Info); });
    connect(canvas_, &Canvas::clicked, this, [this] { console_->Form_Click(); });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // Every key pressed in Text_Info is reported first, then edits as usual.
    if (watched == &controls_.info() && event->type() == QEvent::KeyPress && console_ != nullptr) {
        console_->keyDown(Control::Text_Info);
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing through the frame is Exit: the port is released, files closed.
    if (console_ != nullptr && !console_->ending()) {
        if (exitGuard_ && exitGuard_()) {
            event->ignore();
            return;
        }
        console_->Com_exit_Click();
    }
    event->accept();
}

void MainWindow::changeEvent(QEvent* event) {
    // The user's locale or its number format changed (the application tells
    // every window so): the separator is looked up again at its next use.
    if (event->type() == QEvent::LocaleChange) separator_ = 0;
    QWidget::changeEvent(event);
}

void MainWindow::setText(Control c, std::string_view text) {
    if (rewrittenAllTheTime(c)) {
        frameTexts_.set(static_cast<std::size_t>(c), text);
    } else {
        controls_.setText(c, text);
    }
}

std::string MainWindow::text(Control c) const {
    if (const std::string* newest = frameTexts_.waiting(static_cast<std::size_t>(c))) {
        return *newest;
    }
    return controls_.text(c);
}

void MainWindow::setBackColour(Control c, Colour colour) {
    controls_.setBackColour(c, colour);
}

void MainWindow::setTextColour(Control c, Colour colour) {
    controls_.setTextColour(c, colour);
}

void MainWindow::setVisible(Control c, bool visible) {
    widget(c)->setVisible(visible);
}

bool MainWindow::visible(Control c) const {
    return !widget(c)->isHidden();
}

void MainWindow::setWindowCaption(std::string_view caption) {
    caption_ = std::string(caption);
    frameTexts_.set(kCaptionText, caption);
}

void MainWindow::showWindowCaption(std::string_view caption) {
    // "[*]" is Qt's placeholder for a modified mark; doubled it shows as typed.
    QString title = fromBytes(caption);
    title.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
    setWindowTitle(title);
    keepBlankTitleBlank();
}

void MainWindow::keepBlankTitleBlank() {
    // The platform shows the application's name for an empty title. The
    // caption stays "" (and so does the accessible name); only the title bar
    // gets a blank, so that it shows nothing, as the caption says.
    if (windowTitle().isEmpty() && windowHandle() != nullptr) {
        windowHandle()->setTitle(QStringLiteral(" "));
    }
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    keepBlankTitleBlank();
}

std::string MainWindow::windowCaption() const {
    return caption_;
}

void MainWindow::addListLine(std::string_view line) {
    controls_.addListLine(line);
}

void MainWindow::removeListLine(int index) {
    controls_.removeListLine(index);
}

int MainWindow::listCount() const {
    return controls_.listCount();
}

int MainWindow::listIndex() const {
    return controls_.listIndex();
}

void MainWindow::setListIndex(int index) {
    controls_.setListIndex(index);
}

void MainWindow::showPending() {
    frameTexts_.showWaiting();
    canvas_->flush();
}

void MainWindow::yield(Wait wait) {
    pump_.yield(wait);
}

void MainWindow::yieldFor(double seconds) {
    pump_.yieldFor(seconds);
}

void MainWindow::endProgram() {
    // Loops still running unwind on the console's ending flag; once they are
    // back in the application's event loop, it returns.
    hide();
    QCoreApplication::exit(0);
}

}  // namespace purlo
