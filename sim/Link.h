// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace purlo::sim {

// The PC's end of the probe's line, as the simulator serves it: a
// pseudo-terminal (PtyLink) or a raw TCP device server (TcpLink).
class Link {
  public:
    // A file descriptor; a socket handle on Windows. Negative: none.
    using Descriptor = std::intptr_t;

    virtual ~Link() = default;

    // What the PC is known by, for the log ("/dev/pts/3", "TCP port 7001").
    virtual std::string name() const = 0;
    // The descriptor the PC's bytes arrive on; negative while no PC is there.
    virtual Descriptor dataFd() const = 0;
    // A descriptor new PCs arrive on (a listening socket); negative for none.
    virtual Descriptor acceptFd() const { return -1; }
    // A PC is waiting at acceptFd(): takes it, or turns it away.
    virtual void acceptPending() {}
    // Whether poll's report on dataFd() means the link itself has failed.
    virtual bool failed(short revents) const = 0;

    // What the PC sent, up to `size` bytes into `buffer`; 0 when nothing
    // came (or the PC just left).
    virtual std::size_t read(char* buffer, std::size_t size) = 0;
    // Sends to the PC: how many bytes went out (all of them while no PC is
    // there: a line nobody listens on takes everything).
    virtual std::size_t write(std::string_view bytes) = 0;

    // The receive rate the PC side has set, in bit/s (0: not one we know).
    // A device server's line runs at the probe's own rate.
    virtual int pcBaud(int probeBaud) const = 0;
    // Bytes written to the PC that no one has read yet, and dropping them.
    virtual int unreadByPc() const = 0;
    virtual void discardUnread() const = 0;

    // Where the link writes what happens to it (a PC came, left); the
    // simulator's traffic log.
    void onNote(std::function<void(const std::string&)> note) { note_ = std::move(note); }

  protected:
    void note(const std::string& text) const {
        if (note_) note_(text);
    }

  private:
    std::function<void(const std::string&)> note_;
};

}  // namespace purlo::sim
