// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/Printing.h"

#include <QPainter>
#include <QPixmap>
#include <QPrinter>

namespace purlo {

void drawFitted(QPainter& painter, const QPixmap& image) {
    const QRect page = painter.viewport();
    const QSize size = image.size().scaled(page.size(), Qt::KeepAspectRatio);
    painter.setViewport(page.x(), page.y(), size.width(), size.height());
    // The window in the image's own units, which drawPixmap uses.
    painter.setWindow(QRect(QPoint(0, 0), image.deviceIndependentSize().toSize()));
    painter.drawPixmap(0, 0, image);
}

bool printImage(const QPixmap& image, QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    drawFitted(painter, image);
    return painter.end();
}

}  // namespace purlo
