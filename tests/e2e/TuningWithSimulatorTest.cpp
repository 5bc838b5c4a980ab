// SPDX-License-Identifier: GPL-3.0-or-later
// End to end: the tuning assistant's window beside the console, sweeping the
// simulated probe on a pseudo-terminal through the console's own buttons.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QWindow>
#include <map>
#include <set>

#include "TuningHost.h"
#include "TuningWindow.h"
#include "app/Controls.h"
#include "e2e/LiveConsole.h"
#include "monitor/Clocks.h"
#include "observe/FrequencyTable.h"
#include "sim/EchoPhysics.h"
#include "support/FileBytes.h"
#include "tuning/Assistant.h"
#include "tuning/ConsoleButtons.h"

namespace purlo {
namespace {

// Asks the simulated probe itself, on its line with the console gone from
// it, for its frequency index, burst length, voltage and tuning mode.
std::map<char, long> askProbe(const std::filesystem::path& link) {
    std::map<char, long> got;
    const int fd = ::open(link.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0) return got;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetspeed(&t, B9600);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 2;
    tcsetattr(fd, TCSANOW, &t);
    std::string buffer;
    for (const char query : std::string_view("qPsa")) {
        (void)!::write(fd, &query, 1);
        for (int tries = 0; tries < 20 && got.count(query) == 0; ++tries) {
            char chunk[256];
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n > 0) buffer.append(chunk, static_cast<std::size_t>(n));
            for (auto end = buffer.find("\r\n"); end != std::string::npos;
                 end = buffer.find("\r\n")) {
                const std::string line = buffer.substr(0, end);
                buffer.erase(0, end + 2);
                // The reply may follow the tail of an echo record the probe
                // was still sending when the console let go of the line.
                const auto at = line.rfind(query);
                if (at != std::string::npos && at + 1 < line.size() &&
                    line.find_first_not_of("0123456789", at + 1) == std::string::npos) {
                    got[query] = std::stol(line.substr(at + 1));
                }
            }
        }
    }
    ::close(fd);
    return got;
}

struct TuningWithSimulator : ::testing::Test, e2e::LiveConsole {
    TuningWithSimulator()
        : e2e::LiveConsole({"--fast", "--time-scale", "20", "--resonance", "23", "--noise", "2",
                            "--spikes", "0.01", "--level-min", "1200", "--level-max", "1300"}),
          buttons(console),
          assistant(buttons, steady, wall),
          host(assistant, console, window) {
        console.setObserver(assistant);
        host.open();
    }
    ~TuningWithSimulator() override { console.setObserver(nullObserver()); }

    QPushButton& button(const char* name) {
        return host.window()->button(QString::fromLatin1(name));
    }
    // Clicks "Start the sweep" once the window offers it.
    bool startWhenOffered(bool& started) {
        if (!started && button("StartSweep").isEnabled()) {
            button("StartSweep").click();
            started = true;
        }
        return started;
    }

