// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

class QByteArray;
class QImage;
class QPixmap;

namespace purlo {

// Exports replace their file whole or not at all; each returns the message
// for the operator when it failed.
std::optional<QString> saveBytes(const QString& path, const QByteArray& bytes);
std::optional<QString> savePng(const QString& path, const QImage& image);
// The picture on one PDF page, as large as fits, written to a temporary file
// beside `path` and renamed over it.
std::optional<QString> savePdf(const QString& path, const QPixmap& picture);

}  // namespace purlo
