// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/CommandHelp.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/Console.h"
#include "app/HandlerFailure.h"
#include "help/HelpPages.h"
#include "text/Numbers.h"

namespace purlo {

namespace {

constexpr std::int16_t kOffsetMin = -7000;
constexpr std::int16_t kOffsetMax = 7000;

std::optional<std::size_t> pageFor(const std::string& boxText) {
    const auto& pages = helpPages();
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (std::ranges::find(pages[i].selectors, boxText) != pages[i].selectors.end()) return i;
    }
    return std::nullopt;
}

std::string pageText(const HelpPage& page, const std::string& lineBreak) {
    std::string text;
    for (std::size_t i = 0; i < page.body.size(); ++i) {
        if (i > 0) text += lineBreak;
        text += page.body[i];
    }
    return text;
}

void askOffset(Console& c) {
    const std::string& br = c.s.cr_lf;
    const std::string prompt = "Enter level Offset in mm. Like; -1500 or 1200." + br +
                               "This set level point ZERO to any place." + br +
                               "Enter 0 in test phase for better understanding." + br +
                               "This setting will also be saved in the Purlo.Set file.";
    const std::optional<std::string> answer =
        c.ui.inputBox(prompt, "-7000 Minimum, 7000 Maximum.", intText(c.s.zero_offset_mm));
    if (!answer || answer->empty()) return;
    // Rounded as every conversion rounds, halves to even. Whatever lies
    // outside the range, 16 bits or not, is refused the same way: the
    // dialog's own title names the range, so such a value is most likely a
    // typing slip, and it is refused rather than clamped.
    const double offset = std::nearbyint(parseNumber(*answer));
    if (!(offset >= kOffsetMin && offset <= kOffsetMax)) {
        // Past what a whole number shows sensibly, the answer as typed.
        const std::string shown =
            std::fabs(offset) < 1e15 ? intText(static_cast<long long>(offset)) : *answer;
        c.addInfo("* Offset not changed: " + shown +
                  " mm is outside -7000 to 7000 mm. Offset stays " + intText(c.s.zero_offset_mm) +
                  " mm.");
        return;
    }
    c.s.zero_offset_mm = toWidth<std::int16_t>(offset);
}

}  // namespace

void Text_command_to_send_DblClick(Console& c) {
    runHandler(c, Reaction::listLine("* Unexpected Error while listing commands!"), [&] {
        const auto& pages = helpPages();
        for (;;) {
            const std::string box = c.ui.text(Control::Text_command_to_send);
            const std::optional<std::size_t> first = pageFor(box);
            if (!first) {
                if (box == "offset" || box == "Offset") askOffset(c);
                return;
            }
            for (std::size_t i = *first; i < pages.size(); ++i) {
                const Answer answer = c.ui.messageBox(pageText(pages[i], c.s.cr_lf), pages[i].title,
                                                      Buttons::OkCancel);
                // A program that is ending shows no dialog and answers at once.
                if (answer != Answer::Ok || c.ending()) return;
            }
            // Past the last page the ring closes at the restart page, which
            // the box now names.
            c.ui.setText(Control::Text_command_to_send, "Z");
        }
    });
}

}  // namespace purlo
