// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/NetworkPort.h"

#include <QElapsedTimer>
#include <algorithm>
#include <limits>

#include "serial/NetworkPorts.h"
#include "serial/PortMap.h"
#include "text/RuntimeError.h"

#ifdef __linux__
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace purlo {

namespace {

// A server gone without a FIN (switched off, its cable pulled) is noticed by
// keep-alive while nothing is sent, and by the user timeout while sent data
// waits for its acknowledgement.
void shortKeepAlive(QTcpSocket& socket) {
    socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
#ifdef __linux__
    const auto fd = static_cast<int>(socket.socketDescriptor());
    const int idle = NetworkPort::kKeepAliveIdleSeconds;
    const int interval = 1;
    const int probes = NetworkPort::kKeepAliveProbes;
    const unsigned userTimeoutMs = (idle + probes * interval) * 1000U;
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
    setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeoutMs, sizeof userTimeoutMs);
#endif
}

}  // namespace

NetworkPort::NetworkPort() {
    socket_.setReadBufferSize(static_cast<qint64>(kReceiveBufferBytes));
    QObject::connect(&socket_, &QAbstractSocket::errorOccurred, &socket_,
                     [this](QAbstractSocket::SocketError error) {
                         // A wait for the server's answer that ran out
                         // leaves the connection as it was.
                         if (error == QAbstractSocket::SocketTimeoutError &&
                             socket_.state() == QAbstractSocket::ConnectedState)
                             return;
                         onLost();
                     });
    QObject::connect(&socket_, &QAbstractSocket::disconnected, &socket_, [this] { onLost(); });
}

NetworkPort::~NetworkPort() {
    open_ = false;
    socket_.abort();
}

void NetworkPort::onLost() {
    if (!open_) return;
    const std::string why = NetworkPorts::reason(socket_.error(), socket_.errorString());
    lostReason_ = "lost the connection to " + device_ + ": " + why;
    NetworkPorts::failed(device_, why);
    if (!heard_) NetworkPorts::droppedSilently(device_);
    open_ = false;
    socket_.abort();
}

std::string NetworkPort::deviceName() const {
    if (open_) return device_;
    return deviceForComm(commPort_);
}

void NetworkPort::setCommPort(std::int16_t number) {
    if (number < 1) throw RuntimeError("invalid port number");
    commPort_ = number;
}

void NetworkPort::setInputLen(std::int16_t length) {
    if (length < 0) throw RuntimeError("invalid input length");
    inputLen_ = length;
}

void NetworkPort::setPortOpen(bool open) {
    if (!open) {
        if (!open_) return;
        open_ = false;
        // Whatever was written has been flushed; the server sees the end.
        socket_.disconnectFromHost();
        if (socket_.state() != QAbstractSocket::UnconnectedState) socket_.abort();
        return;
    }
    if (open_) return;
    device_ = deviceForComm(commPort_);
    const NetworkAddress address = parseNetworkAddress(device_);
    try {
        connectTo(address);
    } catch (...) {
        // Ended here: no drop by the server.
        open_ = false;
        socket_.abort();
        throw;
    }
    NetworkPorts::used(device_);
}

void NetworkPort::refuse(const std::string& why) {
    NetworkPorts::failed(device_, why);
    throw RuntimeError("cannot use " + device_ + ": " + why);
}

void NetworkPort::connectTo(const NetworkAddress& address) {
    address_ = address;
    lostReason_.clear();
    received_.clear();
    heard_ = false;
    baudTold_ = 0;
    socket_.abort();
    socket_.connectToHost(QString::fromStdString(address.host), address.port);
    if (!socket_.waitForConnected(kConnectTimeoutMs)) {
        const std::string why = NetworkPorts::reason(socket_.error(), socket_.errorString());
        NetworkPorts::failed(device_, why);
        throw RuntimeError("cannot connect to " + device_ + ": " + why);
    }
    shortKeepAlive(socket_);
    open_ = true;
    NetworkPorts::reached(device_);
    NetworkAddress other = address;
    if (rfc2217()) {
        // Binary both ways and the COM-PORT-OPTION; once the server has taken
        // it, the line as the console wants it and nothing stale in the
        // server's buffers.
        telnet_ = telnet::Client();
        send(telnet_.start());
        QElapsedTimer clock;
        clock.start();
        while (telnet_.comPort() == telnet::Agreement::Pending) {
            const qint64 left = kNegotiationTimeoutMs - clock.elapsed();
            if (left <= 0 || !socket_.waitForReadyRead(static_cast<int>(left))) {
                requireOpen();  // the server ended the connection
                if (clock.elapsed() < kNegotiationTimeoutMs) continue;
                other.kind = NetworkKind::RawTcp;
                refuse("no RFC 2217 answer within " + std::to_string(kNegotiationTimeoutMs / 1000) +
                       " s: raw TCP? try " + other.text());
            }
            takeReceived();
        }
        if (telnet_.comPort() == telnet::Agreement::Refused) {
            other.kind = NetworkKind::RawTcp;
            refuse("refuses the COM-PORT-OPTION (no RFC 2217): try " + other.text());
        }
        send(telnet::Client::lineSettings(settings_) +
             telnet::Client::purgeData(telnet::Purge::Both));
        return;
    }
    // A Telnet server greets at once; a raw port says nothing.
    if (socket_.waitForReadyRead(kGreetingWaitMs)) takeReceived();
    requireOpen();
    static std::vector<std::string> told;
    if (notes_ && std::find(told.begin(), told.end(), device_) == told.end()) {
        told.push_back(device_);
        notes_("* Comm" + std::to_string(commPort_) + " is raw TCP (" + device_ +
               "): baud rate and line settings are set on the server.");
    }
}

