// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <exception>
#include <string_view>
#include <utility>

#include "app/Console.h"
#include "app/Ui.h"

namespace purlo {

// A handler's one fixed reaction to a failure in its steps. The usual ones
// are made here; a reaction of more than one thing is any callable taking
// the Console.
struct Reaction {
    // Nothing at all: the click simply ends.
    static auto silent() {
        return [](Console&) {};
    }
    // A line in List_Info, selected.
    static auto listLine(std::string_view line) {
        return [line](Console& c) { c.addInfo(line); };
    }
    // A message box with OK under the program's name.
    static auto messageBox(std::string_view text) {
        return [text](Console& c) { c.ui.messageBox(text, "", Buttons::Ok); };
    }
    static auto windowCaption(std::string_view caption) {
        return [caption](Console& c) { c.ui.setWindowCaption(caption); };
    }
};

// Runs a handler's steps. The first step that fails skips the rest, and
// `onFailure` runs once. Nothing escapes: a reaction that fails itself (a
// window that cannot take the report) leaves the failure unreported.
//
//     runHandler(c, Reaction::listLine("* Error ..."), [&] { ...steps... });
template <class React, class Steps>
void runHandler(Console& c, React&& onFailure, Steps&& steps) {
    try {
        std::forward<Steps>(steps)();
    } catch (const std::exception&) {
        try {
            onFailure(c);
        } catch (const std::exception&) {
            // Nowhere left to report to.
        }
    }
}

}  // namespace purlo
