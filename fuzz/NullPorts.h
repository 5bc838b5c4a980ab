#pragma once

#include <array>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "app/Controls.h"
#include "app/Ui.h"
#include "link/SerialPort.h"
#include "surface/Surface.h"
#include "text/RuntimeError.h"

namespace purlo::fuzz {

// Ports that accept everything and remember just enough for the fuzz targets.
class NullUi : public Ui {
  public:
    NullUi() {
        for (const ControlInfo& info : controlTable()) {
            texts[idx(info.id)] = std::string(info.caption);
            shown[idx(info.id)] = info.visible;
        }
    }
    void setText(Control c, std::string_view t) override { texts[idx(c)] = std::string(t); }
    std::string text(Control c) const override { return texts[idx(c)]; }
    void setBackColour(Control, Colour) override {}
    void setTextColour(Control, Colour) override {}
    void setVisible(Control c, bool v) override { shown[idx(c)] = v; }
    bool visible(Control c) const override { return shown[idx(c)]; }
    void setWindowCaption(std::string_view c) override { caption = std::string(c); }
    std::string windowCaption() const override { return caption; }
    void addListLine(std::string_view line) override {
        ++lines;
        lastLine = std::string(line);
    }
    void removeListLine(int) override { --lines; }
    int listCount() const override { return lines; }
    int listIndex() const override { return lines - 1; }
    void setListIndex(int) override {}
    Answer messageBox(std::string_view text, std::string_view, Buttons) override {
        lastMessage = std::string(text);
        return answer;
    }
    std::optional<std::string> inputBox(std::string_view, std::string_view,
                                        std::string_view) override {
        return std::nullopt;
    }
    void yield(Wait) override { ++yields; }
    void endProgram() override {}
    bool printWindow() override { return false; }
    char decimalSeparator() const override { return '.'; }

    std::array<std::string, kControlCount> texts{};
    std::array<bool, kControlCount> shown{};
    std::string caption;
    int lines = 0;
    std::string lastLine;
    std::string lastMessage;
    Answer answer = Answer::Ok;
    long yields = 0;

  private:
    static std::size_t idx(Control c) { return static_cast<std::size_t>(c); }
};

class NullSurface : public Surface {
  public:
    void setForeColour(int) override {}
    void drawLine(float, float, float, float) override { ++lines; }
    void clear() override {}
    float widthTwips() const override { return kClientWidthTwips; }
    long lines = 0;
};

// A port that is never there: opening it fails, and so does everything that
// needs it open.
class NoPort : public SerialPort {
  public:
    bool portOpen() const override { return false; }
    void setPortOpen(bool open) override {
        if (open) {
            ++openAttempts;
            throw RuntimeError("no port");
        }
    }
    void setCommPort(std::int16_t) override {}
    void setSettings(std::string_view) override {}
    void setInputMode(InputMode) override {}
    void setInputLen(std::int16_t) override {}
    void setNullDiscard(bool) override {}
    int inBufferCount() override { throw RuntimeError("closed"); }
    void clearInBuffer() override { throw RuntimeError("closed"); }
    void output(std::string_view) override { throw RuntimeError("closed"); }
    std::string input() override { throw RuntimeError("closed"); }

    int openAttempts = 0;
};

// A finding: libFuzzer reports it with the input that caused it.
[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

}  // namespace purlo::fuzz
