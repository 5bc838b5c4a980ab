// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/Telnet.h"

namespace purlo::telnet {

namespace {

constexpr bool weDo(std::uint8_t option) {
    return option == kBinary || option == kSuppressGoAhead || option == kComPort;
}

// The server may echo nothing: an echo of our commands would reach the
// receive loop as if the probe had sent it.
constexpr bool serverMayDo(std::uint8_t option) {
    return option == kBinary || option == kSuppressGoAhead;
}

void put(std::string& out, std::uint8_t verb, std::uint8_t option) {
    out += static_cast<char>(kIac);
    out += static_cast<char>(verb);
    out += static_cast<char>(option);
}

std::uint8_t parityValue(Parity p) {
    switch (p) {
        case Parity::Odd: return 2;
        case Parity::Even: return 3;
        case Parity::Mark: return 4;
        case Parity::Space: return 5;
        case Parity::None: break;
    }
    return 1;
}

std::uint8_t stopSizeValue(int halfStopBits) {
    switch (halfStopBits) {
        case 3: return 3;  // one and a half
        case 4: return 2;
        default: return 1;
    }
}

std::string bigEndian(std::uint32_t value) {
    std::string out(4, '\0');
    for (int i = 3; i >= 0; --i) {
        out[static_cast<std::size_t>(i)] = static_cast<char>(value & 0xffU);
        value >>= 8U;
    }
    return out;
}

}  // namespace

std::string escape(std::string_view data) {
    std::string out;
    out.reserve(data.size());
    for (const char b : data) {
        out += b;
        if (static_cast<std::uint8_t>(b) == kIac) out += b;
    }
    return out;
}

bool opensWithNegotiation(std::string_view bytes) {
    const std::string end{static_cast<char>(kIac), static_cast<char>(kSe)};
    int commands = 0;
    std::size_t i = 0;
    bool cutShort = false;  // the bytes end inside a command
    while (i < bytes.size() && static_cast<std::uint8_t>(bytes[i]) == kIac) {
        if (i + 1 == bytes.size()) {
            cutShort = true;
            break;
        }
        const auto verb = static_cast<std::uint8_t>(bytes[i + 1]);
        if (verb >= kWill && verb <= kDont) {
            cutShort = i + 2 >= bytes.size();
            if (cutShort) break;
            i += 3;
        } else if (verb == kSb) {
            const auto close = bytes.find(end, i + 2);
            cutShort = close == std::string_view::npos;
            if (cutShort) break;
            i = close + 2;
        } else {
            break;
        }
        ++commands;
    }
    // Two in a row, or one that is all there is so far: a probe's data (an
    // echo record's 0xFF samples) never looks like that at a connection's start.
    return commands >= 2 || (commands == 1 && (i == bytes.size() || cutShort));
}

std::string Client::start() {
    std::string out;
    for (const std::uint8_t option : {kBinary, kComPort, kSuppressGoAhead}) {
        put(out, kWill, option);
        local_[option].asked = true;
    }
    for (const std::uint8_t option : {kBinary, kSuppressGoAhead}) {
        put(out, kDo, option);
        remote_[option].asked = true;
    }
    return out;
}

void Client::command(std::uint8_t verb, std::uint8_t option, std::string& reply) {
    // RFC 1143, reduced to what a client that never changes its mind needs:
    // agree to what it supports without repeating itself, refuse the rest.
    Side& us = local_[option];
    Side& them = remote_[option];
    switch (verb) {
        case kDo:
            if (option == kComPort) comPort_ = Agreement::Agreed;
            if (!weDo(option)) {
                put(reply, kWont, option);
            } else if (!us.enabled) {
                us.enabled = true;
                if (!us.asked) put(reply, kWill, option);
            }
            us.asked = false;
            break;
        case kDont:
            if (option == kComPort) comPort_ = Agreement::Refused;
            if (us.enabled) {
                us.enabled = false;
                put(reply, kWont, option);
            }
            us.asked = false;
            break;
        case kWill:
            if (!serverMayDo(option)) {
                put(reply, kDont, option);
            } else if (!them.enabled) {
                them.enabled = true;
                if (!them.asked) put(reply, kDo, option);
            }
            them.asked = false;
            break;
        case kWont:
            if (them.enabled) {
                them.enabled = false;
                put(reply, kDont, option);
            }
            them.asked = false;
            break;
        default: break;
    }
}

void Client::appendSubnegotiation(std::uint8_t b) {
    if (sub_.size() < kMaxSubnegotiation) {
        sub_ += static_cast<char>(b);
    } else {
        subOverflow_ = true;
    }
}

void Client::subnegotiation() {
    if (subOverflow_ || sub_.size() < 2 || static_cast<std::uint8_t>(sub_[0]) != kComPort) return;
    const auto code = static_cast<std::uint8_t>(sub_[1]);
    const std::string_view value = std::string_view(sub_).substr(2);
    if (code <= kServerOffset) return;  // a client's command, or nothing known
    // Of the acknowledgements only the baud rate's is read: the rate the
    // server's line runs at, which it may have rounded or refused.
    if (code - kServerOffset == static_cast<int>(ComPortCommand::SetBaudRate) &&
        value.size() == 4) {
        acknowledgedBaud_ = 0;
        for (const char b : value)
            acknowledgedBaud_ = (acknowledgedBaud_ << 8U) | static_cast<std::uint8_t>(b);
    }
}

void Client::receive(std::string_view bytes, std::string& data, std::string& reply) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<std::uint8_t>(bytes[i]);
        switch (state_) {
            case State::Data:
                if (b == kIac) {
                    state_ = State::Iac;
                } else if (b == 0 && crSeen_ && !remote_[kBinary].enabled) {
                    // Text mode sends a bare CR as CR NUL.
                    crSeen_ = false;
                } else {
                    data += static_cast<char>(b);
                    crSeen_ = b == '\r';
                }
                break;
            case State::Iac:
                state_ = State::Data;
                if (b == kIac) {
                    data += static_cast<char>(b);
                    crSeen_ = false;
                } else if (b >= kWill) {
                    verb_ = b;
                    state_ = State::Command;
                } else if (b == kSb) {
                    sub_.clear();
                    subOverflow_ = false;
                    state_ = State::Subnegotiation;
                }
                // Anything else (NOP, GA, a stray SE, an interrupt) carries no data.
                break;
            case State::Command:
                command(verb_, b, reply);
                state_ = State::Data;
                break;
            case State::Subnegotiation:
                if (b == kIac) {
                    state_ = State::SubnegotiationIac;
                } else {
                    appendSubnegotiation(b);
                }
                break;
            case State::SubnegotiationIac:
                if (b == kIac) {
                    state_ = State::Subnegotiation;
                    appendSubnegotiation(b);
                } else if (b == kSe) {
                    subnegotiation();
                    state_ = State::Data;
                } else {
                    // A command inside a subnegotiation: the server broke it
                    // off. Drop it and take the command as it comes.
                    state_ = State::Iac;
                    --i;
                }
                break;
        }
    }
}

std::string Client::comPort(ComPortCommand command, std::string_view value) {
    std::string out;
    out += static_cast<char>(kIac);
    out += static_cast<char>(kSb);
    out += static_cast<char>(kComPort);
    out += static_cast<char>(command);
    out += escape(value);
    out += static_cast<char>(kIac);
    out += static_cast<char>(kSe);
    return out;
}

std::string Client::setBaudRate(std::uint32_t baud) {
    return comPort(ComPortCommand::SetBaudRate, bigEndian(baud));
}

std::string Client::lineSettings(const LineSettings& line) {
    const auto one = [](std::uint8_t v) { return std::string(1, static_cast<char>(v)); };
    return setBaudRate(static_cast<std::uint32_t>(line.baud)) +
           comPort(ComPortCommand::SetDataSize, one(static_cast<std::uint8_t>(line.dataBits))) +
           comPort(ComPortCommand::SetParity, one(parityValue(line.parity))) +
           comPort(ComPortCommand::SetStopSize, one(stopSizeValue(line.halfStopBits)));
}

std::string Client::purgeData(Purge which) {
    return comPort(ComPortCommand::PurgeData, std::string(1, static_cast<char>(which)));
}

}  // namespace purlo::telnet
