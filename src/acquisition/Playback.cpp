// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/Playback.h"

#include "acquisition/Replaying.h"
#include "app/Console.h"
#include "app/HandlerFailure.h"
#include "app/StartButton.h"

namespace purlo {

namespace {

// A file that cannot be opened or read leaves no playback half armed.
void playbackFailure(Console& c) {
    c.files.closePlayback();
    c.addInfo("* Error or no Purlo.Spl file, See program info. * Check Comport!");
}

}  // namespace

void Com_play_spl_Click(Console& c) {
    runHandler(c, playbackFailure, [&] {
        if (c.s.port_open) {
            c.ui.messageBox(
                "Close communication port first with command button [Stop]" + c.s.cr_lf +
                    "Then, Select button [#] and [start]. Make sure that the recorded file "
                    "Purlo.Spl is present in the Purlo program directory. Function can be "
                    "stopped by pusshing button [#] again.",
                "", Buttons::Ok);
        } else if (!c.s.playback_on) {
            c.files.openPlayback(c.file(kSampleFileName));
            replayArmed(c);
            c.ui.setBackColour(Control::Com_play_spl, Colour::of(kPlaybackArmedRed));
            c.s.playback_on = true;
            c.observer().playbackStarted(static_cast<std::uint64_t>(c.files.playbackLength()),
                                         c.s.pc_baud_rate);
            c.addInfo(" **** Show recorded Purlo.Spl file. Start with command [start] **** ");
        } else {
            c.files.closePlayback();
            c.s.playback_on = false;
            c.replay.playbackEnded();
            c.observer().playbackEnded();
            c.ui.setBackColour(Control::Com_play_spl, Colour::face());
            c.ui.setText(Control::Com_play_spl, "#");
            // Nothing runs now, so the Start button must say so. When a running
            // playback is disarmed, the receive loop goes live and shows "Stop" again.
            startButtonToRest(c.ui);
        }
    });
}

}  // namespace purlo
