// SPDX-License-Identifier: GPL-3.0-or-later
// Any line a probe (or a wrong baud rate) can send must decode or fail cleanly.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "acquisition/ReplyDecoder.h"
#include "text/RuntimeError.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace purlo;
    if (size == 0) return 0;
    ConsoleState s;
    // The first byte picks the display unit and the zero offset; the rest is the line.
    s.inch_units = (data[0] & 1) != 0;
    s.zero_offset_mm = static_cast<std::int16_t>((data[0] - 128) * 250);
    const std::string_view line(reinterpret_cast<const char*>(data + 1), size - 1);
    try {
        decodeReply(line, s, (data[0] & 2) != 0 ? ',' : '.');
    } catch (const RuntimeError&) {
        // A value that does not fit its variable: the receive loop reports it.
    }
    return 0;
}
