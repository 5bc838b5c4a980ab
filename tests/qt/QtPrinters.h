// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Readable failure messages for Qt values in GoogleTest assertions.
#include <QColor>
#include <QString>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QColor& c, std::ostream* os) {
    *os << "rgb(" << c.red() << ", " << c.green() << ", " << c.blue() << ")";
}
