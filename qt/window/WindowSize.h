// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <optional>

namespace purlo {

// How large the operator wants the console's window: one of a few fixed
// sizes, or as the screen has it.
//
// A percentage is of the window at 96 logical dots per inch (1440 twips are
// 96 pixels at 100 %): the layout is converted at 96 dpi times the percentage.
// Following the screen converts at the screen's own logical DPI, as the
// window always did; on a 96-dpi desktop that is 100 %. A desktop scale done
// by Qt in device pixels (QT_SCALE_FACTOR, a high-DPI screen) applies on top
// of either.
class WindowSize {
  public:
    static constexpr std::array<int, 5> kPercents{100, 125, 150, 200, 250};
    static constexpr double kBaseDpi = 96.0;

    // As the screen has it: the default.
    WindowSize() = default;
    // One of kPercents; anything else follows the screen.
    static WindowSize percent(int percent);

    bool followsScreen() const { return percent_ == 0; }
    // The percentage chosen; 0 when following the screen.
    int percent() const { return percent_; }

    // The logical dots per inch the twips layout is converted at, on a screen
    // of the given logical DPI.
    double dotsPerInch(double screenDpi) const;
    // The next size up or down from the one the window has on that screen;
    // this one when there is none.
    WindowSize larger(double screenDpi) const;
    WindowSize smaller(double screenDpi) const;

    // "screen" or the percentage ("150"): the form kept in the settings.
    QString key() const;
    // A key, also with a percent sign ("150%", "150 %"); nothing for any other text.
    static std::optional<WindowSize> fromKey(QStringView text);

    friend bool operator==(WindowSize a, WindowSize b) { return a.percent_ == b.percent_; }

    // The per-user choice (~/.config/purlo/console.conf, group "window"):
    // following the screen when none was stored or it cannot be read.
    static WindowSize load();
    void save() const;

  private:
    explicit WindowSize(int percent) : percent_(percent) {}
    int percent_ = 0;
};

}  // namespace purlo
