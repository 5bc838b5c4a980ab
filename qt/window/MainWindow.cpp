// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QTextDocument>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <vector>

#include "app/Console.h"
#include "serial/ports/PortChooser.h"
#include "text/RuntimeError.h"
#include "window/ControlWidgets.h"
#include "window/Latin1.h"

namespace purlo {

namespace {

// A blocking yield wakes at the latest after this long. Everything a waiting
// loop looks at changes in an event (a port's notifier, a click, a timer), so
// this only bounds the cost of a wake-up some notifier might lose; any
// shorter and a wait on a silent probe costs CPU time for nothing (at 20 ms it
// was 50 passes a second, most of the console's cost while it waits).
constexpr int kWakeMs = 1000;
// A non-blocking yield runs the event queue at most this often: the core's
// loops yield once per byte, and a full event pass per byte would dominate.
constexpr qint64 kBusyYieldNs = 2'000'000;
constexpr unsigned kClockEvery = 8;

// The face of every control: a compact sans-serif in points, so it grows
// with the screen's logical DPI just as the twips layout does. The
// Helvetica-like faces come first; at 8 points their captions fit the
// narrowest buttons ("l - l - I - l" in 708 twips). At another window size
// the points grow by as much as the layout: `scale` is the layout's dots per
// inch over the screen's.
QFont controlFont(double scale) {
    QFont font;
    font.setFamilies({QStringLiteral("Nimbus Sans"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arial"), QStringLiteral("Helvetica"),
                      QStringLiteral("DejaVu Sans Condensed")});
    font.setStyleHint(QFont::SansSerif);
    if (scale == 1.0) {
        font.setPointSize(8);
    } else {
        font.setPointSizeF(8.0 * scale);
    }
    return font;
}

// The scroll bars of the message list and the information text at a window
// size: the style gives their width in pixels, so it grows here as much as
// the layout does.
class ScaledScrollBars : public QProxyStyle {
  public:
    explicit ScaledScrollBars(double scale) : scale_(scale) {}
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        const int pixels = QProxyStyle::pixelMetric(metric, option, widget);
        if (metric == PM_ScrollBarExtent || metric == PM_ScrollBarSliderMin) {
            return static_cast<int>(std::lround(pixels * scale_));
        }
        return pixels;
    }

  private:
    double scale_;
};

QColor qColour(Colour c) {
    if (c.buttonFace) return QApplication::palette().color(QPalette::Button);
    return {c.rgb.r, c.rgb.g, c.rgb.b};
}

// The palette roles that carry a control's back and text colour.
QPalette::ColorRole backRole(ControlKind kind) {
    switch (kind) {
        case ControlKind::Button: return QPalette::Button;
        case ControlKind::Panel: return QPalette::Window;
        default: return QPalette::Base;
    }
}

QPalette::ColorRole textRole(ControlKind kind) {
    switch (kind) {
        case ControlKind::Button: return QPalette::ButtonText;
        case ControlKind::Panel: return QPalette::WindowText;
        default: return QPalette::Text;
    }
}

void setRoleColour(QWidget* w, QPalette::ColorRole role, Colour colour) {
    QPalette p = w->palette();
    p.setColor(role, qColour(colour));
    w->setPalette(p);
}

// "&" marks a keyboard mnemonic on a button; captions show it as it is.
QString escapeMnemonic(QString caption) {
    return caption.replace(QLatin1Char('&'), QLatin1String("&&"));
}
QString unescapeMnemonic(QString caption) {
    return caption.replace(QLatin1String("&&"), QLatin1String("&"));
}

}  // namespace

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
      caption_(kStartCaption),
      frameTexts_(kControlCount + 1, [this](std::size_t which, std::string_view text) {
          if (which == kCaptionText) {
              showWindowCaption(text);
          } else {
              showText(static_cast<Control>(which), text);
          }
      }) {
    setFixedSize(scale_.clientSize());
    setFont(controlFont(faceScale()));
    setWindowTitle(fromBytes(caption_));
    // Created first, so every control lies above it.
    canvas_ = new Canvas(scale_, this);
    canvas_->move(0, 0);
    for (const ControlInfo& info : controlTable()) {
        widgets_[static_cast<std::size_t>(info.id)] = createControl(info);
    }
    scaleScrollBars();
    // The panel lies behind the right-hand column, above the canvas only.
    widget(Control::Label1)->lower();
    canvas_->lower();
    setTabOrderFromTable();

    wakeTimer_.setSingleShot(true);
    wakeTimer_.setInterval(kWakeMs);
    paceTimer_.setSingleShot(true);
    paceTimer_.setTimerType(Qt::PreciseTimer);

    // What the fixed window has no room for opens from a right-click on a
    // button (a left click keeps its meaning) or from Ctrl+M anywhere in it.
    for (const ControlInfo& info : controlTable()) {
        if (info.kind == ControlKind::Button) menu_->attachTo(widget(info.id));
    }
    auto* monitorKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_M), this);
    monitorKey->setContext(Qt::WindowShortcut);
    connect(monitorKey, &QShortcut::activated, this, &MainWindow::monitorShortcut);
    auto* tuningKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_T), this);
    tuningKey->setContext(Qt::WindowShortcut);
    connect(tuningKey, &QShortcut::activated, this, [this] {
        reportShortcutKey();
        menu_->requestTuning();
    });
    addWindowSizeShortcuts();
}

