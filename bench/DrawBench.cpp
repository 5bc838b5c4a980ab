// Cost of Draw_one_sample for one live 160-byte echo record in the core: the
// port set-up, the marker search and the geometry of 1280 samples, handed to
// a surface that only counts the calls. The Qt canvas adds its own cost on top.
//
//   build/bin/bench_draw --benchmark_repetitions=10 --benchmark_report_aggregates_only=true

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "app/Console.h"
#include "diagram/EchoDrawing.h"
#include "diagram/Slots.h"

namespace {

using namespace purlo;

class CountingSurface : public Surface {
  public:
    void setForeColour(int) override { ++colourSets; }
    void drawLine(float, float, float, float) override { ++lines; }
    void clear() override {}
    float widthTwips() const override { return static_cast<float>(kClientWidthTwips); }
    std::int64_t colourSets = 0;
    std::int64_t lines = 0;
};

class QuietUi : public Ui {
  public:
    void setText(Control, std::string_view t) override { lastText.assign(t); }
    std::string text(Control) const override { return {}; }
    void setBackColour(Control, Colour) override {}
    void setTextColour(Control, Colour) override {}
    void setVisible(Control, bool) override {}
    bool visible(Control) const override { return true; }
    void setWindowCaption(std::string_view) override {}
    std::string windowCaption() const override { return {}; }
    void addListLine(std::string_view) override { ++listLines; }
    void removeListLine(int) override {}
    int listCount() const override { return listLines; }
    int listIndex() const override { return listLines - 1; }
    void setListIndex(int) override {}
    Answer messageBox(std::string_view, std::string_view, Buttons) override { return Answer::Ok; }
    std::optional<std::string> inputBox(std::string_view, std::string_view,
                                        std::string_view) override {
        return std::nullopt;
    }
    void yield(Wait) override {}
    void endProgram() override {}
    bool printWindow() override { return true; }
    char decimalSeparator() const override { return '.'; }
    std::string lastText;
    int listLines = 0;
};

// A probe that answers "=" with the same record every time.
class EchoingPort : public SerialPort {
  public:
    explicit EchoingPort(std::string record) : record_(std::move(record)) {}
    bool portOpen() const override { return true; }
    void setPortOpen(bool) override {}
    void setCommPort(std::int16_t) override {}
    void setSettings(std::string_view) override {}
    void setInputMode(InputMode) override {}
    void setInputLen(std::int16_t) override {}
    void setRThreshold(std::int16_t) override {}
    void setNullDiscard(bool) override {}
    int inBufferCount() override { return static_cast<int>(waiting_.size()); }
    void clearInBuffer() override { waiting_.clear(); }
    void output(std::string_view data) override {
        if (data == "=") waiting_ = record_;
    }
    std::string input() override { return std::exchange(waiting_, {}); }

  private:
    std::string record_;
    std::string waiting_;
};

// 160 sample bytes with an irregular mix of high and low samples, like a real
// burst, ring-down and echo; about half the samples draw a bar.
std::string echoRecord() {
    std::string record = "=";
    std::uint32_t x = 12345;
    for (int i = 0; i < 160; ++i) {
        x = x * 1103515245u + 12345u;
        record += static_cast<char>((x >> 16) & 0xff);
    }
    return record;
}

void BM_DrawOneSample(benchmark::State& state) {
    QuietUi ui;
    CountingSurface surface;
    EchoingPort port(echoRecord());
    Console c(ui, surface, port, std::filesystem::temp_directory_path());
    c.Form_Load();
    c.s.sample_length = 160;
    c.s.port_open = true;
    c.s.raster_on = state.range(0) != 0;
    draw_3_diagrams_vertical_position(c);
    surface.lines = 0;
    surface.colourSets = 0;
    for (auto _ : state) {
        Draw_one_sample(c);
        benchmark::DoNotOptimize(surface.lines);
    }
    if (ui.listLines != 1) state.SkipWithError("the record was not drawn");
    const auto n = static_cast<double>(state.iterations());
    state.counters["lines/record"] = static_cast<double>(surface.lines) / n;
    state.counters["colours/record"] = static_cast<double>(surface.colourSets) / n;
}
BENCHMARK(BM_DrawOneSample)->ArgName("raster")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
