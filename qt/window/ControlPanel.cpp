// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/ControlPanel.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QScrollBar>
#include <QTextDocument>
#include <algorithm>
#include <cmath>
#include <vector>

#include "text/RuntimeError.h"
#include "window/Latin1.h"

namespace purlo {

namespace {

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

// The Helvetica-like faces come first; at 8 points their captions fit the
// narrowest buttons ("l - l - I - l" in 708 twips). At another window size
// the points grow by as much as the layout: `faceScale` is the layout's dots
// per inch over the screen's.
QFont ControlPanel::face(double faceScale) {
    QFont font;
    font.setFamilies({QStringLiteral("Nimbus Sans"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arial"), QStringLiteral("Helvetica"),
                      QStringLiteral("DejaVu Sans Condensed")});
    font.setStyleHint(QFont::SansSerif);
    if (faceScale == 1.0) {
        font.setPointSize(8);
    } else {
        font.setPointSizeF(8.0 * faceScale);
    }
    return font;
}

ControlPanel::ControlPanel(QWidget& window, const TwipsScale& scale, double faceScale) {
    const QFont font = face(faceScale);
    for (const ControlInfo& info : controlTable()) {
        widgets_[static_cast<std::size_t>(info.id)] = createControl(window, info, scale, font);
    }
    scaleScrollBars(faceScale);
    // The panel lies behind the right-hand column.
    widget(Control::Label1)->lower();
    setTabOrderFromTable(window);
}

ControlPanel::~ControlPanel() = default;

QWidget* ControlPanel::createControl(QWidget& window, const ControlInfo& info,
                                     const TwipsScale& scale, const QFont& font) {
    QWidget* w = nullptr;
    const QString caption = fromBytes(info.caption);
    switch (info.kind) {
        case ControlKind::Button:
            w = new QPushButton(escapeMnemonic(caption), &window);
            buttonTexts_[static_cast<std::size_t>(info.id)] = std::string(info.caption);
            break;
        case ControlKind::TextBox: w = new TextBox(caption, &window); break;
        case ControlKind::MultiLineText: {
            info_ = new QPlainTextEdit(linesForDisplay(info.caption), &window);
            info_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            info_->setTabChangesFocus(true);
            w = info_;
            infoBytes_ = std::string(info.caption);
            break;
        }
        case ControlKind::ListBox:
            list_ = new ListBox(&window);
            list_->setSelectionMode(QAbstractItemView::SingleSelection);
            // Up to thousands of one-line items: skip measuring each.
            list_->setUniformItemSizes(true);
            w = list_;
            break;
        case ControlKind::Panel: {
            auto* panel = new PanelLabel(caption, &window);
            panel->setAutoFillBackground(true);
            w = panel;
            break;
        }
    }
    w->setObjectName(
        QString::fromLatin1(info.name.data(), static_cast<qsizetype>(info.name.size())));
    w->setGeometry(scale.toPixels(info.rect));
    if (!info.tooltip.empty()) w->setToolTip(fromBytes(info.tooltip));
    if (info.back) setRoleColour(w, backRole(info.kind), *info.back);
    if (info.fore) setRoleColour(w, textRole(info.kind), *info.fore);
    if (info.sansSerif) w->setFont(font);
    w->setVisible(info.visible);
    return w;
}

void ControlPanel::setTabOrderFromTable(QWidget& window) {
    std::vector<const ControlInfo*> order;
    for (const ControlInfo& info : controlTable()) {
        if (widget(info.id)->focusPolicy() & Qt::TabFocus) order.push_back(&info);
    }
    std::sort(order.begin(), order.end(),
              [](const ControlInfo* a, const ControlInfo* b) { return a->tabIndex < b->tabIndex; });
    for (std::size_t i = 1; i < order.size(); ++i) {
        window.setTabOrder(widget(order[i - 1]->id), widget(order[i]->id));
    }
}

void ControlPanel::scaleScrollBars(double faceScale) {
    // At the screen's own size the bars keep the application's style.
    if (faceScale == 1.0 && scrollBarStyle_ == nullptr) return;
    auto style = std::make_unique<ScaledScrollBars>(faceScale);
    for (QAbstractScrollArea* area :
         {static_cast<QAbstractScrollArea*>(list_), static_cast<QAbstractScrollArea*>(info_)}) {
        area->verticalScrollBar()->setStyle(style.get());
        area->horizontalScrollBar()->setStyle(style.get());
    }
    scrollBarStyle_ = std::move(style);
}

void ControlPanel::applyScale(const TwipsScale& scale, double faceScale) {
    const QFont font = face(faceScale);
    scaleScrollBars(faceScale);
    for (const ControlInfo& info : controlTable()) {
        QWidget* w = widget(info.id);
        w->setGeometry(scale.toPixels(info.rect));
        if (info.sansSerif) w->setFont(font);
    }
}

void ControlPanel::setText(Control c, std::string_view text) {
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

std::string ControlPanel::text(Control c) const {
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

void ControlPanel::setBackColour(Control c, Colour colour) {
    setRoleColour(widget(c), backRole(controlInfo(c).kind), colour);
}

void ControlPanel::setTextColour(Control c, Colour colour) {
    setRoleColour(widget(c), textRole(controlInfo(c).kind), colour);
}

void ControlPanel::addListLine(std::string_view line) {
    list_->addItem(fromBytes(line));
}

void ControlPanel::removeListLine(int index) {
    if (index < 0 || index >= list_->count()) throw RuntimeError("list index out of range");
    delete list_->takeItem(index);
}

int ControlPanel::listCount() const {
    return list_->count();
}

int ControlPanel::listIndex() const {
    const QListWidgetItem* item = list_->currentItem();
    return item != nullptr && item->isSelected() ? list_->row(item) : -1;
}

void ControlPanel::setListIndex(int index) {
    if (index < -1 || index >= list_->count()) throw RuntimeError("list index out of range");
    if (index == -1) {
        list_->setCurrentRow(-1);
        list_->clearSelection();
        return;
    }
    list_->setCurrentRow(index);
    list_->scrollToItem(list_->item(index));
}

}  // namespace purlo
