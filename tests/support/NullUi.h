// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/Controls.h"
#include "app/Ui.h"
#include "surface/Surface.h"

namespace purlo::testsupport {

// The part of a window every double of it keeps: each control's text and
// visibility, starting as the control table has them. The rest of Ui is the
// double's own.
class ControlTexts : public Ui {
  public:
    ControlTexts() {
        for (const ControlInfo& info : controlTable()) {
            texts[idx(info.id)] = std::string(info.caption);
            shown[idx(info.id)] = info.visible;
        }
    }
    void setText(Control c, std::string_view t) override { texts[idx(c)] = std::string(t); }
    std::string text(Control c) const override { return texts[idx(c)]; }
    void setVisible(Control c, bool v) override { shown[idx(c)] = v; }
    bool visible(Control c) const override { return shown[idx(c)]; }

    std::array<std::string, kControlCount> texts{};
    std::array<bool, kControlCount> shown{};

  protected:
    static std::size_t idx(Control c) { return static_cast<std::size_t>(c); }
};

// A window without a toolkit that accepts everything and remembers just
// enough to check a run: the texts, the caption, the last list line and
// message. Message boxes answer `answer`, input boxes are cancelled, and a
// yield runs `onYield`, where a benchmark puts the operator's next click.
class NullUi : public ControlTexts {
  public:
    void setBackColour(Control, Colour) override {}
    void setTextColour(Control, Colour) override {}
    void setWindowCaption(std::string_view c) override { caption = std::string(c); }
    std::string windowCaption() const override { return caption; }
    void addListLine(std::string_view line) override {
        ++listLines;
        lastListLine = std::string(line);
    }
    void removeListLine(int) override { --listLines; }
    int listCount() const override { return listLines; }
    int listIndex() const override { return listLines - 1; }
    void setListIndex(int) override {}
    Answer messageBox(std::string_view text, std::string_view, Buttons) override {
        lastMessage = std::string(text);
        return answer;
    }
    std::optional<std::string> inputBox(std::string_view, std::string_view,
                                        std::string_view) override {
        return std::nullopt;
    }
    void yield(Wait) override {
        ++yields;
        if (onYield) onYield();
    }
    void endProgram() override {}
    bool printWindow() override { return false; }  // no printer
    char decimalSeparator() const override { return '.'; }

    std::string caption;
    int listLines = 0;
    std::string lastListLine;
    std::string lastMessage;
    Answer answer = Answer::Ok;
    long yields = 0;
    std::function<void()> onYield;
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

}  // namespace purlo::testsupport