void NetworkPort::setSettings(std::string_view settings) {
    settings_ = parseLineSettings(settings);
    if (open_ && rfc2217()) send(telnet::Client::lineSettings(settings_));
}

void NetworkPort::requireOpen() {
    if (open_) return;
    if (!lostReason_.empty()) {
        std::string reason;
        reason.swap(lostReason_);
        throw RuntimeError(reason);
    }
    throw RuntimeError("port not open");
}

void NetworkPort::send(const std::string& bytes) {
    const auto size = static_cast<qint64>(bytes.size());
    if (socket_.write(bytes.data(), size) != size) {
        onLost();
        requireOpen();
    }
    // Out at once, not when the event loop next comes round.
    socket_.flush();
    requireOpen();
}

void NetworkPort::takeReceived() {
    const std::size_t waiting = received_.waiting();
    if (waiting >= kReceiveBufferBytes) return;
    const QByteArray raw = socket_.read(static_cast<qint64>(kReceiveBufferBytes - waiting));
    if (raw.isEmpty()) return;
    std::string data;
    std::string reply;
    const std::string_view bytes(raw.constData(), static_cast<std::size_t>(raw.size()));
    if (rfc2217()) {
        telnet_.receive(bytes, data, reply);
        tellBaud();
    } else if (!heard_ && telnet::opensWithNegotiation(bytes)) {
        // Telnet on a raw port: its 0xFF bytes would be doubled, its
        // negotiation taken for the probe's data.
        NetworkAddress other = address_;
        other.kind = NetworkKind::Rfc2217;
        const std::string why = "speaks Telnet (RFC 2217?): try " + other.text();
        NetworkPorts::failed(device_, why);
        lostReason_ = "cannot use " + device_ + ": " + why;
        open_ = false;
        socket_.abort();
        return;
    } else {
        data.assign(bytes);
    }
    if (!data.empty() && !heard_) {
        heard_ = true;
        NetworkPorts::heard(device_);
    }
    received_.append(data, nullDiscard_);
    if (!reply.empty()) send(reply);
}

void NetworkPort::tellBaud() {
    const std::uint32_t acknowledged = telnet_.acknowledgedBaud();
    const auto asked = static_cast<std::uint32_t>(settings_.baud);
    if (acknowledged == asked && baudTold_ != 0) {
        baudTold_ = 0;
        NetworkPorts::reached(device_);  // the note is past
    }
    if (acknowledged == 0 || acknowledged == asked || baudTold_ == asked) return;
    // Once for each rate asked: the line runs at another, the probe's
    // replies will be garbage.
    baudTold_ = asked;
    NetworkPorts::failed(device_, "the server set " + std::to_string(acknowledged) + " baud, not " +
                                      std::to_string(asked));
    if (notes_) notes_("* Error while setting Baud Rate! * Check Comport!");
}

int NetworkPort::inBufferCount() {
    requireOpen();
    takeReceived();
    return static_cast<int>(
        std::min<std::size_t>(received_.waiting(), std::numeric_limits<int>::max()));
}

void NetworkPort::clearInBuffer() {
    requireOpen();
    // Through the Telnet layer all the same, so no command is cut in two.
    while (socket_.bytesAvailable() > 0) {
        received_.clear();
        takeReceived();
        requireOpen();
    }
    received_.clear();
}

void NetworkPort::output(std::string_view data) {
    requireOpen();
    send(rfc2217() ? telnet::escape(data) : std::string(data));
}

std::string NetworkPort::input() {
    requireOpen();
    takeReceived();
    return received_.take(static_cast<std::size_t>(inputLen_));
}

}  // namespace purlo
