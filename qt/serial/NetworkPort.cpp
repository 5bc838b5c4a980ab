// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/NetworkPort.h"

#include <QElapsedTimer>

#include "serial/NetworkPorts.h"
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

void NetworkPort::open(const std::string& device, const LineSettings& line, int comm) {
    device_ = device;
    comm_ = comm;
    line_ = line;
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

void NetworkPort::close() {
    if (!open_) return;
    open_ = false;
    // Whatever was written has been flushed; the server sees the end.
    socket_.disconnectFromHost();
    if (socket_.state() != QAbstractSocket::UnconnectedState) socket_.abort();
}

void NetworkPort::refuse(const std::string& why) {
    NetworkPorts::failed(device_, why);
    throw RuntimeError("cannot use " + device_ + ": " + why);
}

void NetworkPort::connectTo(const NetworkAddress& address) {
    address_ = address;
    lostReason_.clear();
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
    // What arrives before the open is done is stale.
    std::string stale;
    if (rfc2217()) {
        // Binary both ways and the COM-PORT-OPTION; once the server has taken
        // it, the line as the console wants it and nothing stale in the
        // server's buffers.
        telnet_ = telnet::Client();
        write(telnet_.start());
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
            read(stale, kReceiveBufferBytes);
        }
        if (telnet_.comPort() == telnet::Agreement::Refused) {
            other.kind = NetworkKind::RawTcp;
            refuse("refuses the COM-PORT-OPTION (no RFC 2217): try " + other.text());
        }
        write(telnet::Client::lineSettings(line_) + telnet::Client::purgeData(telnet::Purge::Both));
        return;
    }
    // A Telnet server greets at once; a raw port says nothing.
    if (socket_.waitForReadyRead(kGreetingWaitMs)) read(stale, kReceiveBufferBytes);
    requireOpen();
    if (notes_ && NetworkPorts::firstRawOpen(device_)) {
        notes_("* Comm" + std::to_string(comm_) + " is raw TCP (" + device_ +
               "): baud rate and line settings are set on the server.");
    }
}

void NetworkPort::setLine(const LineSettings& line) {
    line_ = line;
    if (open_ && rfc2217()) write(telnet::Client::lineSettings(line_));
}

void NetworkPort::requireOpen() {
    if (open_) return;
    throw RuntimeError(lostReason_.empty() ? std::string("port not open") : lostReason_);
}

std::string NetworkPort::takeLostReason() {
    std::string reason;
    reason.swap(lostReason_);
    return reason;
}

void NetworkPort::write(const std::string& bytes) {
    const auto size = static_cast<qint64>(bytes.size());
    if (socket_.write(bytes.data(), size) != size) onLost();
    requireOpen();
    // Out at once, not when the event loop next comes round.
    socket_.flush();
    requireOpen();
}

void NetworkPort::read(std::string& data, std::size_t most) {
    const QByteArray raw = socket_.read(static_cast<qint64>(most));
    if (raw.isEmpty()) return;
    std::string reply;
    const std::string_view bytes(raw.constData(), static_cast<std::size_t>(raw.size()));
    const std::size_t before = data.size();
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
        data.append(bytes);
    }
    if (data.size() > before && !heard_) {
        heard_ = true;
        NetworkPorts::heard(device_);
    }
    if (!reply.empty()) write(reply);
}

void NetworkPort::tellBaud() {
    const std::uint32_t acknowledged = telnet_.acknowledgedBaud();
    const auto asked = static_cast<std::uint32_t>(line_.baud);
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

void NetworkPort::receive(std::string& into, std::size_t most) {
    if (open_) read(into, most);
}

void NetworkPort::discardInput() {
    // Through the Telnet layer all the same, so no command is cut in two.
    std::string dropped;
    while (open_ && socket_.bytesAvailable() > 0) {
        dropped.clear();
        read(dropped, kReceiveBufferBytes);
    }
}

void NetworkPort::send(std::string_view data) {
    requireOpen();
    write(rfc2217() ? telnet::escape(data) : std::string(data));
}

}  // namespace purlo
