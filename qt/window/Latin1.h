// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace purlo {

// The core's texts are 8-bit, one byte per character; Qt's are Unicode.
// Latin-1 maps every byte to one character and back, so nothing is lost.
inline QString fromBytes(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// Characters beyond Latin-1 (typed by the operator) become "?".
inline std::string toBytes(const QString& text) {
    const QByteArray b = text.toLatin1();
    return {b.constData(), static_cast<std::size_t>(b.size())};
}

// Multi-line text for a Qt widget: the program's CR LF line breaks become
// the bare line feed Qt's text widgets expect. A lone CR is a line break to
// them as well; it becomes a line feed of its own first, or Qt would join it
// with a following CR LF ("\r\r\n", a file converted twice) into one break.
inline QString linesForDisplay(std::string_view bytes) {
    QString text = fromBytes(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

}  // namespace purlo
