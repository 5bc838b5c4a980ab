#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/Controls.h"
#include "app/Ui.h"
#include "surface/Surface.h"

namespace purlo::bench {

// A window without a toolkit that keeps the texts and does nothing else; a
// yield runs `onYield`, where a benchmark puts the operator's next click.
class QuietUi : public Ui {
  public:
    QuietUi() {
        for (const ControlInfo& info : controlTable()) texts_[index(info.id)] = info.caption;
    }
    void setText(Control c, std::string_view t) override { texts_[index(c)] = std::string(t); }
    std::string text(Control c) const override { return texts_[index(c)]; }
    void setBackColour(Control, Colour) override {}
    void setTextColour(Control, Colour) override {}
    void setVisible(Control, bool) override {}
    bool visible(Control) const override { return true; }
    void setWindowCaption(std::string_view) override {}
    std::string windowCaption() const override { return {}; }
    void addListLine(std::string_view line) override {
        ++listLines_;
        lastListLine.assign(line);
    }
    void removeListLine(int) override { --listLines_; }
    int listCount() const override { return listLines_; }
    int listIndex() const override { return listLines_ - 1; }
    void setListIndex(int) override {}
    Answer messageBox(std::string_view, std::string_view, Buttons) override { return Answer::Ok; }
    std::optional<std::string> inputBox(std::string_view, std::string_view,
                                        std::string_view) override {
        return std::nullopt;
    }
    void yield(Wait) override {
        if (onYield) onYield();
    }
    void endProgram() override {}
    bool printWindow() override { return true; }
    char decimalSeparator() const override { return '.'; }

    std::function<void()> onYield;
    std::string lastListLine;

  private:
    static std::size_t index(Control c) { return static_cast<std::size_t>(c); }
    std::array<std::string, kControlCount> texts_;
    int listLines_ = 0;
};

// A surface that only counts what it is asked to draw.
class CountingSurface : public Surface {
  public:
    void setForeColour(int) override { ++colourSets; }
    void drawLine(float, float, float, float) override { ++lines; }
    void clear() override {}
    float widthTwips() const override { return static_cast<float>(kClientWidthTwips); }
    std::int64_t colourSets = 0;
    std::int64_t lines = 0;
};

}  // namespace purlo::bench
