// SPDX-License-Identifier: GPL-3.0-or-later
// Whatever a serial line carries (a wrong baud rate, a probe restarting, a
// cable picking up noise) must never crash or hang the receive loop, and a
// recording keeps only what the line carried, in order.
//
// Input: four bytes of view settings (see ViewSettings; bit 7 of the first
// starts a recording), then the byte stream. Echo records are taken from the
// stream when the console asks for one. When the stream is used up, the
// operator clicks Stop.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "NullPorts.h"
#include "Scratch.h"
#include "StreamPort.h"
#include "acquisition/Playback.h"
#include "app/Console.h"

namespace {

using purlo::Control;

class OperatorUi : public purlo::fuzz::NullUi {
  public:
    OperatorUi(purlo::fuzz::StreamPort& port, long limit) : port_(port), limit_(limit) {}
    void yield(purlo::Wait wait) override {
        NullUi::yield(wait);
        if (yields > limit_) purlo::fuzz::fail("the receive loop does not come to an end");
        if (console != nullptr && !stopped && port_.portOpen() && port_.exhausted()) {
            stopped = true;
            console->click(Control::Com_start_stop);
        }
    }
    purlo::Console* console = nullptr;
    bool stopped = false;

  private:
    purlo::fuzz::StreamPort& port_;
    long limit_;
};

bool isSubsequence(std::string_view part, std::string_view whole) {
    std::size_t i = 0;
    for (const char ch : whole) {
        if (i < part.size() && part[i] == ch) ++i;
    }
    return i == part.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace purlo;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto& dir = fuzz::scratchDir();

    ConsoleState settings;
    const std::string_view stream = fuzz::ViewSettings::apply(input, settings);
    fuzz::StreamPort port(stream);
    port.sampleLength = settings.sample_length == 0 ? 160 : settings.sample_length;
    // Every pass takes a byte or ends; the start and the stop add a few.
    OperatorUi ui(port, 2 * static_cast<long>(size) + 16);
    fuzz::NullSurface surface;
    Console console(ui, surface, port, dir);
    ui.console = &console;
    console.Form_Load();
    fuzz::ViewSettings::apply(input, console.s);
    const bool recording = fuzz::ViewSettings::recording(input);
    if (recording) {
        console.files.openRecording(console.file(kSampleFileName));
        console.s.recording_on = true;
    }

    console.click(Control::Com_start_stop);

    if (console.s.port_open || port.portOpen()) fuzz::fail("the link stayed open");
    if (ui.text(Control::Com_start_stop) != "Start")
        fuzz::fail("the Start button was not restored");
    if (port.opens != 1) fuzz::fail("the port was opened more than once");
    if (recording) {
        console.files.closeAll();
        const std::string kept = fuzz::readFile(console.file(kSampleFileName));
        if (!isSubsequence(kept, port.delivered))
            fuzz::fail("the recording holds bytes the line never carried");
    }
    return 0;
}
