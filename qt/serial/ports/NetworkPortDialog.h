// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace purlo {

// "Network port…": host, port and kind (RFC 2217 or raw TCP) of a serial
// device server for Comm n. Opened with open(), never exec(): the receive
// loop goes on while it is shown. Accepting a valid address hands it, as the
// console writes it, to the callback; an invalid one is explained in the
// dialog, which stays open.
class NetworkPortDialog : public QDialog {
    Q_OBJECT

  public:
    NetworkPortDialog(QWidget* parent, int comm, const std::string& initial,
                      std::function<void(const std::string&)> chosen);

    // The address the fields make now; throws RuntimeError when they make none.
    std::string address() const;
    void accept() override;

    // The ports a new address starts from, by kind, as the README's ser2net
    // configuration has them.
    static constexpr int kRfc2217Port = 4002;
    static constexpr int kRawPort = 4001;

  private:
    QLineEdit* host_;
    QSpinBox* port_;
    QComboBox* kind_;
    QLabel* problem_;
    std::function<void(const std::string&)> chosen_;
};

}  // namespace purlo
