// SPDX-License-Identifier: GPL-3.0-or-later
#include "MonitorFiles.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPixmap>
#include <exception>
#include <filesystem>
#include <string_view>

#include "files/ReplaceFile.h"
#include "window/Printing.h"

namespace purlo {

namespace {

QString failed(const QString& path, const QString& why) {
    return QStringLiteral("%1 was not written: %2").arg(path, why);
}

// Every export is made whole in memory first: only a complete file, written,
// synced and checked, is renamed over the old one.
std::optional<QString> replaceWith(const QString& path, const QByteArray& bytes) {
    try {
        replaceFile(std::filesystem::path(QFile::encodeName(path).toStdString()),
                    std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    } catch (const std::exception& e) {
        return failed(path, QString::fromLocal8Bit(e.what()));
    }
    return std::nullopt;
}

}  // namespace

std::optional<QString> saveBytes(const QString& path, const QByteArray& bytes) {
    return replaceWith(path, bytes);
}

std::optional<QString> savePng(const QString& path, const QImage& image) {
    if (image.isNull()) return failed(path, QStringLiteral("there is nothing to show yet"));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image)) return failed(path, writer.errorString());
    return replaceWith(path, bytes);
}

std::optional<QString> savePdf(const QString& path, const QPixmap& picture) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(1200);
        pdf.setPageLayout(QPageLayout(
            QPageSize(QPageSize::A4),
            picture.width() > picture.height() ? QPageLayout::Landscape : QPageLayout::Portrait,
            QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
        QPainter painter;
        if (!painter.begin(&pdf)) return failed(path, QStringLiteral("the PDF could not be made"));
        drawFitted(painter, picture);
        // end() writes the document's trailer: without it there is no PDF.
        if (!painter.end()) return failed(path, QStringLiteral("the PDF could not be made"));
    }
    if (bytes.isEmpty()) return failed(path, QStringLiteral("the PDF could not be made"));
    return replaceWith(path, bytes);
}

}  // namespace purlo
