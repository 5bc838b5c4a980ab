// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

class QByteArray;
class QImage;
class QPixmap;

namespace purlo {

// Exports replace their file whole or not at all: each is made in memory,
// written beside the old file, synced, and only then renamed over it; on any
// failure the old file stays as it was. Each returns the message for the
// operator when it failed.
std::optional<QString> saveBytes(const QString& path, const QByteArray& bytes);
std::optional<QString> savePng(const QString& path, const QImage& image);
// The picture on one A4 PDF page, as large as fits.
std::optional<QString> savePdf(const QString& path, const QPixmap& picture);

}  // namespace purlo
