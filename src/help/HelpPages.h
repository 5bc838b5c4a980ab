// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace purlo {

// One page of the command help: shown when the command box holds exactly one
// of its selecting texts (case and blanks count), as a message box with the
// title as caption and the body lines joined by CR LF.
struct HelpPage {
    std::vector<std::string> selectors;
    std::string title;
    std::vector<std::string> body;
};

// The 23 pages, in the order OK walks through them.
const std::vector<HelpPage>& helpPages();

}  // namespace purlo
