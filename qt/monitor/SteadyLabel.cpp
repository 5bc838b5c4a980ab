// SPDX-License-Identifier: GPL-3.0-or-later
#include "SteadyLabel.h"

#include <QFontMetrics>
#include <QLabel>

namespace purlo {

SteadyLabel::SteadyLabel(QLabel* label, int lines, QWidget* parent)
    : QWidget(parent),
      label_(label),
      height_(lines * QFontMetrics(label->font()).lineSpacing() + label->margin() * 2) {
    label_->setParent(this);
    label_->setWordWrap(true);
    label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize SteadyLabel::sizeHint() const {
    return {label_->fontMetrics().averageCharWidth() * 60, height_};
}

QSize SteadyLabel::minimumSizeHint() const {
    return {0, height_};
}

void SteadyLabel::resizeEvent(QResizeEvent*) {
    label_->setGeometry(rect());
}

}  // namespace purlo