    SystemSteadyClock steady;
    SystemWallClock wall;
    tuning::ConsoleButtons buttons;
    tuning::Assistant assistant;
    TuningHost host;
};

TEST_F(TuningWithSimulator, AWholeRunAppliesTheBestAndTheProbeHoldsIt) {
    ASSERT_TRUE(startSimulator());
    // Without acquisition the window says what to do and offers no start.
    host.window()->refresh();
    EXPECT_FALSE(button("StartSweep").isEnabled());
    bool started = false;
    bool applied = false;
    // The plan shown while the probe is stepped stays the one the run follows
    // (its steps; the time estimate may be refined).
    const auto* planLabel = host.window()->findChild<QLabel*>(QStringLiteral("TuningPlan"));
    ASSERT_NE(planLabel, nullptr);
    const auto plannedSteps = [&] {
        return planLabel->text().section(QStringLiteral("\nAbout"), 0, 0);
    };
    std::set<QString> plansSeen;
    const bool done = runLiveUntil(
        [&] {
            if (!startWhenOffered(started)) return false;
            if (assistant.phase() == tuning::Phase::Sweeping ||
                assistant.phase() == tuning::Phase::AwaitingChoice) {
                host.window()->refresh();
                plansSeen.insert(plannedSteps());
            }
            if (!applied && button("ApplyBest").isEnabled()) {
                // Swept: a second start would forget how the probe was found.
                EXPECT_FALSE(button("StartSweep").isEnabled());
                button("ApplyBest").click();
                applied = true;
            }
            return applied && assistant.phase() == tuning::Phase::Idle;
        },
        50000);
    ASSERT_TRUE(done) << assistant.status();
    EXPECT_EQ(plansSeen.size(), 1u)
        << plansSeen.size() << " plans, the first: " << plansSeen.begin()->toStdString();
    const auto chosen = assistant.chosen();
    ASSERT_TRUE(chosen);
    EXPECT_LE(std::abs(chosen->frequencyIndex - sim::bestFrequencyIndex(23.0)), 1);
    host.window()->refresh();
    EXPECT_TRUE(button("WriteIntoProbe").isEnabled());
    EXPECT_GT(host.window()->table().rowCount(), 20);
    // The kHz column shows the frequency each step was measured at.
    for (int row = 0; row < host.window()->table().rowCount(); ++row) {
        const tuning::StepResult& step = assistant.steps().at(static_cast<std::size_t>(row));
        if (!step.done) continue;
        const auto khz = transducerKhz(static_cast<int>(step.actual.frequencyIndex));
        ASSERT_TRUE(khz);
        EXPECT_NEAR(host.window()->table().item(row, 3)->text().toDouble(), *khz, 0.05)
            << "row " << row;
    }
    EXPECT_TRUE(std::filesystem::exists(assistant.recordFile())) << assistant.recordProblem();

    // Closed as a window manager closes it, after the run: nothing changes,
    // neither the probe nor its record.
    const std::string record = testsupport::readFile(assistant.recordFile());
    host.window()->windowHandle()->close();
    runLiveUntil([] { return false; }, 1500);
    EXPECT_EQ(testsupport::readFile(assistant.recordFile()), record);
    const auto probe = askProbe(link);
    EXPECT_EQ(probe.at('q'), chosen->frequencyIndex);
    EXPECT_EQ(probe.at('P'), chosen->burstLength);
    EXPECT_EQ(probe.at('s'), std::lround(chosen->volts * 10));
    EXPECT_EQ(probe.at('a'), 1);
}

// Against a probe whose "F" raises the index: the direction is learned, and
// the way back goes the right way.
TEST_F(TuningWithSimulator, KeepAsItWasMidRunLeavesTheProbeAsFound) {
    options.emplace_back("--f-raises-index");
    ASSERT_TRUE(startSimulator());
    bool started = false;
    bool kept = false;
    const bool done = runLiveUntil(
        [&] {
            if (!startWhenOffered(started)) return false;
            if (!kept && assistant.stepsDone() >= 6) {
                button("KeepAsItWas").click();
                kept = true;
            }
            return kept && assistant.phase() == tuning::Phase::Idle;
        },
        40000);
    ASSERT_TRUE(done) << assistant.status();
    ASSERT_TRUE(assistant.snapshot());
    const LastValues& snap = *assistant.snapshot();
    const auto probe = askProbe(link);
    EXPECT_EQ(probe.at('q'), 30);  // 25.1 kHz, as the snapshot has it
    EXPECT_EQ(*snap[ProbeValue::FrequencyKhz], 25.1f);
    EXPECT_EQ(probe.at('P'), *snap[ProbeValue::BurstLength]);
    EXPECT_EQ(probe.at('s'), std::lround(*snap[ProbeValue::TransducerVoltage] * 10));
    EXPECT_EQ(probe.at('a'), *snap[ProbeValue::TuningMode]);
    EXPECT_NE(testsupport::readFile(assistant.recordFile()).find("Restored as found"),
              std::string::npos);
}

// Stop in a sweep, the window closed as a window manager closes it, Start
// again: the probe is stepped back with the window hidden.
TEST_F(TuningWithSimulator, StopCloseAndStartAgainStepsTheProbeBack) {
    ASSERT_TRUE(startSimulator());
    bool started = false;
    runLiveUntil([&] { return startWhenOffered(started) && assistant.stepsDone() >= 3; }, 40000);
    ASSERT_EQ(assistant.phase(), tuning::Phase::LinkGone) << assistant.status();
    host.window()->windowHandle()->close();
    ASSERT_TRUE(host.window()->isHidden());
    const bool done = runLiveUntil(
        [&] {
            // The window may open itself to say so; it is closed again at once.
            if (host.window()->isVisible()) host.window()->windowHandle()->close();
            return assistant.phase() == tuning::Phase::Idle;
        },
        40000);
    ASSERT_TRUE(done) << assistant.status();
    const auto probe = askProbe(link);
    EXPECT_EQ(probe.at('q'), 30);
    EXPECT_EQ(probe.at('a'), 1);
    EXPECT_NE(assistant.outcome().find("Restored as found"), std::string::npos)
        << assistant.outcome();
}

// Exit mid-run: the console ends only once the probe is stepped back.
TEST_F(TuningWithSimulator, ExitMidRunStepsTheProbeBackBeforeTheConsoleEnds) {
    ASSERT_TRUE(startSimulator());
    bool started = false;
    bool exited = false;
    runLiveUntil(
        [&] {
            if (!startWhenOffered(started)) return false;
            if (!exited && assistant.stepsDone() >= 5) {
                exited = true;
                qobject_cast<QPushButton*>(window.widget(Control::Com_exit))->click();
            }
            return false;  // the receive loop ends with the console
        },
        40000);
    ASSERT_TRUE(exited);
    EXPECT_TRUE(console.ending());
    EXPECT_TRUE(window.isHidden());
    ASSERT_TRUE(assistant.snapshot());
    const LastValues& snap = *assistant.snapshot();
    const auto probe = askProbe(link);
    EXPECT_EQ(probe.at('q'), 30);  // 25.1 kHz, as the snapshot has it
    EXPECT_EQ(probe.at('P'), *snap[ProbeValue::BurstLength]);
    EXPECT_EQ(probe.at('s'), std::lround(*snap[ProbeValue::TransducerVoltage] * 10));
    EXPECT_EQ(probe.at('a'), *snap[ProbeValue::TuningMode]);
    EXPECT_NE(testsupport::readFile(assistant.recordFile()).find("Restored as found"),
              std::string::npos)
        << assistant.outcome();
}

}  // namespace
}  // namespace purlo
