// SPDX-License-Identifier: GPL-3.0-or-later
// Any Purlo-reference.echo a crash, an editor or another program left behind
// must load or be refused with a reason, never crash; one that loads must
// save to a file that loads to the same samples.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "monitor/ReferenceEcho.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace purlo;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ReferenceRead read = parseReferenceEcho(text);
    if (!read.ok()) {
        if (!read.bytes.empty()) __builtin_trap();
        return 0;
    }
    if (read.bytes.empty() || read.bytes.size() > kReferenceMaxBytes) __builtin_trap();
    const ReferenceRead again = parseReferenceEcho(referenceEchoText(read.bytes));
    if (!again.ok() || again.bytes != read.bytes) __builtin_trap();
    return 0;
}
