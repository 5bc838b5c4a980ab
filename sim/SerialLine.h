// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace purlo::sim {

// The bytes a receiver gets when `bytes` are sent over an 8N1 line: the sender
// clocks them out at `probeBaud`, the receiver samples at `pcBaud`. Equal rates
// give the bytes unchanged. Different rates give what a real UART makes of the
// bit stream: it waits for a falling edge, samples each bit in its middle at its
// own rate, and delivers a byte whose stop bit reads low as 0 (a framing error,
// as Linux does without IGNPAR/PARMRK). The sender leaves random idle gaps of
// up to two bit times between bytes, drawn from `rngState`, which is advanced.
// The same call works the other way round for commands (sender = the PC).
std::string overLine(std::string_view bytes, int probeBaud, int pcBaud, std::uint32_t& rngState);

}  // namespace purlo::sim
