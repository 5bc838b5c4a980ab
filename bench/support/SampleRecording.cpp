// SPDX-License-Identifier: GPL-3.0-or-later
#include "SampleRecording.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <system_error>

#include "WorkDir.h"
#include "app/Console.h"
#include "link/SerialPort.h"
#include "sim/ProbeModel.h"
#include "support/NullUi.h"
#include "support/SettingsFixture.h"

namespace purlo::bench {

namespace {

// Ten bits a byte at 38400 bit/s.
constexpr double kByteSeconds = 10.0 / 38400.0;

// The probe model behind an open port. Time passes as the console looks for
// input: one byte's time when something waits, straight to the probe's next
// burst when nothing does.
class ModelPort : public SerialPort {
  public:
    explicit ModelPort(sim::ProbeOptions options) : model_(std::move(options)) {}
    bool portOpen() const override { return open_; }
    void setPortOpen(bool open) override { open_ = open; }
    void setCommPort(std::int16_t) override {}
    void setSettings(std::string_view) override {}
    void setInputMode(InputMode) override {}
    void setInputLen(std::int16_t length) override { inputLen_ = length; }
    void setNullDiscard(bool) override {}
    int inBufferCount() override {
        poll();
        return static_cast<int>(inbox_.size() - readPos_);
    }
    void clearInBuffer() override {
        inbox_.clear();
        readPos_ = 0;
    }
    void output(std::string_view data) override {
        for (const char c : data) model_.receive(c);
        inbox_ += model_.takeOutput();
    }
    std::string input() override {
        poll();
        const std::size_t waiting = inbox_.size() - readPos_;
        const std::size_t n =
            inputLen_ == 0 ? waiting
                           : std::min<std::size_t>(waiting, static_cast<std::size_t>(inputLen_));
        std::string out = inbox_.substr(readPos_, n);
        readPos_ += n;
        if (readPos_ == inbox_.size()) clearInBuffer();
        return out;
    }

  private:
    void poll() {
        const bool idle = readPos_ == inbox_.size();
        model_.advance(idle ? std::max(kByteSeconds, model_.secondsToNextEvent()) : kByteSeconds);
        inbox_ += model_.takeOutput();
    }

    sim::ProbeModel model_;
    bool open_ = false;
    std::int16_t inputLen_ = 1;
    std::string inbox_;
    std::size_t readPos_ = 0;
};

}  // namespace

std::int64_t makeSampleRecording(const std::filesystem::path& file, std::int64_t bytes) {
    WorkDir dir("recording");
    ConsoleState settings = testsupport::startUpSettings();
    settings.pc_baud_rate = 38400;
    testsupport::writeSettingsFile(dir.path(), settings);
    testsupport::NullUi ui;
    testsupport::CountingSurface surface;
    sim::ProbeOptions probe;
    probe.levelMinMm = 600;
    probe.levelMaxMm = 1700;
    probe.levelSpeedMmPerS = 8;
    probe.noiseMm = 1.5;
    probe.spikeProbability = 0.002;
    probe.initialBaud = 38400;
    ModelPort port(probe);
    Console console(ui, surface, port, dir.path());
    console.Form_Load();

    const auto recorded = dir / "Purlo.Spl";
    long yields = 0;
    bool started = false;
    bool done = false;
    ui.onYield = [&] {
        if (done) return;
        if (!started) {
            // Not before the loop has opened the port: "S.C" would open it
            // itself, and the loop would take that for a Stop.
            if (!console.s.port_open) return;
            started = true;
            ui.setText(Control::Text_command_to_send, "#");
            console.click(Control::Com_command_to_send);  // recording on
            return;
        }
        if (++yields % 4096 != 0) return;
        std::error_code ec;
        if (std::filesystem::file_size(recorded, ec) < static_cast<std::uintmax_t>(bytes)) return;
        done = true;
        console.click(Control::Com_command_to_send);  // "#" again: the recording ends
        console.click(Control::Com_start_stop);       // Stop
    };
    console.click(Control::Com_start_stop);
    if (!done) {
        throw std::runtime_error("the console stopped before the recording was complete: " +
                                 ui.lastListLine);
    }
    std::filesystem::copy_file(recorded, file, std::filesystem::copy_options::overwrite_existing);
    return static_cast<std::int64_t>(std::filesystem::file_size(file));
}

}  // namespace purlo::bench