void MainWindow::reportShortcutKey() {
    // The shortcut takes the key before Text_Info sees it, yet there every
    // key counts as an edit: report it as the box would have.
    if (console_ != nullptr && info_ != nullptr && info_->hasFocus()) {
        console_->keyDown(Control::Text_Info);
    }
}

void MainWindow::monitorShortcut() {
    reportShortcutKey();
    menu_->requestMonitor();
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

void MainWindow::scaleScrollBars() {
    // At the screen's own size the bars keep the application's style.
    const double scale = faceScale();
    if (scale == 1.0 && scrollBarStyle_ == nullptr) return;
    auto style = std::make_unique<ScaledScrollBars>(scale);
    for (QAbstractScrollArea* area :
         {static_cast<QAbstractScrollArea*>(list_), static_cast<QAbstractScrollArea*>(info_)}) {
        area->verticalScrollBar()->setStyle(style.get());
        area->horizontalScrollBar()->setStyle(style.get());
    }
    scrollBarStyle_ = std::move(style);
}

void MainWindow::applyScale() {
    // Texts waiting for their frame are laid out at the new size.
    showPending();
    setFixedSize(scale_.clientSize());
    const QFont font = controlFont(faceScale());
    setFont(font);
    scaleScrollBars();
    canvas_->setScale(scale_);
    for (const ControlInfo& info : controlTable()) {
        QWidget* w = widget(info.id);
        w->setGeometry(scale_.toPixels(info.rect));
        if (info.sansSerif) w->setFont(font);
    }
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

QWidget* MainWindow::createControl(const ControlInfo& info) {
    QWidget* w = nullptr;
    const QString caption = fromBytes(info.caption);
    switch (info.kind) {
        case ControlKind::Button:
            w = new QPushButton(escapeMnemonic(caption), this);
            buttonTexts_[static_cast<std::size_t>(info.id)] = std::string(info.caption);
            break;
        case ControlKind::TextBox: w = new TextBox(caption, this); break;
        case ControlKind::MultiLineText: {
            info_ = new QPlainTextEdit(linesForDisplay(info.caption), this);
            info_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            info_->setTabChangesFocus(true);
            info_->installEventFilter(this);
            w = info_;
            infoBytes_ = std::string(info.caption);
            break;
        }
        case ControlKind::ListBox:
            list_ = new ListBox(this);
            list_->setSelectionMode(QAbstractItemView::SingleSelection);
            // Up to thousands of one-line items: skip measuring each.
            list_->setUniformItemSizes(true);
            w = list_;
            break;
        case ControlKind::Panel: {
            auto* panel = new PanelLabel(caption, this);
            panel->setAutoFillBackground(true);
            w = panel;
            break;
        }
    }
    w->setObjectName(
        QString::fromLatin1(info.name.data(), static_cast<qsizetype>(info.name.size())));
    w->setGeometry(scale_.toPixels(info.rect));
    if (!info.tooltip.empty()) w->setToolTip(fromBytes(info.tooltip));
    if (info.back) setRoleColour(w, backRole(info.kind), *info.back);
    if (info.fore) setRoleColour(w, textRole(info.kind), *info.fore);
    if (info.sansSerif) w->setFont(font());
    w->setVisible(info.visible);
    return w;
}

void MainWindow::setTabOrderFromTable() {
    std::vector<const ControlInfo*> order;
    for (const ControlInfo& info : controlTable()) {
        if (widget(info.id)->focusPolicy() & Qt::TabFocus) order.push_back(&info);
    }
    std::sort(order.begin(), order.end(),
              [](const ControlInfo* a, const ControlInfo* b) { return a->tabIndex < b->tabIndex; });
    for (std::size_t i = 1; i < order.size(); ++i) {
        setTabOrder(widget(order[i - 1]->id), widget(order[i]->id));
    }
}

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
    connect(static_cast<ListBox*>(list_), &ListBox::doubleClickedAnywhere, this,
            [this] { console_->doubleClick(Control::List_Info); });
    connect(canvas_, &Canvas::clicked, this, [this] { console_->Form_Click(); });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // Every key pressed in Text_Info is reported first, then edits as usual.
    if (watched == info_ && event->type() == QEvent::KeyPress && console_ != nullptr) {
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
    // The system's number format may have changed under the same locale.
    if (event->type() == QEvent::LocaleChange) separator_ = 0;
    QWidget::changeEvent(event);
}

void MainWindow::setText(Control c, std::string_view text) {
    if (rewrittenAllTheTime(c)) {
        frameTexts_.set(static_cast<std::size_t>(c), text);
    } else {
        showText(c, text);
    }
}

void MainWindow::showText(Control c, std::string_view text) {
    QWidget* w = widget(c);
    switch (controlInfo(c).kind) {
        case ControlKind::Button: {
            // Replies set the same captions again and again; only this code
            // changes a button's caption.
            std::string& shown = buttonTexts_[static_cast<std::size_t>(c)];
            if (shown == text) break;
            shown = std::string(text);
            static_cast<QPushButton*>(w)->setText(escapeMnemonic(fromBytes(text)));
            break;
        }
        case ControlKind::TextBox: static_cast<QLineEdit*>(w)->setText(fromBytes(text)); break;
        case ControlKind::MultiLineText:
            infoBytes_ = std::string(text);
            info_->setPlainText(linesForDisplay(text));
            info_->document()->setModified(false);
            break;
        case ControlKind::ListBox: {
            // As with any list box: the text selects the line that reads so.
            const auto found = list_->findItems(fromBytes(text), Qt::MatchExactly);
            if (!found.isEmpty()) setListIndex(list_->row(found.first()));
            break;
        }
        case ControlKind::Panel: static_cast<QLabel*>(w)->setText(fromBytes(text)); break;
    }
}

std::string MainWindow::text(Control c) const {
    if (const std::string* newest = frameTexts_.waiting(static_cast<std::size_t>(c))) {
        return *newest;
    }
    const QWidget* w = widget(c);
    switch (controlInfo(c).kind) {
        case ControlKind::Button:
            return toBytes(unescapeMnemonic(static_cast<const QPushButton*>(w)->text()));
        case ControlKind::TextBox: return toBytes(static_cast<const QLineEdit*>(w)->text());
        case ControlKind::MultiLineText: {
            if (!info_->document()->isModified()) return infoBytes_;
            // Raw text keeps no-break spaces; paragraph and line separators
            // become the program's CR LF.
            QString edited = info_->document()->toRawText();
            edited.replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
            edited.replace(QChar::LineSeparator, QLatin1String("\r\n"));
            return toBytes(edited);
        }
        case ControlKind::ListBox: {
            const int index = listIndex();
            return index < 0 ? std::string() : toBytes(list_->item(index)->text());
        }
        case ControlKind::Panel: return toBytes(static_cast<const QLabel*>(w)->text());
    }
    return {};
}

void MainWindow::setBackColour(Control c, Colour colour) {
    setRoleColour(widget(c), backRole(controlInfo(c).kind), colour);
}

void MainWindow::setTextColour(Control c, Colour colour) {
    setRoleColour(widget(c), textRole(controlInfo(c).kind), colour);
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
    list_->addItem(fromBytes(line));
}

void MainWindow::removeListLine(int index) {
    if (index < 0 || index >= list_->count()) throw RuntimeError("list index out of range");
    delete list_->takeItem(index);
}

int MainWindow::listCount() const {
    return list_->count();
}

int MainWindow::listIndex() const {
    const QListWidgetItem* item = list_->currentItem();
    return item != nullptr && item->isSelected() ? list_->row(item) : -1;
}

void MainWindow::setListIndex(int index) {
    if (index < -1 || index >= list_->count()) throw RuntimeError("list index out of range");
    if (index == -1) {
        list_->setCurrentRow(-1);
        list_->clearSelection();
        return;
    }
    list_->setCurrentRow(index);
    list_->scrollToItem(list_->item(index));
}

void MainWindow::showPending() {
    frameTexts_.showWaiting();
    canvas_->flush();
}

void MainWindow::yield(Wait wait) {
    if (wait == Wait::UntilEvent) {
        // Nothing to do for the caller: sleep in the event loop until serial
        // data, a click or the wake timer arrives.
        sleepInEventLoop(wakeTimer_);
        return;
    }
    // A busy loop yields once a byte, and reading the clock costs as much as
    // the rest of such a pass: after the first look it looks every 8th time.
    if (sinceEvents_.isValid() &&
        (busyYields_++ % kClockEvery != 0 || sinceEvents_.nsecsElapsed() < kBusyYieldNs)) {
        return;
    }
    showPending();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    sinceEvents_.start();
    busyYields_ = 0;
}

void MainWindow::yieldFor(double seconds) {
    // A paced playback ahead of its time: sleep in the event loop until its
    // next bytes are due, or a click or anything else arrives first.
    paceTimer_.setInterval(static_cast<int>(std::clamp(std::ceil(seconds * 1000.0), 1.0, 1000.0)));
    sleepInEventLoop(paceTimer_);
    paceTimer_.stop();
}

void MainWindow::sleepInEventLoop(QTimer& wake) {
    showPending();
    wake.start();
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    sinceEvents_.start();
    busyYields_ = 0;
}

void MainWindow::endProgram() {
    // Loops still running unwind on the console's ending flag; once they are
    // back in the application's event loop, it returns.
    hide();
    QCoreApplication::exit(0);
}

}  // namespace purlo
