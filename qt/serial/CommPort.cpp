// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/CommPort.h"

#include "link/NetworkAddress.h"
#include "serial/PortMap.h"

namespace purlo {

void CommPort::setPortOpen(bool open) {
    if (open && !active().portOpen()) networkActive_ = isNetworkAddress(deviceForComm(commPort_));
    active().setPortOpen(open);
}

void CommPort::setCommPort(std::int16_t number) {
    active().setCommPort(number);
    other().setCommPort(number);
    commPort_ = number;
}

void CommPort::setSettings(std::string_view settings) {
    active().setSettings(settings);
    other().setSettings(settings);
}

void CommPort::setInputMode(InputMode mode) {
    active().setInputMode(mode);
    other().setInputMode(mode);
}

void CommPort::setInputLen(std::int16_t length) {
    active().setInputLen(length);
    other().setInputLen(length);
}

void CommPort::setNullDiscard(bool discard) {
    active().setNullDiscard(discard);
    other().setNullDiscard(discard);
}

std::string CommPort::deviceName() const {
    if (active().portOpen()) return active().deviceName();
    return deviceForComm(commPort_);
}

}  // namespace purlo
