// Where playback stands: speed scaling, pause, loop wrap, the stop on the last frame, seeking and
// frame steps.

#include "preview/playbackmodel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kvx {
namespace {

PlaybackModel playing(float duration, bool loop = true, float speed = 1.0f)
{
    PlaybackModel model;
    model.setLoop(loop);
    model.setSpeed(speed);
    model.start(duration);
    return model;
}

TEST(PlaybackSpeeds, StoredValuesSnapToTheOfferedSpeeds)
{
    EXPECT_FLOAT_EQ(nearestPlaybackSpeed(0.25f), 0.25f);
    EXPECT_FLOAT_EQ(nearestPlaybackSpeed(1.4f), 1.5f);
    EXPECT_FLOAT_EQ(nearestPlaybackSpeed(100.0f), 2.0f);
    EXPECT_FLOAT_EQ(nearestPlaybackSpeed(-3.0f), 0.25f);
    EXPECT_FLOAT_EQ(nearestPlaybackSpeed(std::numeric_limits<float>::quiet_NaN()), 1.0f);
    EXPECT_FLOAT_EQ(nearestPlaybackSpeed(std::numeric_limits<float>::infinity()), 1.0f);
}

TEST(PlaybackModel, SpeedScalesEveryStep)
{
    for (const float speed : kPlaybackSpeeds) {
        PlaybackModel model = playing(10.0f, true, speed);
        const PlaybackStep step = model.advance(0.1f);
        EXPECT_FLOAT_EQ(step.seconds, 0.1f * speed) << speed;
        EXPECT_FLOAT_EQ(model.time(), 0.1f * speed) << speed;
        EXPECT_FALSE(step.reachedEnd);
    }
}

TEST(PlaybackModel, PausedOrWithoutAnAnimationNothingMoves)
{
    PlaybackModel model = playing(2.0f);
    model.pause();
    EXPECT_FALSE(model.wantsTicks());
    EXPECT_FLOAT_EQ(model.advance(0.5f).seconds, 0.0f);
    EXPECT_FLOAT_EQ(model.time(), 0.0f);

    PlaybackModel empty;
    EXPECT_FALSE(empty.hasAnimation());
    EXPECT_FALSE(empty.wantsTicks());
    EXPECT_FLOAT_EQ(empty.advance(0.5f).seconds, 0.0f);
    EXPECT_FLOAT_EQ(empty.seek(1.0f), 0.0f);
}

TEST(PlaybackModel, NonsenseElapsedTimesMoveNothing)
{
    PlaybackModel model = playing(2.0f);
    EXPECT_FLOAT_EQ(model.advance(-1.0f).seconds, 0.0f);
    EXPECT_FLOAT_EQ(model.advance(std::numeric_limits<float>::quiet_NaN()).seconds, 0.0f);
    EXPECT_FLOAT_EQ(model.time(), 0.0f);
}

TEST(PlaybackModel, LoopingWrapsThePositionButPassesTheWholeStep)
{
    PlaybackModel model = playing(1.0f, true, 2.0f);
    model.advance(0.4f); // 0.8
    const PlaybackStep step = model.advance(0.2f); // 1.2 wraps to 0.2
    EXPECT_FLOAT_EQ(step.seconds, 0.4f);
    EXPECT_FALSE(step.reachedEnd);
    EXPECT_NEAR(model.time(), 0.2f, 1e-5f);
    EXPECT_TRUE(model.isPlaying());
}

TEST(PlaybackModel, WithoutLoopTheLastStepLandsOnTheEndAndStops)
{
    PlaybackModel model = playing(1.0f, false);
    model.advance(0.9f);
    const PlaybackStep step = model.advance(0.5f);
    EXPECT_NEAR(step.seconds, 0.1f, 1e-5f) << "only what is left of the animation";
    EXPECT_TRUE(step.reachedEnd);
    EXPECT_FLOAT_EQ(model.time(), 1.0f);
    EXPECT_FALSE(model.isPlaying());
    EXPECT_FALSE(model.wantsTicks());
    EXPECT_TRUE(model.atEnd());

    // Play again starts over from the first frame.
    EXPECT_TRUE(model.play());
    EXPECT_FLOAT_EQ(model.time(), 0.0f);
    EXPECT_TRUE(model.isPlaying());
    // Playing from the middle is no restart.
    model.advance(0.3f);
    model.pause();
    EXPECT_FALSE(model.play());
    EXPECT_NEAR(model.time(), 0.3f, 1e-5f);
}

TEST(PlaybackModel, ZeroOrBrokenDurationsAreASinglePose)
{
    for (const float duration : {0.0f, -2.0f, std::numeric_limits<float>::quiet_NaN()}) {
        PlaybackModel looping = playing(duration, true);
        EXPECT_FLOAT_EQ(looping.duration(), 0.0f);
        looping.advance(0.5f);
        EXPECT_FLOAT_EQ(looping.time(), 0.0f);
        PlaybackModel once = playing(duration, false);
        EXPECT_TRUE(once.advance(0.016f).reachedEnd);
    }
}

TEST(PlaybackModel, SeekStaysWithinTheAnimation)
{
    PlaybackModel model = playing(2.0f);
    EXPECT_FLOAT_EQ(model.seek(1.25f), 1.25f);
    EXPECT_FLOAT_EQ(model.time(), 1.25f);
    EXPECT_FLOAT_EQ(model.seek(5.0f), 2.0f) << "the slider's end is the last frame, also when looping";
    EXPECT_FLOAT_EQ(model.seek(-1.0f), 0.0f);
    EXPECT_FLOAT_EQ(model.seek(std::numeric_limits<float>::quiet_NaN()), 0.0f);
}

TEST(PlaybackModel, FrameStepsWrapWhenLoopingAndStopAtTheEndsOtherwise)
{
    PlaybackModel looping = playing(1.0f, true);
    looping.pause();
    EXPECT_NEAR(looping.stepFrame(1), kFrameStepSeconds, 1e-6f);
    EXPECT_NEAR(looping.stepFrame(-1), 0.0f, 1e-6f);
    EXPECT_NEAR(looping.stepFrame(-1), 1.0f - kFrameStepSeconds, 1e-5f) << "back from the start wraps to the end";

    PlaybackModel once = playing(1.0f, false);
    once.pause();
    EXPECT_FLOAT_EQ(once.stepFrame(-1), 0.0f);
    once.seek(0.99f);
    EXPECT_FLOAT_EQ(once.stepFrame(1), 1.0f);
    EXPECT_FLOAT_EQ(once.stepFrame(1), 1.0f);
}

TEST(PlaybackModel, ANewAnimationStartsAtZeroAndKeepsTheChoices)
{
    PlaybackModel model = playing(2.0f, false, 0.5f);
    model.advance(1.0f);
    model.pause();
    model.start(3.0f);
    EXPECT_FLOAT_EQ(model.time(), 0.0f);
    EXPECT_FLOAT_EQ(model.duration(), 3.0f);
    EXPECT_FALSE(model.isPlaying());
    EXPECT_FALSE(model.loop());
    EXPECT_FLOAT_EQ(model.speed(), 0.5f);
    model.clear();
    EXPECT_FALSE(model.hasAnimation());
    EXPECT_FALSE(model.atEnd());
}

} // namespace
} // namespace kvx
