// The playback bar on its own: what the user's actions report, and that the window's updates
// report nothing back.

#include "app/playbackbar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <gtest/gtest.h>

namespace kvx {
namespace {

class PlaybackBarTest : public ::testing::Test {
protected:
    PlaybackBar bar;
};

TEST_F(PlaybackBarTest, WithoutAnAnimationPlayAndSliderAreOff)
{
    EXPECT_FALSE(bar.playButton()->isEnabled());
    EXPECT_FALSE(bar.timeSlider()->isEnabled());
    bar.setAnimationAvailable(true);
    bar.setPosition(0.5f, 1.25f);
    EXPECT_TRUE(bar.playButton()->isEnabled());
    EXPECT_EQ(bar.timeSlider()->maximum(), 1250);
    EXPECT_EQ(bar.timeSlider()->value(), 500);
    EXPECT_EQ(bar.timeLabel()->text(), QStringLiteral("0.50 / 1.25 s"));
    bar.setAnimationAvailable(false);
    EXPECT_EQ(bar.timeSlider()->value(), 0);
    EXPECT_EQ(bar.timeLabel()->text(), QStringLiteral("0.00 / 0.00 s"));
}

TEST_F(PlaybackBarTest, WindowUpdatesReportNothingBack)
{
    QSignalSpy scrubs(&bar, &PlaybackBar::scrubbed);
    QSignalSpy speeds(&bar, &PlaybackBar::speedChanged);
    QSignalSpy loops(&bar, &PlaybackBar::loopChanged);
    QSignalSpy backgrounds(&bar, &PlaybackBar::backgroundChanged);
    bar.setAnimationAvailable(true);
    bar.setPosition(0.75f, 2.0f);
    bar.setSpeed(2.0f);
    bar.setLoop(false);
    bar.setBackground(PreviewBackground::Checkerboard);
    EXPECT_EQ(scrubs.count() + speeds.count() + loops.count() + backgrounds.count(), 0);
    EXPECT_FLOAT_EQ(bar.speed(), 2.0f);
    EXPECT_FALSE(bar.loop());
    EXPECT_EQ(bar.background(), PreviewBackground::Checkerboard);
}

TEST_F(PlaybackBarTest, UserActionsAreReportedWithTheirValues)
{
    bar.setAnimationAvailable(true);
    bar.setPosition(0.0f, 2.0f);
    QSignalSpy scrubs(&bar, &PlaybackBar::scrubbed);
    QSignalSpy speeds(&bar, &PlaybackBar::speedChanged);
    QSignalSpy loops(&bar, &PlaybackBar::loopChanged);
    QSignalSpy backgrounds(&bar, &PlaybackBar::backgroundChanged);
    QSignalSpy clicks(&bar, &PlaybackBar::playPauseClicked);

    bar.timeSlider()->setValue(1500);
    ASSERT_EQ(scrubs.count(), 1);
    EXPECT_FLOAT_EQ(scrubs.at(0).at(0).toFloat(), 1.5f);
    bar.speedCombo()->setCurrentIndex(0);
    ASSERT_EQ(speeds.count(), 1);
    EXPECT_FLOAT_EQ(speeds.at(0).at(0).toFloat(), 0.25f);
    bar.loopCheckBox()->click();
    ASSERT_EQ(loops.count(), 1);
    EXPECT_FALSE(loops.at(0).at(0).toBool());
    bar.backgroundCombo()->setCurrentIndex(1);
    ASSERT_EQ(backgrounds.count(), 1);
    EXPECT_EQ(backgrounds.at(0).at(0).value<PreviewBackground>(), PreviewBackground::Light);
    bar.playButton()->click();
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(PlaybackBarTest, AHeldHandleIsNotMovedByPlaybackAndBracketsTheDrag)
{
    bar.setAnimationAvailable(true);
    bar.setPosition(0.2f, 2.0f);
    QSignalSpy started(&bar, &PlaybackBar::scrubStarted);
    QSignalSpy finished(&bar, &PlaybackBar::scrubFinished);
    bar.timeSlider()->setSliderDown(true);
    EXPECT_TRUE(bar.isScrubbing());
    bar.setPosition(0.9f, 2.0f);
    EXPECT_EQ(bar.timeSlider()->value(), 200);
    EXPECT_EQ(bar.timeLabel()->text(), QStringLiteral("0.90 / 2.00 s"));
    bar.timeSlider()->setSliderDown(false);
    EXPECT_EQ(started.count(), 1);
    EXPECT_EQ(finished.count(), 1);
}

} // namespace
} // namespace kvx
