// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "tuning/Plan.h"

namespace purlo::tuning {

// The pacing of moves: one command per reply line, each step command waiting
// for the probe's report of its knob before the next. It takes nothing about
// the probe for granted that the reports can tell: which way each of a knob's
// two commands moves it is learned from the first report after it (a command
// found to move the other way is remembered, and its partner used), and a
// command that leaves the knob where it was, a few times over, or that the
// console's button holds back, has met a limit there.
class Stepper {
  public:
    // What the stepper reads and does.
    class Probe {
      public:
        virtual ~Probe() = default;
        // The knobs as last reported (nothing until all four are).
        virtual std::optional<Setting> reportedSetting() const = 0;
        // How many reports of the knob have come so far.
        virtual std::uint64_t reports(Knob k) const = 0;
        // Sends one command as its button does; false when nothing went out.
        virtual bool send(char command) = 0;
    };

    enum class Move : std::uint8_t {
        Waiting,  // a command is out, or no reply line has come since the last one
        Settled,  // nothing more to send: every knob at its target or as near as it gets
        Late,     // the report of a command did not come in time (lateKnob())
    };

    explicit Stepper(Probe& probe) : probe_(probe) {}

    // A reply line or an echo record came: the next command may go out.
    void line() { ++linesSinceSend_; }
    // Whether a reply sent for now would reach the console: not while it
    // waits for an echo record (it clears what came before the record), nor
    // late in a request cycle at a pace that leaves replies behind.
    void setReplyWindow(bool open) { windowOpen_ = open; }
    bool mayPace() const { return windowOpen_ && linesSinceSend_ > 0; }
    // Sends a command outside a move (a query), paced as the moves are.
    bool sendPaced(char command);

    // One command toward `target` when one is due. `deadline` is how long a
    // report may take. The tuning mode goes first to manual, last to auto.
    Move toward(const Setting& target, double now, double deadline);
    std::optional<Knob> lateKnob() const { return late_; }
    // Knobs a command was sent for whose report has not come (yet, or in
    // time): the probe may hold another value than its last report says.
    std::vector<Knob> unconfirmed() const;
    void markUnconfirmed(Knob k);
    // The reports have shown the knob since: its last report holds.
    void confirm(Knob k) { std::erase(unsure_, k); }
    void confirmAll() { unsure_.clear(); }

    // A new target: the move under way and its overshoot are forgotten
    // (what the reports taught stays).
    void retarget();
    // Every knob must be reported twice more before the next move (the
    // technician stepped the probe; a query sent before may still bring the old value).
    void awaitFresh(double now);
    // The knob whose fresh report the next move waits for, if any.
    std::optional<Knob> freshWanted() const;
    // A new probe, or a new link to it: nothing learned holds any more.
    void forget();
    // A run begins or ends: no move is under way any more, and the limits
    // are found anew (which way each command goes stays learned, and what
    // is unsure stays so until fresh reports show it).
    void newRun();

    // Whether the knob cannot go from where it stands toward `to`: no command
    // is left that moves it that way.
    bool blocked(Knob k, double from, double to) const;
    // Knobs whose command was found to move them the other way than its button says.
    std::vector<Knob> reversed() const;

    // Tries of a command that leave the knob where it was before it counts as a limit.
    static constexpr int kTries = 4;

  private:
    // The two commands of a step knob: [0] the one its button means to
    // raise the value, [1] the one meant to lower it.
    static std::array<char, 2> commandsOf(Knob k);
    std::optional<int> pick(Knob k, double from, int want) const;
    bool isBlocked(Knob k, int j, double at) const;
    void settle(double now);

    struct Limit {
        Knob knob;
        int command;
        double at;
    };

    Probe& probe_;
    std::uint64_t linesSinceSend_ = 1;
    bool windowOpen_ = true;
    // Per knob and command: which way it moves the value (0 not known yet).
    std::array<std::array<int, 2>, kKnobCount> effect_{};
    std::array<std::array<int, 2>, kKnobCount> stillTries_{};
    std::vector<Limit> limits_;
    // The move under way.
    struct Awaiting {
        Knob knob;
        int command;  // 0 or 1 as above; for the tuning mode 0 "A", 1 "M"
        double from;
        std::uint64_t countAt;
        double sentAt;
    };
    std::optional<Awaiting> awaiting_;
    std::array<int, kKnobCount> lastDirection_{};
    std::optional<std::array<std::uint64_t, kKnobCount>> freshAfter_;
    double freshSince_ = 0;
    std::optional<Knob> late_;
    std::vector<Knob> unsure_;
};

}  // namespace purlo::tuning
