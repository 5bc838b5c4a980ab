// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

#include "app/Console.h"
#include "fakes/FakeSerialPort.h"
#include "fakes/FakeUi.h"
#include "fakes/ProbeLink.h"
#include "support/NullUi.h"
#include "support/ScratchDir.h"
#include "tuning/Assistant.h"
#include "tuning/ConsoleButtons.h"

namespace purlo::tuning::test {

// The simulated probe's own time is the assistant's clock.
struct ProbeClock final : SteadyClock {
    const sim::ProbeModel* model = nullptr;
    double seconds() const override { return model->now(); }
};

struct FixedWallClock final : WallClock {
    LocalTime now() const override { return {1796000000, 3600}; }
};

// The console on fakes with the simulated probe behind its port, and the
// assistant listening to it and clicking its buttons, ticked at every yield
// of the receive loop (as the window's timer would run inside it).
struct TuningRig {
    // `bytesPerSecond`: the line's pace (0: bytes arrive at once).
    explicit TuningRig(sim::ProbeOptions options, double secondsPerPoll = 0.005,
                       double bytesPerSecond = 0.0)
        : console(ui, surface, port, dir.path()),
          probe(port, options, secondsPerPoll, bytesPerSecond),
          buttons(console),
          assistant(buttons, clock, wall) {
        clock.model = &probe.model;
        ui.console = &console;
        ui.maxYields = 3'000'000;
        console.setObserver(assistant);
        console.Form_Load();
        console.s.zero_offset_mm = 3000;
    }

    // Clicks Start and runs the loop; `act` runs at every yield after the
    // assistant's tick and returns true to click Stop.
    template <class Act>
    void run(Act act) {
        auto stopped = std::make_shared<bool>(false);
        ui.everyYield = [this, act, stopped](int) mutable {
            if (*stopped) return;
            assistant.tick();
            if (act()) {
                *stopped = true;
                console.click(Control::Com_start_stop);
            }
        };
        console.click(Control::Com_start_stop);
    }

    RunContext context() const {
        RunContext c;
        c.echoRecords = console.s.sampling_on;
        c.zeroOffsetMm = console.s.zero_offset_mm;
        return c;
    }

    testsupport::ScratchDir dir;
    purlo::test::FakeUi ui;
    testsupport::CountingSurface surface;
    purlo::test::FakeSerialPort port;
    Console console;
    purlo::test::ProbeLink probe;
    ProbeClock clock;
    FixedWallClock wall;
    ConsoleButtons buttons;
    Assistant assistant;
};

// A probe over a still surface whose transducer resonates at `khz`.
inline sim::ProbeOptions probeAt(double khz, std::uint64_t seed) {
    sim::ProbeOptions o;
    o.resonanceKhz = khz;
    o.noiseMm = 2.0;
    o.spikeProbability = 0.01;
    o.levelMinMm = 1200.0;
    o.levelMaxMm = 1400.0;
    o.seed = seed;
    return o;
}

}  // namespace purlo::tuning::test
