// SPDX-License-Identifier: GPL-3.0-or-later
// The window's modal dialogs, printing and locale.
#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>

#include "window/Latin1.h"
#include "window/MainWindow.h"
#include "window/Printing.h"

namespace purlo {

QString MainWindow::dialogTitle(std::string_view title) const {
    return title.empty() ? QApplication::applicationName() : fromBytes(title);
}

Answer MainWindow::messageBox(std::string_view text, std::string_view title, Buttons buttons) {
    showPending();
    QMessageBox box(QMessageBox::NoIcon, dialogTitle(title), linesForDisplay(text),
                    QMessageBox::NoButton, this);
    // The text is shown as it is, never read as markup.
    box.setTextFormat(Qt::PlainText);
    if (buttons == Buttons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}

std::optional<std::string> MainWindow::inputBox(std::string_view prompt, std::string_view title,
                                                std::string_view defaultText) {
    showPending();
    QInputDialog dialog(this);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(dialogTitle(title));
    dialog.setLabelText(linesForDisplay(prompt));
    dialog.setTextValue(fromBytes(defaultText));
    // The prompt is shown as it is, never read as markup.
    for (QLabel* label : dialog.findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return toBytes(dialog.textValue());
}

bool MainWindow::printWindow() {
    // Without a print service Qt quietly prints to a PDF file instead, which
    // is not what the operator asked for.
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) return false;
    QPrinter printer(info, QPrinter::HighResolution);
    if (printer.outputFormat() != QPrinter::NativeFormat) return false;
    showPending();
    return printImage(grab(), printer);
}

char MainWindow::decimalSeparator() const {
    // Asked for every reply line and record: the answer is kept until the
    // locale changes (a QLocale made per call costs a lock each time).
    if (separator_ != 0) return separator_;
    const QString point = QLocale().decimalPoint();
    // A separator outside the 8-bit character set cannot be shown in the
    // core's texts; the plain point is the readable fallback.
    separator_ = point.size() != 1 || point.at(0).unicode() > 0xFF
                     ? '.'
                     : static_cast<char>(point.at(0).unicode());
    return separator_;
}

}  // namespace purlo
