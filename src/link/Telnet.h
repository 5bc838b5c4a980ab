// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "link/LineSettings.h"

namespace purlo::telnet {

// Telnet commands (RFC 854) and the options this client takes part in.
inline constexpr std::uint8_t kSe = 240;
inline constexpr std::uint8_t kSb = 250;
inline constexpr std::uint8_t kWill = 251;
inline constexpr std::uint8_t kWont = 252;
inline constexpr std::uint8_t kDo = 253;
inline constexpr std::uint8_t kDont = 254;
inline constexpr std::uint8_t kIac = 255;

inline constexpr std::uint8_t kBinary = 0;           // RFC 856
inline constexpr std::uint8_t kEcho = 1;             // RFC 857
inline constexpr std::uint8_t kSuppressGoAhead = 3;  // RFC 858
inline constexpr std::uint8_t kComPort = 44;         // RFC 2217

// COM-PORT-OPTION commands as the client sends them; the server answers
// with the same command plus 100.
enum class ComPortCommand : std::uint8_t {
    SetBaudRate = 1,
    SetDataSize = 2,
    SetParity = 3,
    SetStopSize = 4,
    SetControl = 5,
    NotifyLineState = 6,
    NotifyModemState = 7,
    FlowControlSuspend = 8,
    FlowControlResume = 9,
    SetLineStateMask = 10,
    SetModemStateMask = 11,
    PurgeData = 12,
};
inline constexpr std::uint8_t kServerOffset = 100;

// PURGE-DATA values.
enum class Purge : std::uint8_t { Receive = 1, Transmit = 2, Both = 3 };

// Doubles every 0xFF of `data`, as it has to travel inside a Telnet stream.
std::string escape(std::string_view data);

// How the server answered the client's offer of the COM-PORT-OPTION.
enum class Agreement { Pending, Agreed, Refused };

// Whether `bytes`, the first a server sent on a connection, are Telnet
// negotiation (IAC WILL/WONT/DO/DONT or IAC SB) and nothing else: a Telnet or
// RFC 2217 server's opening, which no probe sends.
bool opensWithNegotiation(std::string_view bytes);

// The client end of a Telnet connection to a serial device server that speaks
// the COM-PORT-OPTION (RFC 2217). Free of any toolkit and of the socket: bytes
// received go in and come out as the serial line's data, with the answers the
// protocol needs for the server; what to send is made here and written by the
// caller. Nothing here waits for the server: whether it agreed to the
// COM-PORT-OPTION (comPort) and the baud rate it acknowledged are read by
// the caller.
//
// Hostile input is harmless: commands and options it does not know are
// refused or passed over, a subnegotiation keeps at most kMaxSubnegotiation
// bytes (the rest up to its end is dropped), and state survives any split of
// the stream into reads (an IAC at the end of one read ends its command in the
// next).
class Client {
  public:
    static constexpr std::size_t kMaxSubnegotiation = 64;

    // The client's opening: binary both ways, WILL COM-PORT-OPTION, and
    // suppress-go-ahead both ways.
    std::string start();

    // Takes bytes received from the server. The serial line's bytes are
    // appended to `data` (0xFF 0xFF undoubled); what the protocol answers is
    // appended to `reply`, for the caller to send.
    void receive(std::string_view bytes, std::string& data, std::string& reply);

    // SET-BAUDRATE, SET-DATASIZE, SET-PARITY and SET-STOPSIZE for `line`.
    static std::string lineSettings(const LineSettings& line);
    static std::string setBaudRate(std::uint32_t baud);
    static std::string purgeData(Purge which);
    // A COM-PORT-OPTION subnegotiation with `value`, 0xFF doubled inside.
    static std::string comPort(ComPortCommand command, std::string_view value);

    // Whether each side has agreed to an option (RFC 1143's YES state).
    bool localEnabled(std::uint8_t option) const { return local_[option].enabled; }
    bool remoteEnabled(std::uint8_t option) const { return remote_[option].enabled; }
    // The server's answer to WILL COM-PORT-OPTION (start()).
    Agreement comPort() const { return comPort_; }
    // The baud rate the server acknowledged last (SET-BAUDRATE's answer: the
    // rate its line runs at); 0 until it has.
    std::uint32_t acknowledgedBaud() const { return acknowledgedBaud_; }

  private:
    enum class State { Data, Iac, Command, Subnegotiation, SubnegotiationIac };
    struct Side {
        bool enabled = false;
        bool asked = false;  // we asked for it and await the answer
    };

    void command(std::uint8_t verb, std::uint8_t option, std::string& reply);
    void subnegotiation();
    // One byte of a subnegotiation's value; past kMaxSubnegotiation it is
    // marked overflowed and ignored when it ends.
    void appendSubnegotiation(std::uint8_t b);

    State state_ = State::Data;
    std::uint8_t verb_ = 0;
    bool crSeen_ = false;  // the last data byte was a CR (text mode: a NUL after it is dropped)
    std::string sub_;
    bool subOverflow_ = false;
    std::array<Side, 256> local_{};   // what we do (WILL/WONT)
    std::array<Side, 256> remote_{};  // what the server does (DO/DONT)
    Agreement comPort_ = Agreement::Pending;
    std::uint32_t acknowledgedBaud_ = 0;
};

}  // namespace purlo::telnet
