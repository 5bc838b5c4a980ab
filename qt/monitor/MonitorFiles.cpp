// SPDX-License-Identifier: GPL-3.0-or-later
#include "MonitorFiles.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPageLayout>
#include <QPageSize>
#include <QPixmap>
#include <QPrinter>
#include <QSaveFile>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "window/Printing.h"

namespace purlo {

namespace {

QString failed(const QString& path, const QString& why) {
    return QStringLiteral("%1 was not written: %2").arg(path, why);
}

}  // namespace

std::optional<QString> saveBytes(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return failed(path, file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return failed(path, why);
    }
    if (!file.commit()) return failed(path, file.errorString());
    return std::nullopt;
}

std::optional<QString> savePng(const QString& path, const QImage& image) {
    if (image.isNull()) return failed(path, QStringLiteral("there is nothing to show yet"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return failed(path, file.errorString());
    QImageWriter writer(&file, "png");
    if (!writer.write(image)) {
        const QString why =
            file.error() != QFileDevice::NoError ? file.errorString() : writer.errorString();
        file.cancelWriting();
        return failed(path, why);
    }
    if (!file.commit()) return failed(path, file.errorString());
    return std::nullopt;
}

std::optional<QString> savePdf(const QString& path, const QPixmap& picture) {
    // The printer writes to a file name only: a temporary file beside the
    // target takes the pages, and a rename puts it in place whole.
    QTemporaryFile part(QFileInfo(path).absolutePath() + QStringLiteral("/.purlo-pdf-XXXXXX"));
    if (!part.open()) return failed(path, part.errorString());
    part.close();
    // An export is for others to read, as any file the program writes.
    part.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                        QFileDevice::ReadOther);

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(part.fileName());
    printer.setPageLayout(QPageLayout(
        QPageSize(QPageSize::A4),
        picture.width() > picture.height() ? QPageLayout::Landscape : QPageLayout::Portrait,
        QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
    if (!printImage(picture, printer)) {
        return failed(path, QStringLiteral("the PDF could not be made"));
    }
    if (QFileInfo(part.fileName()).size() == 0) {
        return failed(path, QStringLiteral("the PDF could not be written"));
    }
    if (std::rename(QFile::encodeName(part.fileName()).constData(),
                    QFile::encodeName(path).constData()) != 0) {
        return failed(path, QString::fromLocal8Bit(std::strerror(errno)));
    }
    part.setAutoRemove(false);
    return std::nullopt;
}

}  // namespace purlo
