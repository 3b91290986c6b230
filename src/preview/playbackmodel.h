#pragma once
// Where the playing animation stands: play/pause, speed, loop and the position within the
// animation. It decides how far each tick moves the pose and when playback stops; the window only
// samples what it returns.

#include <array>

namespace kvx {

// The speeds offered to the user, slowest first.
inline constexpr std::array<float, 5> kPlaybackSpeeds = {0.25f, 0.5f, 1.0f, 1.5f, 2.0f};
inline constexpr float kDefaultPlaybackSpeed = 1.0f;
// One frame step of the keyboard, in seconds.
inline constexpr float kFrameStepSeconds = 1.0f / 30.0f;

// The speed in kPlaybackSpeeds closest to the given one (stored settings may hold anything).
float nearestPlaybackSpeed(float speed);

// What one tick does: advance the pose by this many seconds, and whether playback ends with it.
struct PlaybackStep {
    float seconds = 0.0f;
    bool reachedEnd = false; // a non-looping animation is on its last frame; stop ticking
};

class PlaybackModel {
public:
    // A new animation from its start; the play/pause choice, speed and loop stay.
    void start(float durationSeconds);
    // No animation: nothing to play or scrub.
    void clear();

    // Moves the position by real elapsed time scaled by the speed. Nothing moves while paused.
    PlaybackStep advance(float elapsedSeconds);
    // The position a jump lands on, kept within the animation. The caller poses the animation afresh
    // at the returned time.
    float seek(float seconds);
    // One frame forward (+1) or back (-1), wrapping round when looping; the time to pose at.
    float stepFrame(int direction);

    // Play from the start again when a non-looping animation stands at its end; returns whether the
    // pose must be reset to the start.
    bool play();
    void pause() { playing = false; }

    void setSpeed(float speed) { currentSpeed = nearestPlaybackSpeed(speed); }
    void setLoop(bool on) { looping = on; }

    bool hasAnimation() const { return animation; }
    bool isPlaying() const { return playing; }
    // Ticking is needed only while an animation plays.
    bool wantsTicks() const { return animation && playing; }
    bool atEnd() const { return animation && !looping && position >= length; }
    float time() const { return position; }
    float duration() const { return length; }
    float speed() const { return currentSpeed; }
    bool loop() const { return looping; }

private:
    float wrapped(float seconds) const;

    bool animation = false;
    bool playing = true;
    bool looping = true;
    float currentSpeed = kDefaultPlaybackSpeed;
    float position = 0.0f;
    float length = 0.0f;
};

} // namespace kvx
