// SPDX-License-Identifier: GPL-3.0-or-later
// Any Purlo.Spl (an old recording, a truncated copy, a file that is no
// recording at all) must play back to its end without crashing or hanging,
// and a playback never touches the serial port.
//
// Input: four bytes of view settings (see ViewSettings), then the file.
#include "acquisition/Playback.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "NullPorts.h"
#include "Scratch.h"
#include "app/Console.h"

namespace {

constexpr std::string_view kReceiveError =
    "* Error while getting RS232 data via communication chanel!";

// A playback takes at least one byte of the file per pass of the loop, and
// the loop yields once per pass.
class CountingUi : public purlo::fuzz::NullUi {
  public:
    explicit CountingUi(long limit) : limit_(limit) {}
    void yield(purlo::Wait wait) override {
        NullUi::yield(wait);
        if (yields > limit_) purlo::fuzz::fail("the playback does not come to an end");
    }

  private:
    long limit_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace purlo;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto& dir = fuzz::scratchDir();

    CountingUi ui(static_cast<long>(size) + 8);
    fuzz::NullSurface surface;
    fuzz::NoPort port;
    Console console(ui, surface, port, dir);
    console.Form_Load();
    const std::string_view recording = fuzz::ViewSettings::apply(input, console.s);
    fuzz::writeFile(console.file(kSampleFileName), recording);

    console.click(Control::Com_play_spl);
    if (!console.s.playback_on) fuzz::fail("a readable file was not armed");
    console.click(Control::Com_start_stop);

    if (port.openAttempts != 0) fuzz::fail("a playback opened the serial port");
    if (console.s.port_open) fuzz::fail("a playback left the link marked open");
    // Either the file was played to its end, everything back at rest, or a
    // value in it did not fit and the receive loop said so.
    const bool ended = !console.s.playback_on && console.s.playback_pos == 0 &&
                       console.s.playback_count == 0 && ui.text(Control::Com_play_spl) == "#" &&
                       !console.files.playing();
    const bool refused = console.s.playback_on && ui.lastListLine == kReceiveError &&
                         ui.text(Control::Com_start_stop) == "Start";
    if (!ended && !refused) fuzz::fail("the playback neither ended nor reported a failure");
    return 0;
}
