// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/PtyLink.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace purlo::sim {

namespace {

struct SpeedEntry {
    speed_t speed;
    int baud;
};

constexpr std::array<SpeedEntry, 19> kSpeeds = {{
    {B50, 50},       {B75, 75},         {B110, 110},       {B134, 134},       {B150, 150},
    {B200, 200},     {B300, 300},       {B600, 600},       {B1200, 1200},     {B1800, 1800},
    {B2400, 2400},   {B4800, 4800},     {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
    {B57600, 57600}, {B115200, 115200}, {B230400, 230400}, {B460800, 460800},
}};

speed_t speedFromBaud(int baud) {
    for (const SpeedEntry& e : kSpeeds) {
        if (e.baud == baud) return e.speed;
    }
    return B9600;
}

std::runtime_error systemError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

}  // namespace

int baudFromSpeed(unsigned speed) {
    for (const SpeedEntry& e : kSpeeds) {
        if (e.speed == speed) return e.baud;
    }
    return 0;
}

PtyLink::PtyLink(int initialBaud) {
    std::array<char, 128> name{};
    if (openpty(&master_, &slave_, name.data(), nullptr, nullptr) != 0) {
        throw systemError("cannot create a pseudo-terminal");
    }
    slaveName_ = name.data();
    termios t{};
    if (tcgetattr(slave_, &t) == 0) {
        cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        cfsetispeed(&t, speedFromBaud(initialBaud));
        cfsetospeed(&t, speedFromBaud(initialBaud));
        tcsetattr(slave_, TCSANOW, &t);
    }
    const int flags = fcntl(master_, F_GETFL);
    if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) {
        const auto error = systemError("cannot make the pseudo-terminal non-blocking");
        close(master_);
        close(slave_);
        throw error;
    }
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slave_, F_SETFD, FD_CLOEXEC);
}

PtyLink::~PtyLink() {
    if (!link_.empty()) {
        // Only remove the link if it is still ours: another simulator may have
        // taken the name over meanwhile.
        std::error_code ec;
        if (std::filesystem::is_symlink(link_, ec) &&
            std::filesystem::read_symlink(link_, ec) == slaveName_) {
            std::filesystem::remove(link_, ec);
        }
    }
    close(slave_);
    close(master_);
}

void PtyLink::linkAt(const std::filesystem::path& link) {
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(link, ec);
    if (std::filesystem::exists(status)) {
        if (!std::filesystem::is_symlink(status)) {
            throw std::runtime_error(link.string() +
                                     " exists and is not a symlink; not replacing it");
        }
        std::filesystem::remove(link, ec);
    }
    std::filesystem::create_symlink(slaveName_, link, ec);
    if (ec) throw std::runtime_error("cannot create " + link.string() + ": " + ec.message());
    link_ = link;
}

bool PtyLink::failed(short revents) const {
    return (revents & (POLLERR | POLLNVAL)) != 0;
}

std::size_t PtyLink::read(char* buffer, std::size_t size) {
    // Nothing (EAGAIN), or nobody on the other side for a moment: nothing read.
    const ssize_t n = ::read(master_, buffer, size);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

std::size_t PtyLink::write(std::string_view bytes) {
    const ssize_t n = ::write(master_, bytes.data(), bytes.size());
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

int PtyLink::pcBaud() const {
    termios t{};
    if (tcgetattr(slave_, &t) != 0) return 0;
    return baudFromSpeed(cfgetispeed(&t) == B0 ? cfgetospeed(&t) : cfgetispeed(&t));
}

int PtyLink::unreadByPc() const {
    int n = 0;
    if (ioctl(slave_, TIOCINQ, &n) != 0) return 0;
    return n;
}

void PtyLink::discardUnread() const {
    tcflush(slave_, TCIFLUSH);
}

}  // namespace purlo::sim
