// SPDX-License-Identifier: GPL-3.0-or-later
// The monitor's replay bar on a console with a playback armed or not: what a
// click on its slider and its buttons does.
#include <gtest/gtest.h>

#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QToolButton>
#include <string>

#include "ReplayBar.h"
#include "fakes/Harness.h"

namespace purlo {
namespace {

struct Bar : ::testing::Test {
    Bar() {
        test::writeFile(h.console.file("Purlo.Spl"), std::string(100'000, 'c'));
        bar.resize(900, 40);
        bar.show();
    }
    // A click on the slider's groove `fraction` of the way along its span.
    void clickAt(double fraction) {
        QSlider& s = bar.slider();
        QStyleOptionSlider option;
        option.initFrom(&s);
        option.orientation = s.orientation();
        const QRect groove =
            s.style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, &s);
        const QRect handle =
            s.style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &s);
        const int span = groove.width() - handle.width();
        const int x = groove.x() + handle.width() / 2 + static_cast<int>(fraction * span);
        QTest::mouseClick(&s, Qt::LeftButton, {}, QPoint(x, s.height() / 2));
    }
    test::Harness h;
    ReplayBar bar{h.console};
};

TEST_F(Bar, AClickOnTheSliderGoesToThePlaceClicked) {
    h.console.click(Control::Com_play_spl);
    bar.refresh();
    ASSERT_TRUE(bar.slider().isEnabled());
    for (const double fraction : {0.75, 0.3, 0.9}) {
        SCOPED_TRACE(fraction);
        clickAt(fraction);
        const auto sought = h.console.replay.takeSeek();
        ASSERT_TRUE(sought.has_value());
        EXPECT_NEAR(static_cast<double>(*sought), fraction * 100'000, 2'000);
    }
}

TEST_F(Bar, WithNothingArmedTheButtonsAndTheSliderAreGrey) {
    bar.refresh();
    EXPECT_FALSE(bar.playButton().isEnabled());
    EXPECT_FALSE(bar.stepButton().isEnabled());
    EXPECT_FALSE(bar.slider().isEnabled());
    h.console.click(Control::Com_play_spl);
    bar.refresh();
    EXPECT_TRUE(bar.playButton().isEnabled());
    EXPECT_TRUE(bar.stepButton().isEnabled());
    QTest::mouseClick(&bar.playButton(), Qt::LeftButton);
    EXPECT_TRUE(h.console.replay.paused());
    h.console.click(Control::Com_play_spl);  // disarmed: the pause goes with it
    bar.refresh();
    EXPECT_FALSE(h.console.replay.paused());
    EXPECT_FALSE(bar.playButton().isEnabled());
}

}  // namespace
}  // namespace purlo
