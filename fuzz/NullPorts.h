#pragma once

#include <string>

#include "app/Ui.h"
#include "link/SerialPort.h"
#include "surface/Surface.h"
#include "text/RuntimeError.h"

namespace purlo::fuzz {

// Ports that accept everything and remember just enough for the fuzz targets.
class NullUi : public Ui {
public:
    void setText(Control c, std::string_view t) override { texts[static_cast<std::size_t>(c)] = std::string(t); }
    std::string text(Control c) const override { return texts[static_cast<std::size_t>(c)]; }
    void setBackColour(Control, Colour) override {}
    void setTextColour(Control, Colour) override {}
    void setVisible(Control, bool) override {}
    bool visible(Control) const override { return true; }
    void setWindowCaption(std::string_view c) override { caption = std::string(c); }
    std::string windowCaption() const override { return caption; }
    void addListLine(std::string_view) override { ++lines; }
    void removeListLine(int) override { --lines; }
    int listCount() const override { return lines; }
    int listIndex() const override { return lines - 1; }
    void setListIndex(int) override {}
    Answer messageBox(std::string_view, std::string_view, Buttons) override { return Answer::Ok; }
    std::optional<std::string> inputBox(std::string_view, std::string_view, std::string_view) override {
        return std::nullopt;
    }
    void yield(Wait) override { ++yields; }
    void endProgram() override {}
    bool printWindow() override { return false; }
    char decimalSeparator() const override { return '.'; }

    std::array<std::string, kControlCount> texts{};
    std::string caption;
    int lines = 0;
    long yields = 0;
};

class NullSurface : public Surface {
public:
    void setForeColour(int) override {}
    void drawLine(float, float, float, float) override { ++lines; }
    void clear() override {}
    float widthTwips() const override { return kClientWidthTwips; }
    long lines = 0;
};

}  // namespace purlo::fuzz
