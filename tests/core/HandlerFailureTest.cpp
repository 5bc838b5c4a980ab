// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "app/HandlerFailure.h"
#include "fakes/Harness.h"
#include "text/RuntimeError.h"

namespace purlo::test {
namespace {

TEST(HandlerFailure, AFailedStepSkipsTheRestAndReactsOnce) {
    Harness h;
    int reactions = 0;
    std::string steps;
    const auto react = [&](Console&) { ++reactions; };
    const auto failingStep = [] { throw RuntimeError("port gone"); };
    runHandler(h.console, react, [&] {
        steps += "a";
        failingStep();
        steps += "b";
    });
    EXPECT_EQ(steps, "a");
    EXPECT_EQ(reactions, 1);
    runHandler(h.console, react, [&] { steps += "c"; });
    EXPECT_EQ(steps, "ac");
    EXPECT_EQ(reactions, 1);
}

TEST(HandlerFailure, NothingEscapesEvenAFailingReaction) {
    Harness h;
    const auto failingReport = [](Console&) { throw RuntimeError("window gone"); };
    EXPECT_NO_THROW(runHandler(h.console, failingReport, [] { throw std::out_of_range("width"); }));
}

TEST(HandlerFailure, EachMadeReactionDoesItsOneThing) {
    Harness h;
    const auto fail = [] { throw RuntimeError("port gone"); };
    const std::size_t lines = h.ui.list.size();
    const std::string caption = h.ui.windowCaption();

    runHandler(h.console, Reaction::silent(), fail);
    EXPECT_EQ(h.ui.list.size(), lines);
    EXPECT_TRUE(h.ui.messages.empty());
    EXPECT_EQ(h.ui.windowCaption(), caption);

    runHandler(h.console, Reaction::listLine("* line"), fail);
    ASSERT_EQ(h.ui.list.size(), lines + 1);
    EXPECT_EQ(h.ui.lastListLine(), "* line");
    EXPECT_EQ(h.ui.listIndex(), static_cast<int>(lines));  // selected

    runHandler(h.console, Reaction::messageBox("box text"), fail);
    ASSERT_EQ(h.ui.messages.size(), 1u);
    EXPECT_EQ(h.ui.messages[0].text, "box text");
    EXPECT_EQ(h.ui.messages[0].title, "");
    EXPECT_EQ(h.ui.messages[0].buttons, Buttons::Ok);

    runHandler(h.console, Reaction::windowCaption("caption text"), fail);
    EXPECT_EQ(h.ui.windowCaption(), "caption text");
    EXPECT_EQ(h.ui.list.size(), lines + 1);
    EXPECT_EQ(h.ui.messages.size(), 1u);
}

}  // namespace
}  // namespace purlo::test
