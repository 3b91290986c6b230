#include "preview/playbackmodel.h"

#include <algorithm>
#include <cmath>

namespace kvx {

float nearestPlaybackSpeed(float speed)
{
    if (!std::isfinite(speed))
        return kDefaultPlaybackSpeed;
    float best = kPlaybackSpeeds.front();
    for (const float offered : kPlaybackSpeeds) {
        if (std::abs(offered - speed) < std::abs(best - speed))
            best = offered;
    }
    return best;
}

void PlaybackModel::start(float durationSeconds)
{
    animation = true;
    // A plugin may report nonsense; such an animation is treated as a single pose.
    length = std::isfinite(durationSeconds) && durationSeconds > 0.0f ? durationSeconds : 0.0f;
    position = 0.0f;
}

void PlaybackModel::clear()
{
    animation = false;
    position = 0.0f;
    length = 0.0f;
}

PlaybackStep PlaybackModel::advance(float elapsedSeconds)
{
    if (!wantsTicks() || !std::isfinite(elapsedSeconds) || elapsedSeconds <= 0.0f)
        return {};
    const float step = elapsedSeconds * currentSpeed;
    if (looping) {
        position = wrapped(position + step);
        return {step, false};
    }
    // Land exactly on the last frame, then stop: the pose holds and the clock needs no ticks.
    const float remaining = std::max(length - position, 0.0f);
    if (step >= remaining) {
        position = length;
        playing = false;
        return {remaining, true};
    }
    position += step;
    return {step, false};
}

float PlaybackModel::seek(float seconds)
{
    if (!animation)
        return 0.0f;
    if (!std::isfinite(seconds))
        seconds = 0.0f;
    position = std::clamp(seconds, 0.0f, length);
    return position;
}

float PlaybackModel::stepFrame(int direction)
{
    float target = position + static_cast<float>(direction) * kFrameStepSeconds;
    if (looping && (target < 0.0f || target > length))
        target = wrapped(target);
    return seek(target);
}

bool PlaybackModel::play()
{
    const bool restart = atEnd();
    if (restart)
        position = 0.0f;
    playing = true;
    return restart;
}

float PlaybackModel::wrapped(float seconds) const
{
    if (length <= 0.0f)
        return 0.0f;
    const float inside = std::fmod(seconds, length);
    return inside < 0.0f ? inside + length : inside;
}

} // namespace kvx
