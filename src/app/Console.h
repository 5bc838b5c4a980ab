// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/ConsoleState.h"
#include "app/Controls.h"
#include "app/LinkResume.h"
#include "app/Replay.h"
#include "app/ReportingPort.h"
#include "app/Ui.h"
#include "files/SampleFiles.h"
#include "link/SerialPort.h"
#include "observe/Observer.h"
#include "surface/Surface.h"

namespace purlo {

// The console core: the window variables, the three ports and the open files,
// and the dispatch of the window's events to their handlers. One instance
// lives as long as the window. Handlers of every subsystem are free functions
// taking the Console; they may run nested inside each other through a yield.
// The Console sits below every handler: the events that reach a handler
// (Form_Click, click, doubleClick, keyDown) are defined in dispatch/, the one
// part of the core that knows them all.
class Console {
    // First, so that they are there when the port below is bound: the
    // handlers' port reports to whoever observes the console.
    Observer* observer_ = &nullObserver();
    ReportingPort reporting_;

  public:
    Console(Ui& ui, Surface& surface, SerialPort& port, std::filesystem::path workDir);

    ConsoleState s;
    Ui& ui;
    Surface& surface;
    SerialPort& port;
    // The recording and playback handles of Purlo.Spl, open between handlers.
    SampleFiles files;
    // How a playback is paced, paused, stepped and moved (the monitor's
    // replay bar); flat out unless the operator asks otherwise.
    Replay replay;

    // Events of the window.
    void Form_Load();
    void Form_Click();
    void Com_exit_Click();
    void click(Control c);
    void doubleClick(Control c);
    void keyDown(Control c);

    // Counts the runs of the Start handler. A run that finds the count
    // changed after a yield knows a nested Start took over, and ends.
    std::uint64_t startRuns = 0;

    // Who watches what the console learns and does (the monitor); nobody
    // unless set. The observer must outlive the console.
    void setObserver(Observer& o) { observer_ = &o; }
    Observer& observer() const { return *observer_; }

    // True once Exit has run: every loop returns after its next yield.
    bool ending() const { return ending_; }

    // Resuming acquisition when a lost port comes back (acquisition/Resume.h).
    LinkResume resume;
    // The port opened last: whether it has been lost since, and its names.
    const ReportingPort& link() const { return reporting_; }

    // True while a handler runs, its yields and dialogs included: what comes
    // from outside the window's events (a returning port) waits until it is false.
    bool handling() const { return handling_ > 0; }
    class Handling {
      public:
        explicit Handling(Console& c) : c_(c) { ++c_.handling_; }
        ~Handling() { --c_.handling_; }
        Handling(const Handling&) = delete;
        Handling& operator=(const Handling&) = delete;

      private:
        Console& c_;
    };

    // The program's files are opened by bare name in this directory.
    std::filesystem::path file(std::string_view bareName) const { return workDir_ / bareName; }

    // Appends received bytes to the recording. A write that fails (a full
    // disk) also ends the recording, so that the next Start works: what was
    // written before stays, the command box turns black again, a line tells
    // the operator why, and the failure goes on to the caller.
    void record(std::string_view bytes);
    // A sample line has been recorded whole (Draw_one_sample).
    void recordedSampleLine();
    // The link was lost and the recording goes on once it is back: a reply
    // line the loss cut short is dropped from it (live acquisition never
    // showed it, and playback would read the next line into it); one that
    // lacked only its line feed gets it. Fails as record() does.
    void mendRecordingCutByLoss();
    // Ends a running recording: the file is closed, the command box's text
    // turns black again.
    void endRecording();

    // Appends a line to List_Info and selects it so it scrolls into view.
    void addInfo(std::string_view line);
    // Text of a float for the operator, with the locale's decimal separator.
    std::string floatText(float value) const;

    // List_Info keeps its first line (the hint the command list relies on)
    // and at most this many lines in all, so a probe repeating a line for
    // days cannot exhaust memory.
    static constexpr int kMaxInfoLines = 5000;

  private:
    // Runs a write to the recording; one that fails ends it (see record()).
    template <class Write>
    void guardRecording(Write&& write);

    std::filesystem::path workDir_;
    bool ending_ = false;
    int handling_ = 0;
};

}  // namespace purlo
