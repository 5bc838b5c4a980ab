// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/CommPort.h"

#include <algorithm>
#include <limits>

#include "link/NetworkAddress.h"
#include "serial/PortMap.h"
#include "text/RuntimeError.h"

namespace purlo {

Transport& CommPort::transportFor(const std::string& device) {
    if (isNetworkAddress(device)) return network_;
    return serial_;
}

void CommPort::setPortOpen(bool open) {
    if (!open) {
        if (transport_ != nullptr) transport_->close();
        return;
    }
    if (portOpen()) return;
    const std::string device = deviceForComm(commPort_);
    transport_ = &transportFor(device);
    device_ = device;
    received_.clear();
    transport_->open(device, settings_, commPort_);
}

void CommPort::setCommPort(std::int16_t number) {
    if (number < 1) throw RuntimeError("invalid port number");
    commPort_ = number;
}

void CommPort::setSettings(std::string_view settings) {
    const LineSettings parsed = parseLineSettings(settings);
    if (portOpen()) transport_->setLine(parsed);
    settings_ = parsed;
}

void CommPort::setInputLen(std::int16_t length) {
    if (length < 0) throw RuntimeError("invalid input length");
    inputLen_ = length;
}

void CommPort::requireOpen() {
    if (portOpen()) return;
    const std::string reason = transport_ == nullptr ? std::string() : transport_->takeLostReason();
    throw RuntimeError(reason.empty() ? "port not open" : reason);
}

void CommPort::takeReceived() {
    const std::size_t waiting = received_.waiting();
    if (waiting >= kReceiveBufferBytes) return;
    std::string got;
    transport_->receive(got, kReceiveBufferBytes - waiting);
    received_.append(got, nullDiscard_);
}

int CommPort::inBufferCount() {
    requireOpen();
    takeReceived();
    return static_cast<int>(
        std::min<std::size_t>(received_.waiting(), std::numeric_limits<int>::max()));
}

void CommPort::clearInBuffer() {
    requireOpen();
    transport_->discardInput();
    received_.clear();
    requireOpen();
}

void CommPort::output(std::string_view data) {
    requireOpen();
    transport_->send(data);
    requireOpen();
}

std::string CommPort::input() {
    requireOpen();
    takeReceived();
    return received_.take(static_cast<std::size_t>(inputLen_));
}

std::string CommPort::deviceName() const {
    if (portOpen()) return device_;
    return deviceForComm(commPort_);
}

}  // namespace purlo
