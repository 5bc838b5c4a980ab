// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>

#include "sim/Link.h"

namespace purlo::sim {

// The probe's end of a pseudo-terminal. The PC side (the console, a terminal
// program, a test) opens the slave device, directly or through a symlink.
//
// We keep a slave descriptor open ourselves, for two reasons: the master then
// never sees a hang-up (EIO) while nobody else has the port open, so the
// console can close and reopen it at will; and through it we read the line
// settings the PC side has chosen, as the probe's UART would "see" them.
class PtyLink final : public Link {
  public:
    // Opens the pair and puts the line into raw 8N1 at `initialBaud`, so that
    // nothing is echoed back to us before a PC program configures the port.
    // Throws std::runtime_error on failure.
    explicit PtyLink(int initialBaud);
    ~PtyLink() override;
    PtyLink(const PtyLink&) = delete;
    PtyLink& operator=(const PtyLink&) = delete;

    // Makes `link` a symlink to the slave device. An old symlink there (left by
    // a simulator that was killed) is replaced; any other file is refused.
    // Throws std::runtime_error. The link is removed again by the destructor.
    void linkAt(const std::filesystem::path& link);

    int masterFd() const { return master_; }
    const std::string& slaveName() const { return slaveName_; }
    const std::filesystem::path& link() const { return link_; }

    // The receive rate the PC side has set on the line, in bit/s; 0 when it
    // is not one we know.
    int pcBaud() const;
    // Bytes written to the PC that no one has read yet.
    int unreadByPc() const override;
    // Throws away what the PC side has not read.
    void discardUnread() const override;

    std::string name() const override { return slaveName_; }
    Descriptor dataFd() const override { return master_; }
    bool failed(short revents) const override;
    std::size_t read(char* buffer, std::size_t size) override;
    std::size_t write(std::string_view bytes) override;
    int pcBaud(int) const override { return pcBaud(); }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string slaveName_;
    std::filesystem::path link_;
};

// bit/s for a termios speed constant, 0 when unknown.
int baudFromSpeed(unsigned speed);

}  // namespace purlo::sim
