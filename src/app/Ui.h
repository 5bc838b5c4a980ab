// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/Controls.h"

namespace purlo {

enum class Buttons { Ok, OkCancel };
enum class Answer { Ok, Cancel };

// How a yield may wait when no event is pending.
enum class Wait {
    No,          // the caller has more work at hand: run what is pending and return
    UntilEvent,  // the caller found nothing to do: block until an event arrives
                 // (serial data, a click, a timer), so an idle loop costs no CPU
};

// The window as the console core sees it. Texts are 8-bit strings, one byte
// per character (the files and the probe use an 8-bit character set).
// Only a List_Info index out of range throws; every other call works or
// tells its outcome by its result, so handlers need not guard them.
class Ui {
  public:
    virtual ~Ui() = default;

    // A button's caption, or a text box's text.
    virtual void setText(Control c, std::string_view text) = 0;
    virtual std::string text(Control c) const = 0;
    virtual void setBackColour(Control c, Colour colour) = 0;
    virtual void setTextColour(Control c, Colour colour) = 0;
    virtual void setVisible(Control c, bool visible) = 0;
    virtual bool visible(Control c) const = 0;

    virtual void setWindowCaption(std::string_view caption) = 0;
    virtual std::string windowCaption() const = 0;

    // List_Info.
    virtual void addListLine(std::string_view line) = 0;
    virtual void removeListLine(int index) = 0;
    virtual int listCount() const = 0;
    virtual int listIndex() const = 0;  // -1: nothing selected
    virtual void setListIndex(int index) = 0;

    // Modal dialogs. An empty title shows the application's name.
    virtual Answer messageBox(std::string_view text, std::string_view title, Buttons buttons) = 0;
    // The text entered, or nothing when cancelled.
    virtual std::optional<std::string> inputBox(std::string_view prompt, std::string_view title,
                                                std::string_view defaultText) = 0;

    // Lets pending events (clicks, redraws, serial data) run to completion,
    // then returns. Handlers may run nested inside it.
    virtual void yield(Wait wait) = 0;
    // Blocks until an event arrives or `seconds` have passed (a paced
    // playback waiting for its next byte), running what is pending, then
    // returns. A window without timers may simply wait for an event.
    virtual void yieldFor(double /*seconds*/) { yield(Wait::UntilEvent); }

    // Ends the program: the window goes away and loops unwind (they check the
    // console's ending flag after every yield).
    virtual void endProgram() = 0;

    // Prints an image of the whole window on the default printer; false when
    // there is no printer or printing fails.
    virtual bool printWindow() = 0;

    // The user's locale's decimal separator, for numbers shown to the operator.
    virtual char decimalSeparator() const = 0;
};

}  // namespace purlo
