#include "Printing.h"

#include <QPainter>
#include <QPixmap>
#include <QPrinter>

namespace purlo {

bool printImage(const QPixmap& image, QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QRect page = painter.viewport();
    const QSize size = image.size().scaled(page.size(), Qt::KeepAspectRatio);
    painter.setViewport(page.x(), page.y(), size.width(), size.height());
    painter.setWindow(image.rect());
    painter.drawPixmap(0, 0, image);
    return painter.end();
}

}  // namespace purlo
