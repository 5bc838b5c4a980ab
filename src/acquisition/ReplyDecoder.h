// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/ConsoleState.h"
#include "app/Controls.h"
#include "observe/FrequencyTable.h"
#include "observe/Observer.h"

namespace purlo {

// What the window shows for one decoded reply line: at most one change.
struct ReplyDisplay {
    enum class Target { WindowCaption, ControlText, InfoLine };
    Target target;
    Control control = Control::List_Info;  // for ControlText
    std::string text;
    friend bool operator==(const ReplyDisplay&, const ReplyDisplay&) = default;
};

// Decodes one reply line of the probe: sets reply_code, stores the value in
// its state variable (converted to the display unit, rounded as shown) and
// returns what the window must show. No I/O. Throws RuntimeError when a value
// does not fit its variable; values stored by earlier lines stay.
std::optional<ReplyDisplay> decodeReply(std::string_view line, ConsoleState& s,
                                        char decimalSeparator);

// The value a decoded reply of `code` stored, as it now stands in the state,
// with its unit: what the console reports to its observer. Nothing for codes
// that store no number.
std::optional<DecodedReply> decodedValue(char code, const ConsoleState& s);

}  // namespace purlo
