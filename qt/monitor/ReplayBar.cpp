// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReplayBar.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProxyStyle>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <algorithm>

#include "app/Console.h"

namespace purlo {

namespace {

bool armed(const Console& c) {
    return c.s.playback_on && c.files.playing();
}

// A click on the groove goes to the place clicked, as on a media player's
// seek bar; a plain slider moves a page towards it.
class SeekBarStyle final : public QProxyStyle {
  public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
        if (hint == QStyle::SH_Slider_AbsoluteSetButtons) return Qt::LeftButton;
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

}  // namespace

ReplayBar::ReplayBar(Console& console, QWidget* parent)
    : QWidget(parent),
      console_(console),
      play_(new QToolButton(this)),
      step_(new QToolButton(this)),
      speed_(new QComboBox(this)),
      slider_(new QSlider(Qt::Horizontal, this)),
      position_(new QLabel(this)) {
    setObjectName(QStringLiteral("ReplayBar"));
    play_->setAccessibleName(QStringLiteral("Play or pause the playback"));
    play_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    step_->setText(QStringLiteral("Step"));
    step_->setIcon(style()->standardIcon(QStyle::SP_MediaSeekForward));
    step_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    step_->setAccessibleName(QStringLiteral("Play one echo record, then pause"));
    step_->setToolTip(QStringLiteral("Play one echo record, then pause"));
    for (const QString& name :
         {QStringLiteral("Real time"), QStringLiteral("×2"), QStringLiteral("×5"),
          QStringLiteral("×10"), QStringLiteral("×100"), QStringLiteral("As fast as possible")}) {
        speed_->addItem(name);
    }
    speed_->setCurrentIndex(static_cast<int>(kSpeeds.size()) - 1);
    speed_->setAccessibleName(QStringLiteral("Playback speed"));
    speed_->setToolTip(QStringLiteral("Playback speed against the time the recording took"));
    slider_->setRange(0, kSliderSteps);
    slider_->setPageStep(kSliderSteps / 50);
    slider_->setAccessibleName(QStringLiteral("Place in the recording"));
    slider_->setToolTip(QStringLiteral("Drag or click to go on from another place"));
    slider_->setMinimumWidth(200);
    // Made after the slider, so the bar deletes it after the slider.
    auto* seekStyle = new SeekBarStyle(slider_->style()->name());
    seekStyle->setParent(this);
    slider_->setStyle(seekStyle);
    position_->setObjectName(QStringLiteral("ReplayPosition"));
    position_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(play_);
    layout->addWidget(step_);
    layout->addWidget(speed_);
    layout->addWidget(slider_, 1);
    layout->addWidget(position_);

    connect(play_, &QToolButton::clicked, this, [this] {
        console_.replay.setPaused(!console_.replay.paused());
        refresh();
    });
    connect(step_, &QToolButton::clicked, this, [this] {
        console_.replay.step();
        refresh();
    });
    connect(speed_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (i >= 0 && i < static_cast<int>(kSpeeds.size())) {
            console_.replay.setSpeed(kSpeeds[static_cast<std::size_t>(i)]);
        }
    });
    connect(slider_, &QSlider::sliderMoved, this,
            [this](int value) { showPosition(sliderBytes(value)); });
    connect(slider_, &QSlider::sliderReleased, this,
            [this] { seekTo(sliderBytes(slider_->value())); });
    // A click on the groove (the place clicked) or a key (a step), taken at once.
    connect(slider_, &QSlider::valueChanged, this, [this](int value) {
        if (!refreshing_ && !slider_->isSliderDown()) seekTo(sliderBytes(value));
    });
    refresh();
}

std::int64_t ReplayBar::sliderBytes(int value) const {
    const std::int64_t length = console_.files.playbackLength();
    return length * value / kSliderSteps;
}

void ReplayBar::seekTo(std::int64_t bytes) {
    if (!armed(console_)) return;
    console_.replay.seek(std::clamp<std::int64_t>(bytes, 0, console_.files.playbackLength()));
}

void ReplayBar::showPosition(std::int64_t bytes) {
    const Console& c = console_;
    const std::int64_t length = c.files.playbackLength();
    const std::int32_t baud = c.s.pc_baud_rate;
    QString text;
    if (!armed(c)) {
        text = QStringLiteral("No playback: arm it with # and click Start in the console");
    } else {
        text = QStringLiteral("%1 / %2   %3 of %4 bytes   %5 echo records")
                   .arg(QString::fromStdString(recordingClock(bytes, baud)),
                        QString::fromStdString(recordingClock(length, baud)))
                   .arg(bytes)
                   .arg(length)
                   .arg(c.s.playback_count);
    }
    if (text != shown_) {
        shown_ = text;
        position_->setText(text);
    }
}

void ReplayBar::refresh() {
    const Console& c = console_;
    const bool paused = c.replay.paused();
    const QString playText = paused ? QStringLiteral("Play") : QStringLiteral("Pause");
    if (play_->text() != playText) {
        play_->setText(playText);
        play_->setIcon(
            style()->standardIcon(paused ? QStyle::SP_MediaPlay : QStyle::SP_MediaPause));
        play_->setToolTip(paused ? QStringLiteral("Go on playing")
                                 : QStringLiteral("Pause the playback where it is"));
    }
    // A pause or step is for the playback armed, so with none they are grey.
    const bool on = armed(c);
    play_->setEnabled(on);
    step_->setEnabled(on);
    slider_->setEnabled(on && c.files.playbackLength() > 0);
    if (slider_->isSliderDown()) return;  // the operator's drag shows its own place
    const std::int64_t length = c.files.playbackLength();
    const std::int64_t bytes = std::clamp<std::int64_t>(c.s.playback_pos, 0, length);
    const int value = length > 0 ? static_cast<int>(bytes * kSliderSteps / length) : 0;
    if (slider_->value() != value) {
        refreshing_ = true;
        slider_->setValue(value);
        refreshing_ = false;
    }
    showPosition(bytes);
}

}  // namespace purlo
