// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>

class QComboBox;
class QLabel;
class QSlider;
class QToolButton;

namespace purlo {

class Console;

// The monitor's replay bar: play and pause, one echo record on, the speed
// and the place in Purlo.Spl, with the recording time (10 bits a byte at the
// PC's baud rate), bytes and echo records read. It sets the console's Replay
// (see src/app/Replay.h) and reads the playback's state; the receive loop
// does the rest. A playback armed with "#" and started without touching the
// bar plays as fast as possible.
class ReplayBar : public QWidget {
    Q_OBJECT

  public:
    explicit ReplayBar(Console& console, QWidget* parent = nullptr);

    // The speeds the box offers, as Replay takes them; the last is the default.
    static constexpr std::array<double, 6> kSpeeds{1.0, 2.0, 5.0, 10.0, 100.0, 0.0};
    static constexpr int kSliderSteps = 10000;

    // Takes the playback's position into the slider and the text (a frame
    // timer calls it; it sets only what changed).
    void refresh();
    // Moves the playback to `bytes` into the recording (the next line start
    // there), when one is armed.
    void seekTo(std::int64_t bytes);

    QToolButton& playButton() { return *play_; }
    QToolButton& stepButton() { return *step_; }
    QComboBox& speedBox() { return *speed_; }
    QSlider& slider() { return *slider_; }
    QLabel& positionText() { return *position_; }

  private:
    void showPosition(std::int64_t bytes);
    std::int64_t sliderBytes(int value) const;

    Console& console_;
    QToolButton* play_;
    QToolButton* step_;
    QComboBox* speed_;
    QSlider* slider_;
    QLabel* position_;
    bool refreshing_ = false;
    QString shown_;
};

}  // namespace purlo
