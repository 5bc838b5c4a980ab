// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/WinSerialPort.h"

#include <QString>
#include <algorithm>

#include "serial/CommState.h"
#include "serial/ports/SystemPortCatalogue.h"
#include "text/RuntimeError.h"

namespace purlo {

namespace {

std::string systemMessage(DWORD error) {
    return qt_error_string(static_cast<int>(error)).toStdString();
}

// The name CreateFileW opens: COM10 and above only exist in the device
// namespace, so every port is named there.
std::wstring deviceName(const std::string& port) {
    const QString name = QString::fromStdString(port);
    if (name.startsWith(QLatin1String("\\\\.\\"))) return name.toStdWString();
    return (QStringLiteral("\\\\.\\") + name).toStdWString();
}

// Whether an error means the device is gone rather than one call failing.
bool deviceGone(DWORD error) {
    switch (error) {
        case ERROR_OPERATION_ABORTED:
        case ERROR_ACCESS_DENIED:
        case ERROR_BAD_COMMAND:
        case ERROR_DEVICE_REMOVED:
        case ERROR_GEN_FAILURE:
        case ERROR_INVALID_HANDLE:
        case ERROR_FILE_NOT_FOUND: return true;
        default: return false;
    }
}

}  // namespace

WinSerialPort::WinSerialPort() {
    readEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    writeEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    notifier_.setHandle(readEvent_);
    QObject::connect(&notifier_, &QWinEventNotifier::activated, &notifier_,
                     [this](HANDLE) { readDone(); });
}

WinSerialPort::~WinSerialPort() {
    close();
    notifier_.setEnabled(false);
    CloseHandle(readEvent_);
    CloseHandle(writeEvent_);
}

void WinSerialPort::open(const std::string& device, const LineSettings& line, int /*comm*/) {
    close();
    lostReason_.clear();
    buffer_.clear();
    // A port bound by its adapter opens the COM port the adapter has now.
    name_ = SystemPortCatalogue::locationOf(device);
    const std::wstring path = deviceName(name_);
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        throw RuntimeError("cannot open " + name_ + ": " + systemMessage(GetLastError()));
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    COMMTIMEOUTS timeouts = commTimeoutsFor(line);
    bool ok = GetCommState(h, &dcb);
    if (ok) {
        dcb = commStateFor(line, dcb);
        // Whatever arrived before this open is stale.
        ok = SetCommState(h, &dcb) && SetCommTimeouts(h, &timeouts) &&
             PurgeComm(h, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
    }
    if (!ok) {
        const DWORD error = GetLastError();
        CloseHandle(h);
        throw RuntimeError("cannot set " + name_ + ": " + systemMessage(error));
    }
    handle_ = h;
    SystemPortCatalogue::noteHeld(name_, true);
    notifier_.setEnabled(true);
    readMore();
}

void WinSerialPort::close() {
    if (handle_ == INVALID_HANDLE_VALUE) return;
    notifier_.setEnabled(false);
    cancelRead(false);
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    SystemPortCatalogue::noteHeld(name_, false);
}

void WinSerialPort::lose(const std::string& what, DWORD error) {
    lostReason_ = what + " " + name_ + ": " + systemMessage(error);
    close();
}

void WinSerialPort::readMore() {
    while (isOpen() && !reading_ && buffer_.size() < kReceiveBufferBytes) {
        const std::size_t room = kReceiveBufferBytes - buffer_.size();
        COMSTAT status{};
        DWORD errors = 0;
        if (!ClearCommError(handle_, &errors, &status)) {
            lose("lost the port", GetLastError());
            return;
        }
        // What the driver holds is read at once; when it holds nothing, one
        // byte is read, which stays pending until a byte comes.
        const auto want = static_cast<DWORD>(
            status.cbInQue == 0 ? 1 : std::min<std::size_t>({status.cbInQue, room, chunk_.size()}));
        ResetEvent(readEvent_);
        read_ = OVERLAPPED{};
        read_.hEvent = readEvent_;
        DWORD got = 0;
        if (!ReadFile(handle_, chunk_.data(), want, &got, &read_)) {
            const DWORD error = GetLastError();
            if (error != ERROR_IO_PENDING) {
                lose("lost the port", error);
                return;
            }
            if (status.cbInQue == 0) {
                reading_ = true;
                return;
            }
            // The bytes are there: the read ends at once.
            if (!GetOverlappedResult(handle_, &read_, &got, TRUE)) {
                lose("lost the port", GetLastError());
                return;
            }
        }
        buffer_.append(chunk_.data(), got);
    }
}

void WinSerialPort::readDone() {
    if (!isOpen() || !reading_) return;
    DWORD got = 0;
    if (!GetOverlappedResult(handle_, &read_, &got, FALSE)) {
        const DWORD error = GetLastError();
        if (error == ERROR_IO_INCOMPLETE) return;
        // A read fails when the device goes (aborted, access denied, bad
        // command, device removed): the port is lost.
        reading_ = false;
        lose("lost the port", error);
        return;
    }
    reading_ = false;
    buffer_.append(chunk_.data(), got);
    readMore();
}

void WinSerialPort::cancelRead(bool keep) {
    if (!reading_) return;
    CancelIoEx(handle_, &read_);
    DWORD got = 0;
    // The buffer belongs to the read until it has ended.
    if (GetOverlappedResult(handle_, &read_, &got, TRUE) && keep)
        buffer_.append(chunk_.data(), got);
    reading_ = false;
}

void WinSerialPort::setLine(const LineSettings& line) {
    if (!isOpen()) return;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle_, &dcb))
        throw RuntimeError("cannot set " + name_ + ": " + systemMessage(GetLastError()));
    const DCB old = dcb;
    DCB wanted = commStateFor(line, dcb);
    COMMTIMEOUTS timeouts = commTimeoutsFor(line);
    if (!SetCommState(handle_, &wanted) || !SetCommTimeouts(handle_, &timeouts)) {
        const DWORD error = GetLastError();
        // The driver may have taken part of it: the old settings stand.
        DCB back = old;
        SetCommState(handle_, &back);
        throw RuntimeError("cannot set " + name_ + ": " + systemMessage(error));
    }
}

void WinSerialPort::receive(std::string& into, std::size_t most) {
    const std::size_t n = std::min(most, buffer_.size());
    into.append(buffer_, 0, n);
    buffer_.erase(0, n);
    // Held back at the bound: read on now there is room.
    if (n > 0) readMore();
}

void WinSerialPort::discardInput() {
    const bool open = isOpen();
    if (open) {
        cancelRead(false);
        PurgeComm(handle_, PURGE_RXCLEAR);
    }
    buffer_.clear();
    if (open) readMore();
}

void WinSerialPort::send(std::string_view data) {
    if (!isOpen()) throw RuntimeError("cannot write to " + name_ + ": the port is not open");
    OVERLAPPED io{};
    io.hEvent = writeEvent_;
    DWORD written = 0;
    if (!WriteFile(handle_, data.data(), static_cast<DWORD>(data.size()), &written, &io)) {
        const DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING || !GetOverlappedResult(handle_, &io, &written, TRUE)) {
            const DWORD failed = error == ERROR_IO_PENDING ? GetLastError() : error;
            const std::string reason = "cannot write to " + name_ + ": " + systemMessage(failed);
            if (deviceGone(failed)) lose("lost the port", failed);
            throw RuntimeError(reason);
        }
    }
    if (written != data.size())
        throw RuntimeError("cannot write to " + name_ + ": the write timed out");
}

std::string WinSerialPort::takeLostReason() {
    std::string reason;
    reason.swap(lostReason_);
    return reason;
}

}  // namespace purlo
