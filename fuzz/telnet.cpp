// SPDX-License-Identifier: GPL-3.0-or-later
// Whatever a server (or something that only pretends to be one) sends, the
// Telnet layer must take it in any split without a crash, with data and
// answers no larger than what came in, and tell a Telnet opening from data
// without reading past it; and any data escaped for the wire must come out of
// it unchanged.
#include "link/Telnet.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace purlo::telnet;
    if (size == 0) return 0;
    // The first byte sets the length of the reads; the rest is the stream.
    const std::size_t chunk = 1 + data[0] % 16;
    const std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);

    Client hostile;
    if ((data[0] & 0x80) != 0) hostile.start();
    std::string got;
    std::string reply;
    for (std::size_t at = 0; at < stream.size(); at += chunk) {
        hostile.receive(stream.substr(at, chunk), got, reply);
    }
    // Every answer is three bytes for a command of at least three.
    if (got.size() > stream.size() || reply.size() > stream.size()) std::abort();
    // A connection's opening taken for Telnet negotiation begins with IAC.
    if (opensWithNegotiation(stream) && static_cast<std::uint8_t>(stream.front()) != kIac)
        std::abort();

    Client binary;
    binary.start();
    const std::string opened{static_cast<char>(kIac), static_cast<char>(kWill),
                             static_cast<char>(kBinary)};
    binary.receive(opened, got, reply);
    got.clear();
    const std::string wire = escape(stream);
    for (std::size_t at = 0; at < wire.size(); at += chunk) {
        binary.receive(std::string_view(wire).substr(at, chunk), got, reply);
    }
    if (got != stream) std::abort();
    return 0;
}
