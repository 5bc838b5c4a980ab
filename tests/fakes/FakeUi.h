// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/Console.h"
#include "app/Ui.h"
#include "fakes/FakeClock.h"
#include "support/NullUi.h"

namespace purlo::test {

// A window without a toolkit: remembers captions, texts, colours and list
// lines, answers dialogs from a script and runs scripted actions at chosen
// yields (a click arriving inside a loop).
class FakeUi : public testsupport::ControlTexts {
  public:
    struct Message {
        std::string text;
        std::string title;
        Buttons buttons;
    };
    struct Input {
        std::string prompt;
        std::string title;
        std::string defaultText;
    };

    FakeUi() {
        for (const ControlInfo& info : controlTable()) {
            const auto i = static_cast<std::size_t>(info.id);
            backs[i] = info.back;
            fores[i] = info.fore;
        }
    }

    void setBackColour(Control c, Colour colour) override { backs[idx(c)] = colour; }
    void setTextColour(Control c, Colour colour) override { fores[idx(c)] = colour; }

    void setWindowCaption(std::string_view caption) override {
        windowCaption_ = std::string(caption);
    }
    std::string windowCaption() const override { return windowCaption_; }

    void addListLine(std::string_view line) override { list.emplace_back(line); }
    void removeListLine(int index) override { list.erase(list.begin() + index); }
    int listCount() const override { return static_cast<int>(list.size()); }
    int listIndex() const override { return listIndex_; }
    void setListIndex(int index) override { listIndex_ = index; }

    Answer messageBox(std::string_view t, std::string_view title, Buttons buttons) override {
        messages.push_back({std::string(t), std::string(title), buttons});
        if (onMessage) onMessage();  // what happens while the box is open
        if (answers.empty()) return Answer::Ok;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }

    std::optional<std::string> inputBox(std::string_view prompt, std::string_view title,
                                        std::string_view defaultText) override {
        inputs.push_back({std::string(prompt), std::string(title), std::string(defaultText)});
        if (inputAnswers.empty()) return std::nullopt;
        auto a = inputAnswers.front();
        inputAnswers.pop_front();
        return a;
    }

    void yield(Wait wait) override {
        ++yields;
        if (wait == Wait::UntilEvent) ++idleYields;
        if (auto it = atYield.find(yields); it != atYield.end()) {
            auto action = it->second;
            action();
        }
        if (everyYield) everyYield(yields);
        if (yields == maxYields) {
            ADD_FAILURE() << "the loop did not end within " << maxYields << " yields";
            if (console != nullptr) console->Com_exit_Click();
        }
    }

    // A wait until the next byte of a paced playback is due: the fake clock
    // (when there is one) moves on by the time asked, and events run as in a
    // blocking yield.
    void yieldFor(double seconds) override {
        ++timedYields;
        if (clock != nullptr) clock->now += seconds;
        yield(Wait::UntilEvent);
    }

    void endProgram() override { ended = true; }
    bool printWindow() override {
        ++prints;
        return printerWorks;
    }
    char decimalSeparator() const override { return separator; }

    const std::string& lastListLine() const { return list.back(); }

    std::array<std::optional<Colour>, kControlCount> backs;
    std::array<std::optional<Colour>, kControlCount> fores;
    std::vector<std::string> list;
    std::vector<Message> messages;
    std::deque<Answer> answers;
    std::vector<Input> inputs;
    std::deque<std::optional<std::string>> inputAnswers;
    std::map<int, std::function<void()>> atYield;
    std::function<void(int)> everyYield;
    std::function<void()> onMessage;
    int yields = 0;
    int idleYields = 0;
    int timedYields = 0;
    FakeClock* clock = nullptr;  // moved on by timed yields
    int maxYields = 200000;
    Console* console = nullptr;  // exited when maxYields is reached
    bool ended = false;
    bool printerWorks = true;
    int prints = 0;
    char separator = '.';

    std::optional<Colour> back(Control c) const { return backs[idx(c)]; }
    std::optional<Colour> fore(Control c) const { return fores[idx(c)]; }

  private:
    std::string windowCaption_{kStartCaption};
    int listIndex_ = -1;
};

}  // namespace purlo::test
