// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/QtSerialPort.h"

#include "text/RuntimeError.h"

namespace purlo {

namespace {

QSerialPort::Parity qtParity(Parity p) {
    switch (p) {
        case Parity::Even: return QSerialPort::EvenParity;
        case Parity::Odd: return QSerialPort::OddParity;
        case Parity::Mark: return QSerialPort::MarkParity;
        case Parity::Space: return QSerialPort::SpaceParity;
        case Parity::None: break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits qtStopBits(int halfStopBits) {
    switch (halfStopBits) {
        case 3: return QSerialPort::OneAndHalfStop;
        case 4: return QSerialPort::TwoStop;
        default: return QSerialPort::OneStop;
    }
}

std::string failure(const std::string& what, const QSerialPort& port) {
    return what + " " + port.portName().toStdString() + ": " + port.errorString().toStdString();
}

}  // namespace

QtSerialPort::QtSerialPort() {
    // Qt's own buffer is unlimited unless told otherwise; with a limit it
    // stops taking bytes from the device until some are read.
    port_.setReadBufferSize(static_cast<qint64>(kReceiveBufferBytes));
    QObject::connect(&port_, &QSerialPort::errorOccurred, &port_,
                     [this](QSerialPort::SerialPortError e) { onError(e); });
}

QtSerialPort::~QtSerialPort() {
    if (port_.isOpen()) port_.close();
}

void QtSerialPort::onError(QSerialPort::SerialPortError error) {
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError) return;
    if (!port_.isOpen()) return;
    lostReason_ = failure("lost the port", port_);
    port_.close();
}

void QtSerialPort::open(const std::string& device, const LineSettings& line, int /*comm*/) {
    port_.setPortName(QString::fromStdString(device));
    port_.clearError();
    lostReason_.clear();
    line_ = line;
    apply(line_);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!port_.open(QIODevice::ReadWrite)) throw RuntimeError(failure("cannot open", port_));
    // Whatever arrived before this open is stale.
    port_.clear(QSerialPort::Input);
}

void QtSerialPort::close() {
    if (port_.isOpen()) port_.close();
}

void QtSerialPort::apply(const LineSettings& line) {
    const bool ok = port_.setBaudRate(line.baud) &&
                    port_.setDataBits(static_cast<QSerialPort::DataBits>(line.dataBits)) &&
                    port_.setParity(qtParity(line.parity)) &&
                    port_.setStopBits(qtStopBits(line.halfStopBits));
    if (!ok) throw RuntimeError(failure("cannot set", port_));
}

void QtSerialPort::setLine(const LineSettings& line) {
    try {
        apply(line);
    } catch (...) {
        // The line may have taken part of the new settings: put the old back.
        try {
            apply(line_);
        } catch (const RuntimeError&) {
            // The first failure is the one to report.
        }
        throw;
    }
    line_ = line;
}

void QtSerialPort::receive(std::string& into, std::size_t most) {
    const QByteArray bytes = port_.read(static_cast<qint64>(most));
    into.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void QtSerialPort::discardInput() {
    port_.clear(QSerialPort::Input);
}

void QtSerialPort::send(std::string_view data) {
    const auto size = static_cast<qint64>(data.size());
    port_.clearError();
    if (port_.write(data.data(), size) != size)
        throw RuntimeError(failure("cannot write to", port_));
    // Out at once, not when the event loop next comes round.
    port_.flush();
    if (port_.error() == QSerialPort::WriteError)
        throw RuntimeError(failure("cannot write to", port_));
}

std::string QtSerialPort::takeLostReason() {
    std::string reason;
    reason.swap(lostReason_);
    return reason;
}

}  // namespace purlo
