// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "commands/ParameterButtons.h"
#include "fakes/Harness.h"
#include "help/CommandHelp.h"
#include "help/HelpPages.h"
#include "protocol/Vocabulary.h"

namespace purlo::test {
namespace {

// The captions of the 23 pages in ring order.
const std::vector<std::string> kTitles{
    " [Z] Restart the Purlo Probe.",
    " [S] Default Setting.",
    " [W] Write all Parameters.",
    " [D] > [d] < Dead time.     [m] Return Dead Time.",
    " [B] > [b] < probe Baudrate.   [x] Return Baud rate.",
    " [c] Return Probe temperature sensor.",
    " [?] Return distance info.",
    " [1] , [2] or [3] Set the probe transmit mode.       [o]",
    " [h] return all available commands.",
    " [A]  Auto tune.    [a] return tune mode.",
    " [M]  Manual tune.    [a] return tune mode.",
    " [R] > [r] < Burst Periode.   [P] Return value.",
    " [I] > [i] Burst Interval.     [j] return interval.",
    " [g] Return Burst bounce value.",
    " [e] return echo bounce value of received signal.",
    " [F] > [f] < Transducer Frequency.  [q] return Frequency.",
    " [U] > [u] < Transducer voltage.  [s] return voltage.",
    " [n] return PWM output driver value.",
    " [T] > Temperature coeficient.   [k] Return the coeficient.",
    " [v] < [V] > US speed.   [w] Return speed.",
    " [4] < [5] > Sample rate.   [Y] Return Sample rate.",
    " [=] Return graphic line.",
    " [#] Start / Stop recording probe data's.",
};

// Every text that opens a page, with the page's 1-based number.
const std::vector<std::pair<std::string, int>> kSelectors{
    {"", 1},   {"Z", 1},  {"S", 2},  {"W", 3},  {"m", 4},  {"d", 4},  {"D", 4},  {"x", 5},
    {"b", 5},  {"B", 5},  {"c", 6},  {"?", 7},  {"1", 8},  {"2", 8},  {"3", 8},  {"h", 9},
    {"A", 10}, {"M", 11}, {"P", 12}, {"r", 12}, {"R", 12}, {"j", 13}, {"i", 13}, {"I", 13},
    {"g", 14}, {"e", 15}, {"q", 16}, {"f", 16}, {"F", 16}, {"s", 17}, {"u", 17}, {"U", 17},
    {"n", 18}, {"k", 19}, {"t", 19}, {"T", 19}, {"w", 20}, {"v", 20}, {"V", 20}, {"Y", 21},
    {"4", 21}, {"5", 21}, {"=", 22}, {"#", 23},
};

struct Help : Harness {
    void open(std::string_view box) {
        ui.setText(Control::Text_command_to_send, box);
        console.doubleClick(Control::Text_command_to_send);
    }
    std::vector<std::string> titlesShown() const {
        std::vector<std::string> titles;
        for (const auto& m : ui.messages) titles.push_back(m.title);
        return titles;
    }
};

TEST(CommandHelp, EverySelectingTextOpensItsPage) {
    for (const auto& [text, page] : kSelectors) {
        Help h;
        h.ui.answers = {Answer::Cancel};
        h.open(text);
        ASSERT_EQ(h.ui.messages.size(), 1u) << "box text '" << text << "'";
        EXPECT_EQ(h.ui.messages[0].title, kTitles[page - 1]) << "box text '" << text << "'";
        EXPECT_EQ(h.ui.messages[0].buttons, Buttons::OkCancel);
        EXPECT_EQ(h.ui.text(Control::Text_command_to_send), text) << "Cancel keeps the box";
    }
}

// The help and the buttons speak the probe's one vocabulary: a page is
// about letters the probe knows, and every letter a button sends has a page.
TEST(CommandHelp, PagesAndButtonsShareTheProbesVocabulary) {
    constexpr auto letters = protocol::allLetters();
    const auto known = [&](char c) {
        return c != protocol::kNone &&
               std::find(letters.begin(), letters.end(), c) != letters.end();
    };
    std::string paged;
    for (const HelpPage& page : helpPages()) {
        for (const std::string& selector : page.selectors) {
            if (selector.empty() || selector == "#") continue;  // the first page; the recorder
            ASSERT_EQ(selector.size(), 1u) << selector;
            EXPECT_TRUE(known(selector[0])) << "a page for \"" << selector << "\"";
            paged += selector;
        }
    }
    for (const ParameterButton& b : parameterButtons()) {
        EXPECT_TRUE(known(b.command)) << controlInfo(b.control).name;
        EXPECT_NE(paged.find(b.command), std::string::npos) << "no page for " << b.command;
    }
}

TEST(CommandHelp, OtherTextsOpenNothing) {
    for (const std::string text : {"a", "o", "p", "z", "Z ", " Z", "dd", "ZZ", "O", "H", "offset ",
                                   "OFFSET", " offset", "w ", "N"}) {
        Help h;
        h.open(text);
        EXPECT_TRUE(h.ui.messages.empty()) << "box text '" << text << "'";
        EXPECT_TRUE(h.ui.inputs.empty()) << "box text '" << text << "'";
        EXPECT_EQ(h.ui.text(Control::Text_command_to_send), text);
        EXPECT_EQ(h.ui.list.size(), 1u);
    }
}

TEST(CommandHelp, OkWalksOnWithoutLookingAtTheBoxAgain) {
    Help h;
    h.ui.answers = {Answer::Ok, Answer::Cancel};
    h.open("d");
    EXPECT_EQ(h.titlesShown(), (std::vector<std::string>{kTitles[3], kTitles[4]}));
    EXPECT_EQ(h.ui.text(Control::Text_command_to_send), "d");
}

TEST(CommandHelp, TheRingClosesAfterPage23WithZInTheBox) {
    Help h;
    h.ui.answers.assign(23, Answer::Ok);
    h.ui.answers.push_back(Answer::Ok);
    h.ui.answers.push_back(Answer::Cancel);
    h.open("");
    std::vector<std::string> expected = kTitles;
    expected.push_back(kTitles[0]);
    expected.push_back(kTitles[1]);
    EXPECT_EQ(h.titlesShown(), expected);
    EXPECT_EQ(h.ui.text(Control::Text_command_to_send), "Z");
}

TEST(CommandHelp, OkOnTheRecorderPageGoesToPageOne) {
    Help h;
    h.ui.answers = {Answer::Ok, Answer::Cancel};
    h.open("#");
    EXPECT_EQ(h.titlesShown(), (std::vector<std::string>{kTitles[22], kTitles[0]}));
    EXPECT_EQ(h.ui.text(Control::Text_command_to_send), "Z");
}

TEST(CommandHelp, TheRingStopsOnceTheProgramEnds) {
    // Dialogs of an ending program return at once; the ring must not spin.
    Help h;
    h.console.Com_exit_Click();
    h.open("");
    EXPECT_EQ(h.ui.messages.size(), 1u);
}

TEST(CommandHelp, CancelEndsAtOnce) {
    Help h;
    h.ui.answers = {Answer::Cancel, Answer::Ok};
    h.open("=");
    EXPECT_EQ(h.ui.messages.size(), 1u);
    EXPECT_EQ(h.ui.text(Control::Text_command_to_send), "=");
    EXPECT_EQ(h.ui.answers.size(), 1u);
}

TEST(CommandHelp, BodiesAreJoinedByLineBreaksWithoutATrailingOne) {
    const std::vector<std::pair<std::string, std::string>> pages{
        {"Z",
         "Z resets the probe microcontroller. The probe will start again with the last saved "
         "parameters (W)."},
        {"1",
         "Sending 1, 2 or 3 to the probe force data's send mode to; 1, send info non stop. 2, just "
         "before each new burst. 3, only on request. This with the actual probe baud rate setting. "
         "\r\n"
         "Sending command [o] to the probe return the actual transmit mode (without changing its "
         "value)."
         "\r\n"
         ""
         "\r\n"
         "The diagram display and the parameter refresh stop in mode 3. Request for a parameter "
         "value is done with its appropriate command sent to the probe. The probe can be forced to "
         "send a display line diagram by sending [=]."},
        {"t",
         "Sending T t In/decreases the temperature propagation coeficient of ultrasonic sound "
         "waves in air."
         "\r\n"
         "This parameter is used by the micro-computer probe, to calculate a more accurate "
         "time/distance echo."
         "\r\n"
         "The default value is 0.60m/s/C. This is approximately the general admitted increasing of "
         "ultrasound propagation speed in air per degree Celcius."
         "\r\n"
         "Known as a Constant, there should be no need to change this value. But as all the other "
         "parameter it is possible to change and save it."
         "\r\n"
         "The parameter changes are made with [T] or [t]:"
         "\r\n"
         "0.59  0,58  0,60  0,61  0,62 ...... "},
        {"#",
         "When command # is typed in the command text box and command button [C.S] is selected, "
         "the program starts recording all data's coming from the probe. Data are written to the "
         "Purlo.Spl file."
         "\r\n"
         "This file is created in the Purlo program directory, if allready there, it will be "
         "overwritten, so save it first somewhere else."
         "\r\n"
         "To stop the recorder function, enter # in the text box again and push [S.C] again. To "
         "view the recorded file, push command button # and then button start."},
    };
    for (const auto& [box, body] : pages) {
        Help h;
        h.ui.answers = {Answer::Cancel};
        h.open(box);
        ASSERT_EQ(h.ui.messages.size(), 1u);
        EXPECT_EQ(h.ui.messages[0].text, body) << "page of '" << box << "'";
    }
}

// The offset dialog.

const std::string kOffsetPrompt =
    "Enter level Offset in mm. Like; -1500 or 1200.\r\n"
    "This set level point ZERO to any place.\r\n"
    "Enter 0 in test phase for better understanding.\r\n"
    "This setting will also be saved in the Purlo.Set file.";

TEST(OffsetDialog, AsksWithTheCurrentOffsetAsDefault) {
    for (const std::string box : {"offset", "Offset"}) {
        Help h;
        h.s.zero_offset_mm = -1500;
        h.open(box);
        ASSERT_EQ(h.ui.inputs.size(), 1u);
        EXPECT_EQ(h.ui.inputs[0].title, "-7000 Minimum, 7000 Maximum.");
        EXPECT_EQ(h.ui.inputs[0].prompt, kOffsetPrompt);
        EXPECT_EQ(h.ui.inputs[0].defaultText, "-1500");
        EXPECT_TRUE(h.ui.messages.empty());
        EXPECT_EQ(h.s.zero_offset_mm, -1500) << "cancelled";
        EXPECT_EQ(h.ui.text(Control::Text_command_to_send), box);
    }
}

TEST(OffsetDialog, AnswersInsideTheRangeAreStored) {
    const std::vector<std::pair<std::string, int>> cases{
        {"-1500", -1500}, {"1200", 1200},   {"12.5", 12},
        {"13.5", 14},     {"abc", 0},       {"0", 0},
        {"7000", 7000},   {"-7000", -7000}, {" - 1 5 0 0", -1500},
        {"250mm", 250},   {"7000.5", 7000}, {"-7000.5", -7000},
        {"1e3", 1000},
    };
    for (const auto& [answer, stored] : cases) {
        Help h;
        h.s.zero_offset_mm = 321;
        h.ui.inputAnswers = {answer};
        h.open("offset");
        EXPECT_EQ(h.s.zero_offset_mm, stored) << "answer '" << answer << "'";
        EXPECT_EQ(h.ui.list.size(), 1u) << "answer '" << answer << "'";
    }
}

TEST(OffsetDialog, AnEmptyAnswerChangesNothing) {
    Help h;
    h.s.zero_offset_mm = 321;
    h.ui.inputAnswers = {std::string()};
    h.open("Offset");
    EXPECT_EQ(h.s.zero_offset_mm, 321);
    EXPECT_EQ(h.ui.list.size(), 1u);
}

TEST(OffsetDialog, AnswersOutsideTheRangeAreRefusedWithAReason) {
    for (const std::string answer : {"7001", "-7001", "7001.5", "32767", "-32768"}) {
        Help h;
        h.s.zero_offset_mm = 321;
        h.ui.inputAnswers = {answer};
        h.open("offset");
        EXPECT_EQ(h.s.zero_offset_mm, 321) << "answer '" << answer << "'";
        ASSERT_EQ(h.ui.list.size(), 2u);
        EXPECT_TRUE(h.ui.lastListLine().starts_with("* ")) << h.ui.lastListLine();
        EXPECT_NE(h.ui.lastListLine().find("-7000 to 7000"), std::string::npos);
        EXPECT_NE(h.ui.lastListLine().find("321"), std::string::npos) << "names the kept offset";
        EXPECT_EQ(h.ui.listIndex(), 1);
    }
}

TEST(OffsetDialog, AnswersBeyondSixteenBitsAreRefusedLikeAnyOther) {
    // One slip, one message: the width of the variable makes no difference.
    const std::vector<std::pair<std::string, std::string>> cases{
        {"40000", "40000"},       {"-32769", "-32769"}, {"32767.5", "32768"},
        {"99999999", "99999999"}, {"1e300", "1e300"},   {"1e999", "1e999"},
    };
    for (const auto& [answer, shown] : cases) {
        Help h;
        h.s.zero_offset_mm = 321;
        h.ui.inputAnswers = {answer};
        h.open("offset");
        EXPECT_EQ(h.s.zero_offset_mm, 321) << "answer '" << answer << "'";
        EXPECT_EQ(h.ui.list, (std::vector<std::string>{
                                 "Info's: DbClick here for Purlo commande list and start info's.",
                                 "* Offset not changed: " + shown +
                                     " mm is outside -7000 to 7000 mm. Offset stays 321 mm."}))
            << "answer '" << answer << "'";
        EXPECT_EQ(h.ui.listIndex(), 1);
    }
}

}  // namespace
}  // namespace purlo::test
