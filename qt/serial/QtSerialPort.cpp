// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/QtSerialPort.h"

#include <algorithm>
#include <limits>

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

bool QtSerialPort::portOpen() const {
    return port_.isOpen();
}

std::string QtSerialPort::deviceName() const {
    if (port_.isOpen()) return device_;
    return deviceForComm(commPort_);
}

void QtSerialPort::setPortOpen(bool open) {
    if (!open) {
        if (port_.isOpen()) port_.close();
        return;
    }
    if (port_.isOpen()) return;
    device_ = deviceForComm(commPort_);
    port_.setPortName(QString::fromStdString(device_));
    port_.clearError();
    lostReason_.clear();
    received_.clear();
    applyLineSettings();
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!port_.open(QIODevice::ReadWrite)) throw RuntimeError(failure("cannot open", port_));
    // Whatever arrived before this open is stale.
    port_.clear(QSerialPort::Input);
}

void QtSerialPort::setCommPort(std::int16_t number) {
    if (number < 1) throw RuntimeError("invalid port number");
    commPort_ = number;
}

void QtSerialPort::applyLineSettings() {
    // Before an open these only record the values; on an open port they
    // reconfigure the line and can fail.
    const bool ok = port_.setBaudRate(settings_.baud) &&
                    port_.setDataBits(static_cast<QSerialPort::DataBits>(settings_.dataBits)) &&
                    port_.setParity(qtParity(settings_.parity)) &&
                    port_.setStopBits(qtStopBits(settings_.halfStopBits));
    if (!ok) throw RuntimeError(failure("cannot set", port_));
}

void QtSerialPort::setSettings(std::string_view settings) {
    const LineSettings parsed = parseLineSettings(settings);
    const LineSettings before = settings_;
    settings_ = parsed;
    try {
        applyLineSettings();
    } catch (...) {
        // An open line may have taken part of the new settings: put the old back.
        settings_ = before;
        try {
            applyLineSettings();
        } catch (const RuntimeError&) {
            // The first failure is the one to report.
        }
        throw;
    }
}

void QtSerialPort::setInputMode(InputMode mode) {
    mode_ = mode;
}

void QtSerialPort::setInputLen(std::int16_t length) {
    if (length < 0) throw RuntimeError("invalid input length");
    inputLen_ = length;
}

void QtSerialPort::setNullDiscard(bool discard) {
    nullDiscard_ = discard;
}

void QtSerialPort::requireOpen() {
    if (port_.isOpen()) return;
    if (!lostReason_.empty()) {
        std::string reason;
        reason.swap(lostReason_);
        throw RuntimeError(reason);
    }
    throw RuntimeError("port not open");
}

void QtSerialPort::takeReceived() {
    const std::size_t waiting = received_.waiting();
    if (waiting >= kReceiveBufferBytes) return;
    const QByteArray bytes = port_.read(static_cast<qint64>(kReceiveBufferBytes - waiting));
    received_.append(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                     nullDiscard_);
}

int QtSerialPort::inBufferCount() {
    requireOpen();
    takeReceived();
    return static_cast<int>(
        std::min<std::size_t>(received_.waiting(), std::numeric_limits<int>::max()));
}

void QtSerialPort::clearInBuffer() {
    requireOpen();
    port_.clear(QSerialPort::Input);
    received_.clear();
}

void QtSerialPort::output(std::string_view data) {
    requireOpen();
    const auto size = static_cast<qint64>(data.size());
    port_.clearError();
    if (port_.write(data.data(), size) != size)
        throw RuntimeError(failure("cannot write to", port_));
    // Out at once, not when the event loop next comes round.
    port_.flush();
    requireOpen();
    if (port_.error() == QSerialPort::WriteError)
        throw RuntimeError(failure("cannot write to", port_));
}

std::string QtSerialPort::input() {
    requireOpen();
    takeReceived();
    // Text and binary reads both hand over the bytes as they came, one
    // character per byte.
    return received_.take(static_cast<std::size_t>(inputLen_));
}

}  // namespace purlo
